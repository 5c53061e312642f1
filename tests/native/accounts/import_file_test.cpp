#include "accounts/import_file.h"

#include <gtest/gtest.h>

#include "login/pwd_hash.h"

namespace {

struct ReadFile {
    std::vector<std::string> lines;
    bool ansi = false;
};

ReadFile ReadAll(ImportSource& source) {
    ImportReader reader(source);
    EXPECT_TRUE(reader.Open().ok());
    ReadFile file;
    std::string line;
    for (auto more = reader.NextLine(line); more.ok() && *more; more = reader.NextLine(line)) {
        file.lines.push_back(line);
    }
    file.ansi = reader.Ansi();
    return file;
}

// Pieces of every small size split marks, line ends, code units and sequences at every place.
constexpr size_t kPieceSizes[] = {1, 2, 3, 4, 5, 7, kImportPieceBytes};

std::string Utf16Le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

std::string Utf16Be(std::u16string_view text) {
    std::string bytes = "\xFE\xFF";
    for (char16_t unit : text) bytes += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    return bytes;
}

}  // namespace

TEST(ImportReader, EncodingsAndLineEndsReadTheSameInPiecesOfAnySize) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
        bool ansi;
    } cases[] = {
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF"
         "111 密码\r\n😀 x",
         {"111 密码", "😀 x"},
         false},
        {"UTF-8 without a mark", "111 密码\n222 b", {"111 密码", "222 b"}, false},
        {"a bad sequence after a mark",
         "\xEF\xBB\xBF"
         "1 \xE5\x80"
         "a\r\n",
         {"1 \xEF\xBF\xBD\xEF\xBF\xBD"
          "a"},
         false},
        {"UTF-16LE with a surrogate pair", Utf16Le(u"11 密\r\n2 \U0001F600"), {"11 密", "2 😀"}, false},
        {"UTF-16BE", Utf16Be(u"1 密\r2 b\r"), {"1 密", "2 b"}, false},
        {"an odd UTF-16 byte", Utf16Le(u"1 \xD83D") + "2", {"1 \xEF\xBF\xBD\xEF\xBF\xBD"}, false},
        {"GBK bytes are not UTF-8", "111 \xC3\xDC\xC2\xEB", {"111 \xC3\xDC\xC2\xEB"}, true},
        {"one GBK byte late makes the whole file ANSI", "1 密\n2 b\n3 \xC3\xDC", {"1 密", "2 b", "3 \xC3\xDC"}, true},
        {"CR LF, LF and CR", "a\r\nb\nc\rd", {"a", "b", "c", "d"}, false},
        {"LF CR is two ends", "a\n\rb", {"a", "", "b"}, false},
        {"empty lines stay lines", "a\r\n\r\n\r\nb\r\n", {"a", "", "", "b"}, false},
        {"a mark alone", "\xEF\xBB\xBF", {}, false},
        {"empty", "", {}, false},
    };
    for (const auto& c : cases) {
        for (size_t piece : kPieceSizes) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            ImportBytes source(c.bytes, piece);
            ReadFile file = ReadAll(source);
            EXPECT_EQ(file.lines, c.lines);
            EXPECT_EQ(file.ansi, c.ansi);
        }
    }
}

TEST(ImportReader, ALineIsKeptToItsSecondBlankAndOneTooLongHoldsNoAccount) {
    std::string huge(kMaxImportFieldBytes, 'x');
    std::string bytes = "1 pw " + huge + huge + "\r\n2 " + huge + "\r\n" + huge + " 3 c\r\n4 d";
    ImportBytes source(bytes);
    EXPECT_EQ(ReadAll(source).lines, (std::vector<std::string>{"1 pw ", "", "", "4 d"}));
}

TEST(ImportReader, AFileThatCannotBeReadIsAFailure) {
    // Fails at the read given by `failAt` (counting from 1), so before and after the encoding is known.
    class FailingSource : public ImportSource {
      public:
        explicit FailingSource(int failAt) : failAt_(failAt) {}
        Result<size_t> Read(char* into, size_t size) override {
            if (++reads_ == failAt_) return Status(ErrorCode::Io, "unreadable");
            return inner_.Read(into, size);
        }
        Status Rewind() override { return inner_.Rewind(); }

      private:
        ImportBytes inner_{"1 a\r\n2 b\r\n", 4};
        int failAt_;
        int reads_ = 0;
    };
    FailingSource early(2);
    ImportReader opening(early);
    EXPECT_EQ(opening.Open().code(), ErrorCode::Io);

    FailingSource late(6);  // the check for UTF-8 takes four reads, the first line a fifth
    ImportReader reading(late);
    ASSERT_TRUE(reading.Open().ok());
    std::string line;
    auto first = reading.NextLine(line);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(line, "1 a");
    EXPECT_EQ(reading.NextLine(line).status().code(), ErrorCode::Io);
}

TEST(ParseImportLine, SplitsAtEverySingleBlank) {
    struct Case {
        const char* name;
        const char* line;
        bool parsed;
        const char* number;
        const char* password;
    } cases[] = {
        {"number and password", "111 aaa", true, "111", "aaa"},
        {"a third field is ignored", "222 pass word", true, "222", "pass"},
        {"two blanks give an empty password", "333  x", true, "333", ""},
        {"a leading blank gives an empty number", " 444 y", true, "", "444"},
        {"trailing blank: empty password", "555 ", true, "555", ""},
        {"no blank", "666aaa", false, "", ""},
        {"empty line", "", false, "", ""},
        {"a tab is no blank", "777\tz", false, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto line = ParseImportLine(c.line);
        ASSERT_EQ(line.has_value(), c.parsed);
        if (!line) continue;
        EXPECT_EQ(line->number, c.number);
        EXPECT_EQ(line->password, c.password);
    }
}

TEST(ImportPasswordHash, HashesTheAnsiBytesWhateverTheFileEncoding) {
    // "密码" in GBK; the UTF-8 file's password must reach the hash as these same bytes.
    const std::string gbk = "\xC3\xDC\xC2\xEB";
    std::string expected = PwdHashOfBytes(gbk);
    EXPECT_EQ(ImportPasswordHash(true, gbk), expected);
    EXPECT_EQ(ImportPasswordHash(false, "密码"), expected);
    EXPECT_EQ(ImportPasswordHash(false, "abc"), "kAFQmDzST7DWlj99KOF/cg");
}
