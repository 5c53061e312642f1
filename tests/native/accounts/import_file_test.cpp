#include "accounts/import_file.h"

#include <gtest/gtest.h>

#include "login/pwd_hash.h"

TEST(DecodeImportFile, ByteOrderMarksAndValidUtf8GiveUtf8AndEverythingElseStaysAnsi) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
        bool ansi;
    } cases[] = {
        {"UTF-8 with its mark",
         "\xEF\xBB\xBF"
         "111 密码",
         "111 密码", false},
        {"UTF-8 without a mark", "111 密码", "111 密码", false},
        {"UTF-16LE",
         std::string("\xFF\xFE"
                     "1\0"
                     "1\0"
                     " \0"
                     "\xC6\x5B",
                     10),
         "11 密", false},
        {"UTF-16BE",
         std::string("\xFE\xFF"
                     "\0"
                     "1"
                     "\0"
                     " "
                     "\x5B\xC6",
                     8),
         "1 密", false},
        {"GBK bytes are not UTF-8", "111 \xC3\xDC\xC2\xEB", "111 \xC3\xDC\xC2\xEB", true},
        {"plain ASCII", "111 aaa\r\n", "111 aaa\r\n", false},
        {"empty", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImportText decoded = DecodeImportFile(c.bytes);
        EXPECT_EQ(decoded.text, c.text);
        EXPECT_EQ(decoded.ansi, c.ansi);
    }
}

TEST(DecodeImportFile, AnOddUtf16ByteIsReplacedNotReadPastTheEnd) {
    ImportText decoded =
        DecodeImportFile(std::string("\xFF\xFE"
                                     "1\0"
                                     "2",
                                     5));
    EXPECT_EQ(decoded.text, "1\xEF\xBF\xBD");
}

TEST(SplitImportLines, LinesEndAtCrLfOrCrLf) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string_view> lines;
    } cases[] = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb", {"a", "b"}},
        {"CR alone", "a\rb\r", {"a", "b"}},
        {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
        {"empty lines stay lines", "a\r\n\r\nb", {"a", "", "b"}},
        {"empty text", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitImportLines(c.text), c.lines);
    }
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
    EXPECT_EQ(ImportPasswordHash(DecodeImportFile("1 \xC3\xDC\xC2\xEB"), gbk), expected);
    EXPECT_EQ(ImportPasswordHash(DecodeImportFile("1 密码"), "密码"), expected);
    EXPECT_EQ(ImportPasswordHash(DecodeImportFile("1 abc"), "abc"), "kAFQmDzST7DWlj99KOF/cg");
}
