#include "update/version_file.h"

#include <gtest/gtest.h>

#include "update/update_notice.h"

TEST(SplitVersionLines, LinesEndAtCrLfOrALoneCrButNotALoneLf) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"one line without an end", "V1.5", {"V1.5"}},
        {"one ended line", "V1.5\r\n", {"V1.5"}},
        {"lone CR ends a line", "V1.5\rnote", {"V1.5", "note"}},
        {"lone LF stays in the line", "V1.5\nnote", {"V1.5\nnote"}},
        {"empty first line", "\r\nnote\r\n", {"", "note"}},
        {"trailing empty line", "V1.5\r\n\r\n", {"V1.5", ""}},
        {"CR CR LF is two lines", "a\r\r\nb", {"a", "", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitVersionLines(c.bytes), c.lines);
    }
}

TEST(SplitVersionLines, ConvertsFromTheAnsiCodePage) {
    // "版本" in code page 936.
    EXPECT_EQ(SplitVersionLines("\xb0\xe6\xb1\xbe\r\n"), std::vector<std::string>{"版本"});
}

TEST(SplitVersionLines, CutsLongLinesAndRefusesLongFiles) {
    std::string longLine(kMaxVersionLineBytes + 10, 'x');
    std::vector<std::string> lines = SplitVersionLines("V1.5\r\n" + longLine + "\r\nend");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].size(), kMaxVersionLineBytes);
    EXPECT_EQ(lines[2], "end");
    EXPECT_TRUE(SplitVersionLines(std::string(kMaxVersionFileBytes + 1, 'a')).empty());
}

TEST(CheckVersionBytes, ComparesTheFirstLineExactly) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes;
        VersionCheck result;
        const char* newest;
    };
    const Case cases[] = {
        {"same version", std::string("V1.4\r\nnotes\r\n"), kVersionSame, "V1.4"},
        {"newer version", std::string("V1.5\r\n"), kVersionDifferent, "V1.5"},
        {"older version is offered too", std::string("V1.3"), kVersionDifferent, "V1.3"},
        {"letter case counts", std::string("v1.4\r\n"), kVersionDifferent, "v1.4"},
        {"a trailing blank counts", std::string("V1.4 \r\n"), kVersionDifferent, "V1.4 "},
        {"a lone LF is part of the line", std::string("V1.4\nx"), kVersionDifferent, "V1.4\nx"},
        {"empty first line", std::string("\r\nV1.5\r\n"), kVersionUnreadable, ""},
        {"missing file", std::nullopt, kVersionUnreadable, "old"},
        {"too long a file", std::string(kMaxVersionFileBytes + 1, 'V'), kVersionUnreadable, "old"},
        {"too long a first line", std::string(kMaxVersionLineBytes + 1, 'V'), kVersionUnreadable, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string newest = "old";
        EXPECT_EQ(CheckVersionBytes(c.bytes, "V1.4", newest), c.result);
        EXPECT_EQ(newest, c.newest);
    }
}

TEST(CheckVersionBytes, AnEmptyFileKeepsTheLastVersionAndItsAnswer) {
    std::string newest;
    EXPECT_EQ(CheckVersionBytes(std::string(), "V1.4", newest), kVersionUnreadable);
    EXPECT_EQ(newest, "");
    newest = "V1.5";
    EXPECT_EQ(CheckVersionBytes(std::string(), "V1.4", newest), kVersionDifferent);
    newest = "V1.4";
    EXPECT_EQ(CheckVersionBytes(std::string(), "V1.4", newest), kVersionSame);
}

TEST(ReleaseNoteListLines, FramesTheNotesWithTheVersionHeadingAndAnEmptyLine) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"one line", "V1.5\r\n", {"new: V1.5", "notes:", ""}},
        {"notes kept unchanged", "V1.5\r\n  fixed a\r\n\r\nb", {"new: V1.5", "notes:", "  fixed a", "", "b", ""}},
        {"empty file", "", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReleaseNoteListLines(c.bytes, "new: ", "notes:"), c.shown);
    }
}

TEST(NoticeFor, OnlyUserStartedChecksReportFailuresAndNoUpdate) {
    struct Case {
        VersionCheck result;
        int16_t source;
        UpdateNotice notice;
    };
    const Case cases[] = {
        {kVersionUnreadable, 0, UpdateNotice::kNone},         {kVersionUnreadable, 1, UpdateNotice::kNetworkError},
        {kVersionUnreadable, 2, UpdateNotice::kNetworkError}, {kVersionSame, 0, UpdateNotice::kNone},
        {kVersionSame, 1, UpdateNotice::kNoUpdate},           {kVersionSame, 2, UpdateNotice::kNoUpdate},
        {kVersionDifferent, 0, UpdateNotice::kOffer},         {kVersionDifferent, 1, UpdateNotice::kOffer},
        {kVersionDifferent, 2, UpdateNotice::kOffer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.result << "/" << c.source);
        EXPECT_EQ(NoticeFor(c.result, c.source), c.notice);
    }
}
