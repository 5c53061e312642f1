// Index keys against the exact bytes Jet and Jackcess write, and the ordering they must produce.

#include "jet/index/index_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace jet {
namespace {

std::string Hex(const std::string& bytes) {
    std::string out;
    char part[4];
    for (unsigned char c : bytes) {
        std::snprintf(part, sizeof part, "%s%02X", out.empty() ? "" : " ", c);
        out += part;
    }
    return out;
}

IndexKeyColumn Col(ColumnType type, bool ascending = true) {
    IndexKeyColumn column;
    column.type = type;
    column.ascending = ascending;
    return column;
}

std::string KeyOrDie(const std::vector<IndexKeyColumn>& columns, const std::vector<Value>& values) {
    auto key = EncodeIndexKey(columns, values);
    EXPECT_TRUE(key.ok()) << key.status().ToString();
    return key.ok() ? *key : std::string();
}

std::string TextKey(const std::string& text, bool ascending = true) {
    return KeyOrDie({Col(ColumnType::Text, ascending)}, {text});
}

TEST(IndexKey, MatchesEveryExampleKeyOfJetFiles) {
    const uint32_t kTables = 0x0F000001;
    struct Case {
        const char* name;
        std::vector<IndexKeyColumn> columns;
        std::vector<Value> values;
        const char* hex;
    } cases[] = {
        {"long 1", {Col(ColumnType::Long)}, {int64_t(1)}, "7F 80 00 00 01"},
        {"long 0", {Col(ColumnType::Long)}, {int64_t(0)}, "7F 80 00 00 00"},
        {"long -1", {Col(ColumnType::Long)}, {int64_t(-1)}, "7F 7F FF FF FF"},
        {"long Tables id", {Col(ColumnType::Long)}, {int64_t(kTables)}, "7F 8F 00 00 01"},
        {"long minimum", {Col(ColumnType::Long)}, {int64_t(INT32_MIN)}, "7F 00 00 00 00"},
        {"MSysACEs ObjectId 2", {Col(ColumnType::Long)}, {int64_t(2)}, "7F 80 00 00 02"},
        {"10001", {Col(ColumnType::Text)}, {std::string("10001")}, "7F 38 36 36 36 38 01 00"},
        {"20002", {Col(ColumnType::Text)}, {std::string("20002")}, "7F 3A 36 36 36 3A 01 00"},
        {"a", {Col(ColumnType::Text)}, {std::string("a")}, "7F 4A 01 00"},
        {"A", {Col(ColumnType::Text)}, {std::string("A")}, "7F 4A 01 00"},
        {"a and spaces", {Col(ColumnType::Text)}, {std::string("a  ")}, "7F 4A 01 00"},
        {"ab", {Col(ColumnType::Text)}, {std::string("ab")}, "7F 4A 4C 01 00"},
        {"a b", {Col(ColumnType::Text)}, {std::string("a b")}, "7F 4A 07 4C 01 00"},
        {"empty", {Col(ColumnType::Text)}, {std::string("")}, "7F 01 00"},
        {"only spaces", {Col(ColumnType::Text)}, {std::string("   ")}, "7F 01 00"},
        {"null text", {Col(ColumnType::Text)}, {Null{}}, "00"},
        {"Tables", {Col(ColumnType::Text)}, {std::string("Tables")}, "7F 6D 4A 4C 5E 51 6B 01 00"},
        {"zk_auto_qqlist",
         {Col(ColumnType::Text)},
         {std::string("zk_auto_qqlist")},
         "7F 78 5C 2B 03 4A 6F 6D 64 2B 03 68 68 5E 59 6B 6D 01 00"},
        {"a-b", {Col(ColumnType::Text)}, {std::string("a-b")}, "7F 4A 4C 01 01 01 01 80 0B 06 82 00"},
        {"a-b-c",
         {Col(ColumnType::Text)},
         {std::string("a-b-c")},
         "7F 4A 4C 4D 01 01 01 01 80 0B 06 82 80 0F 06 82 00"},
        {"O'Neil", {Col(ColumnType::Text)}, {std::string("O'Neil")}, "7F 64 62 51 59 5E 01 01 01 01 80 0B 06 80 00"},
        {"ÀB", {Col(ColumnType::Text)}, {std::string("ÀB")}, "7F 4A 4C 01 0F 00"},
        {"é", {Col(ColumnType::Text)}, {std::string("é")}, "7F 51 01 0E 00"},
        {"a-É", {Col(ColumnType::Text)}, {std::string("a-É")}, "7F 4A 51 01 02 0E 01 01 01 80 0B 06 82 00"},
        {"10001 descending", {Col(ColumnType::Text, false)}, {std::string("10001")}, "80 C7 C9 C9 C9 C7 FE FF 00"},
        {"ParentIdName Databases",
         {Col(ColumnType::Long), Col(ColumnType::Text)},
         {int64_t(0x0F000000), std::string("Databases")},
         "7F 8F 00 00 00 7F 4F 4A 6D 4A 4C 4A 6B 51 6B 01 00"},
        {"ParentIdName zk_auto_qqlist",
         {Col(ColumnType::Long), Col(ColumnType::Text)},
         {int64_t(kTables), std::string("zk_auto_qqlist")},
         "7F 8F 00 00 01 7F 78 5C 2B 03 4A 6F 6D 64 2B 03 68 68 5E 59 6B 6D 01 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Hex(KeyOrDie(c.columns, c.values)), c.hex);
    }
}

TEST(IndexKey, FixedSizeTypesFoldSignAndInvertWhenDescending) {
    struct Case {
        const char* name;
        IndexKeyColumn column;
        Value value;
        const char* hex;
    } cases[] = {
        {"byte", Col(ColumnType::Byte), int64_t(200), "7F C8"},
        {"byte descending", Col(ColumnType::Byte, false), int64_t(200), "80 37"},
        {"integer -2", Col(ColumnType::Integer), int64_t(-2), "7F 7F FE"},
        {"long 1 descending", Col(ColumnType::Long, false), int64_t(1), "80 7F FF FF FE"},
        {"currency 1.0000", Col(ColumnType::Currency), Currency{10000}, "7F 80 00 00 00 00 00 27 10"},
        {"double 1", Col(ColumnType::Double), 1.0, "7F BF F0 00 00 00 00 00 00"},
        {"double -1", Col(ColumnType::Double), -1.0, "7F 40 0F FF FF FF FF FF FF"},
        {"double 1 descending", Col(ColumnType::Double, false), 1.0, "80 40 0F FF FF FF FF FF FF"},
        {"single 1", Col(ColumnType::Single), 1.0, "7F BF 80 00 00"},
        {"date 0.5", Col(ColumnType::DateTime), DateTime{0.5}, "7F BF E0 00 00 00 00 00 00"},
        {"boolean true", Col(ColumnType::Boolean), true, "7F 00"},
        {"boolean false", Col(ColumnType::Boolean), false, "7F FF"},
        {"boolean true descending", Col(ColumnType::Boolean, false), true, "80 FF"},
        {"boolean null is false", Col(ColumnType::Boolean), Null{}, "7F FF"},
        {"null descending", Col(ColumnType::Long, false), Null{}, "FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Hex(KeyOrDie({c.column}, {c.value})), c.hex);
    }
}

TEST(IndexKey, NumbersSortAscendingAndDescendingWithNullsAtTheLowEnd) {
    struct Case {
        const char* name;
        ColumnType type;
        std::vector<Value> sorted;
    } cases[] = {
        {"long",
         ColumnType::Long,
         {Null{}, int64_t(INT32_MIN), int64_t(-65536), int64_t(-1), int64_t(0), int64_t(1), int64_t(255), int64_t(256),
          int64_t(INT32_MAX)}},
        {"integer", ColumnType::Integer, {Null{}, int64_t(-32768), int64_t(-1), int64_t(0), int64_t(32767)}},
        {"currency",
         ColumnType::Currency,
         {Null{}, Currency{INT64_MIN}, Currency{-1}, Currency{0}, Currency{INT64_MAX}}},
        {"double", ColumnType::Double, {Null{}, -1e300, -2.5, -1.0, -1e-300, 0.0, 1e-300, 1.0, 2.5, 1e300}},
        {"single", ColumnType::Single, {Null{}, -3e38, -1.5, 0.0, 0.25, 3e38}},
        {"date", ColumnType::DateTime, {Null{}, DateTime{-1.25}, DateTime{0.5}, DateTime{42329.94480324074}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t i = 1; i < c.sorted.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_LT(KeyOrDie({Col(c.type)}, {c.sorted[i - 1]}), KeyOrDie({Col(c.type)}, {c.sorted[i]}));
            if (i > 1) {  // a descending null (0xFF) sorts after every value
                EXPECT_GT(KeyOrDie({Col(c.type, false)}, {c.sorted[i - 1]}),
                          KeyOrDie({Col(c.type, false)}, {c.sorted[i]}));
            }
        }
    }
}

TEST(IndexKey, TextSortsSpaceThenPunctuationThenDigitsThenLetters) {
    const char* sorted[] = {"", "a", "a b", "a!b", "a(b", "a0b", "a9b", "aab", "aAc", "ab", "b", "Tables", "z"};
    for (size_t i = 1; i < std::size(sorted); ++i) {
        SCOPED_TRACE(sorted[i]);
        EXPECT_LT(TextKey(sorted[i - 1]), TextKey(sorted[i]));
        EXPECT_GT(TextKey(sorted[i - 1], false), TextKey(sorted[i], false));
    }
}

TEST(IndexKey, TextEqualityIgnoresCaseAndTrailingSpacesButKeepsAccentsAndMarks) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"ABC", "abc", true},     {"123", "123 ", true},  {"straße", "STRASSE", true}, {"Æsop", "aesop", true},
        {"ÀÉÎÕÜ", "àéîõü", true}, {"E", "É", false},      {"ab", "a-b", false},        {"ab", "a'b", false},
        {"a-b", "a'b", false},    {" 123", "123", false}, {"1 2", "12", false},        {"Résumé", "resume", false},
        {"a\tb", "a b", false},   {"abc", "ab", false},   {"１２３", "123", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(TextKey(c.a) == TextKey(c.b), c.equal);
    }
}

TEST(IndexKey, TextIsCutAt255CharactersBeforeTrailingSpacesGo) {
    std::string base(250, 'q');
    EXPECT_EQ(TextKey(base + "12345"), TextKey(base + "123456789"));
    EXPECT_NE(TextKey(base + "1234"), TextKey(base + "12345"));
    EXPECT_EQ(TextKey(base + "1234 x"), TextKey(base + "1234"));  // the space became trailing after the cut
}

TEST(IndexKey, DescendingTextReversesTheOrderOfAnyTwoLatin1Strings) {
    std::mt19937 random(7);
    auto randomText = [&] {
        std::u16string wide(random() % 6, u' ');
        for (char16_t& ch : wide) ch = char16_t(1 + random() % 255);
        std::string utf8;
        for (char16_t ch : wide) {
            if (ch < 0x80) {
                utf8 += char(ch);
            } else {
                utf8 += char(0xC0 | (ch >> 6));
                utf8 += char(0x80 | (ch & 0x3F));
            }
        }
        return utf8;
    };
    for (int i = 0; i < 2000; ++i) {
        std::string a = randomText(), b = randomText();
        std::string ascA = TextKey(a), ascB = TextKey(b);
        std::string descA = TextKey(a, false), descB = TextKey(b, false);
        EXPECT_EQ(ascA<ascB, descA> descB) << Hex(ascA) << " / " << Hex(ascB);
        EXPECT_EQ(ascA == ascB, descA == descB);
    }
}

TEST(IndexKey, KnownCharactersAboveLatin1EncodeAndOthersAreRefused) {
    EXPECT_EQ(Hex(TextKey("a\u3000b")), "7F 4A 07 4C 01 00");
    EXPECT_EQ(Hex(TextKey("it\u2019s")), "7F 59 6D 2B 38 6B 01 00");
    EXPECT_EQ(Hex(TextKey("a\u2014b")), "7F 4A 4C 01 01 01 01 80 0B 06 8B 00");
    const char* refused[] = {"中", "QQ号码", "a\u0100", "\U0001F600", "\u0416"};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        auto key = EncodeIndexKey({Col(ColumnType::Text)}, {std::string(text)});
        ASSERT_FALSE(key.ok());
        EXPECT_EQ(key.code(), ErrorCode::Unsupported);
    }
}

TEST(IndexKey, EveryLatin1CharacterHasACodeAndCapitalsMatchSmallLetters) {
    for (char16_t ch = 1; ch <= 0xFF; ++ch) {
        SCOPED_TRACE(int(ch));
        std::u16string wide(1, ch);
        std::string utf8 =
            ch < 0x80 ? std::string(1, char(ch)) : std::string{char(0xC0 | (ch >> 6)), char(0x80 | (ch & 0x3F))};
        EXPECT_TRUE(EncodeIndexKey({Col(ColumnType::Memo)}, {utf8}).ok());
        bool isCapital = (ch >= 'A' && ch <= 'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7);
        if (isCapital) {
            std::string small = ch < 0x80 ? std::string(1, char(ch + 0x20))
                                          : std::string{char(0xC3), char(0x80 | ((ch + 0x20) & 0x3F))};
            EXPECT_EQ(TextKey(utf8), TextKey(small));
        }
    }
}

// Access-made files in the Chinese sort orders store General's bytes for these characters; a
// character whose code there is unknown is refused, never stored under General's guess.
TEST(IndexKey, ChineseSortOrdersShareGeneralCodesOnlyForTheProvenCharacters) {
    struct Case {
        uint16_t sortOrder;
        uint8_t version;
        const char* text;
        bool shared;
    } cases[] = {
        {2052, 0, "10000 QQ_user-1.a", true},
        {2052, 0, " !\"#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~", true},  // printable ASCII
        {2052, 0, "O'Neil-x", true},                                   // ' and - go to the tail as in General
        {2052, 0, "12345   ", true},                                   // trailing blanks go as in General
        {1028, 0, "10000 QQ_user-1.a~", true},
        {1028, 0, "(a/b) {c}", true},
        {1028, 0, "a,b", false},
        {1028, 0, "a@b", false},
        {2052, 0, "a\tb", false},
        {2052, 0, "a\x7F", false},
        {2052, 0, "caf\xC3\xA9", false},
        {1028, 0, "\xE4\xB8\xAD", false},
        {2052, 1, "abc", false},
        {1041, 0, "abc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sortOrder) + " " + c.text);
        IndexKeyColumn column = Col(ColumnType::Text);
        column.sortOrder = c.sortOrder;
        column.sortVersion = c.version;
        auto key = EncodeIndexKey({column}, {std::string(c.text)});
        if (!c.shared) {
            EXPECT_EQ(key.code(), ErrorCode::Unsupported);
            continue;
        }
        ASSERT_TRUE(key.ok()) << key.status().ToString();
        EXPECT_EQ(*key, TextKey(c.text));
    }
}

TEST(IndexKey, RefusesWhatItCannotEncodeExactly) {
    IndexKeyColumn chinese = Col(ColumnType::Text);
    chinese.sortOrder = 1041;
    IndexKeyColumn newerGeneral = Col(ColumnType::Text);
    newerGeneral.sortVersion = 1;
    struct Case {
        const char* name;
        std::vector<IndexKeyColumn> columns;
        std::vector<Value> values;
        ErrorCode code;
    } cases[] = {
        {"other sort order", {chinese}, {std::string("a")}, ErrorCode::Unsupported},
        {"newer General", {newerGeneral}, {std::string("a")}, ErrorCode::Unsupported},
        {"binary", {Col(ColumnType::Binary)}, {Bytes{1, 2}}, ErrorCode::Unsupported},
        {"guid even when null", {Col(ColumnType::Guid)}, {Null{}}, ErrorCode::Unsupported},
        {"text for a long", {Col(ColumnType::Long)}, {std::string("1")}, ErrorCode::TypeMismatch},
        {"long out of range", {Col(ColumnType::Long)}, {int64_t(1) << 31}, ErrorCode::TypeMismatch},
        {"integer out of range", {Col(ColumnType::Integer)}, {int64_t(40000)}, ErrorCode::TypeMismatch},
        {"byte below zero", {Col(ColumnType::Byte)}, {int64_t(-1)}, ErrorCode::TypeMismatch},
        {"number for text", {Col(ColumnType::Text)}, {int64_t(1)}, ErrorCode::TypeMismatch},
        {"invalid UTF-8", {Col(ColumnType::Text)}, {std::string("a\xFF")}, ErrorCode::InvalidArgument},
        {"value count", {Col(ColumnType::Long), Col(ColumnType::Long)}, {int64_t(1)}, ErrorCode::InvalidArgument},
        {"no columns", {}, {}, ErrorCode::InvalidArgument},
        {"eleven columns", std::vector<IndexKeyColumn>(11, Col(ColumnType::Long)), std::vector<Value>(11, int64_t(1)),
         ErrorCode::InvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto key = EncodeIndexKey(c.columns, c.values);
        ASSERT_FALSE(key.ok());
        EXPECT_EQ(key.code(), c.code) << key.status().ToString();
    }
}

}  // namespace
}  // namespace jet
