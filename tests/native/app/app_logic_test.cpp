#include "app/qq_form_logic.h"

#include <gtest/gtest.h>

TEST(AllDigits, AcceptsOnlyNonEmptyAsciiDigitText) {
    struct Case {
        const char* text;
        bool expected;
    } cases[] = {
        {"", false},
        {"0", true},
        {"1234567890", true},
        {"12a45", false},
        {"a12345", false},
        {"12345 ", false},
        {" 12345", false},
        {"-123", false},
        {"1.5", false},
        {"\xEF\xBC\x91\xEF\xBC\x92", false},  // full-width digits １２
        {"12\xEF\xBC\x93", false},            // digits ending in a full-width ３
        {"\xD9\xA1", false},                  // Arabic-Indic digit one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(AllDigits(c.text), c.expected);
    }
}

TEST(AccountRow, IconAndTickFollowOnlyTheValuesZeroAndOne) {
    struct Case {
        const char* name;
        std::optional<int64_t> value;
        int image;
        bool ticked;
    } cases[] = {
        {"one", 1, kImageOnline, true},
        {"zero", 0, kImageInvisible, false},
        {"null", std::nullopt, kImageNone, false},
        {"two", 2, kImageNone, false},
        {"minus one", -1, kImageNone, false},
        {"65537 is not 1", 65537, kImageNone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StatusImage(c.value), c.image);
        EXPECT_EQ(RowTicked(c.value), c.ticked);
    }
}

TEST(AccountRow, ExitAfterLoginKeepsZeroForNullAndTakesStoredValues) {
    EXPECT_EQ(ExitAfterLoginFrom(std::nullopt), 0);
    EXPECT_EQ(ExitAfterLoginFrom(1), 1);
    EXPECT_EQ(ExitAfterLoginFrom(0), 0);
    EXPECT_EQ(ExitAfterLoginFrom(-1), -1);
    EXPECT_EQ(ExitAfterLoginFrom(70000), 0);
}

TEST(RunValue, NameAndDataComeFromTheProgramPathAndTheDataIsQuoted) {
    struct Case {
        const char* path;
        const char* name;
        const char* data;
    } cases[] = {
        {"D:\\QQ Tools\\Kestrin.exe", "Kestrin", "\"D:\\QQ Tools\\Kestrin.exe\""},
        {"C:\\Tools\\Kestrin.exe", "Kestrin", "\"C:\\Tools\\Kestrin.exe\""},
        {"C:\\Program Files\\K\\Kestrin.EXE", "Kestrin", "\"C:\\Program Files\\K\\Kestrin.exe\""},
        {"D:\\a.b\\My.Kestrin.exe", "My.Kestrin", "\"D:\\a.b\\My.Kestrin.exe\""},
        {"C:\\Tools\\Kestrin", "Kestrin", "\"C:\\Tools\\Kestrin.exe\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(RunValueName(c.path), c.name);
        EXPECT_EQ(RunValueData(c.path), c.data);
    }
}

TEST(TrayIcon, OnlyDoubleClickAndRightReleaseActAndOnlyWhileMinimised) {
    struct Case {
        const char* name;
        unsigned message;
        bool minimised;
        TrayAction expected;
    } cases[] = {
        {"double-click minimised", 515, true, TrayAction::Restore},
        {"right release minimised", 517, true, TrayAction::ShowMenu},
        {"double-click visible", 515, false, TrayAction::None},
        {"right release visible", 517, false, TrayAction::None},
        {"mouse move minimised", 512, true, TrayAction::None},
        {"left release minimised", 514, true, TrayAction::None},
        {"right press minimised", 516, true, TrayAction::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecideTrayAction(c.message, c.minimised), c.expected);
    }
}
