#include "common/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, FolderOfPathIsEverythingBeforeTheLastSlashAndEmptyForABareName) {
    EXPECT_EQ(FolderOfPath("c:\\windows\\temp\\Kestrin.txt"), "c:\\windows\\temp");
    EXPECT_EQ(FolderOfPath("c:\\Kestrin.txt"), "c:");
    EXPECT_EQ(FolderOfPath("C:/a\\b/c.exe"), "C:/a\\b");
    EXPECT_EQ(FolderOfPath("Kestrin.txt"), "");
}

TEST(Text, Utf8AndUtf16RoundTripIncludingSurrogatePairs) {
    std::string text = "Kestrin 密码 \xF0\x9F\x98\x80 é";
    std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide[8], u'密');
    EXPECT_EQ(wide[11], 0xD83D);
    EXPECT_EQ(wide[12], 0xDE00);
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"lone continuation", "a\x80z"},
        {"truncated at end", "a\xE5\xAF"},
        {"overlong slash", "\xC0\xAF"},
        {"surrogate", "\xED\xA0\x80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80"},
        {"bad lead byte", "\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(IsValidUtf8(c.bytes));
        std::u16string wide = Utf8ToUtf16(c.bytes);
        EXPECT_NE(wide.find(u'\xFFFD'), std::u16string::npos);
    }
    EXPECT_TRUE(IsValidUtf8("plain ascii 密码"));
}

TEST(Text, UnpairedSurrogateInUtf16BecomesReplacement) {
    std::u16string wide = {u'a', char16_t(0xD800), u'b'};
    EXPECT_EQ(Utf16ToUtf8(wide), "a\xEF\xBF\xBD" "b");
}

TEST(Text, AnsiCodePageRoundTripsChineseAndMarksUnwritableCharacters) {
    EXPECT_EQ(Utf8ToAnsi("ab密码"), "ab\xC3\xDC\xC2\xEB");
    EXPECT_EQ(AnsiToUtf8("ab\xC3\xDC\xC2\xEB"), "ab密码");
    EXPECT_EQ(Utf8ToAnsi("x\u0E01y"), "x?y");  // Thai has no code page 936 form
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

}  // namespace
