#include "login/login_text.h"

#include <gtest/gtest.h>

TEST(FormatTimeText, HourHasNoLeadingZeroAndEveryOtherPartIsPadded) {
    struct Case {
        const char* name;
        LocalTime time;
        const char* text;
    } cases[] = {
        {"morning", {2008, 3, 5, 9, 7, 3}, "2008-03-05 9:07:03"},
        {"midnight", {2026, 1, 1, 0, 0, 0}, "2026-01-01 0:00:00"},
        {"evening", {2026, 12, 31, 23, 59, 59}, "2026-12-31 23:59:59"},
        {"ten o'clock keeps both digits", {2026, 10, 10, 10, 10, 10}, "2026-10-10 10:10:10"},
        {"a leap day", {2000, 2, 29, 12, 5, 9}, "2000-02-29 12:05:09"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatTimeText(c.time), c.text);
    }
}

TEST(LoginCommandLine, PathStaysUnquotedAndThePiecesFollowWithoutExtraCharacters) {
    struct Case {
        const char* name;
        const char* path;
        const char* stat;
        const char* line;
    } cases[] = {
        {"online", "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe", "1",
         "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe /START QQUIN:10001 PWDHASH:kAFQmDzST7DWlj99KOF/cg== /STAT:41"},
        {"invisible", "D:\\QQ\\QQ.exe", "0",
         "D:\\QQ\\QQ.exe /START QQUIN:10001 PWDHASH:kAFQmDzST7DWlj99KOF/cg== /STAT:40"},
        {"Chinese folder", "D:\\软件 QQ\\QQ.exe", "1",
         "D:\\软件 QQ\\QQ.exe /START QQUIN:10001 PWDHASH:kAFQmDzST7DWlj99KOF/cg== /STAT:41"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoginCommandLine(c.path, "10001", "kAFQmDzST7DWlj99KOF/cg", c.stat), c.line);
    }
}
