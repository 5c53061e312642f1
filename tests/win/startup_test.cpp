// The start-up routine's refusal of a second copy, and the production single-instance guard.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "app/win32_services.h"
#include "tests/win/fake_services.h"
#include "tests/win/test_folder.h"

TEST(Startup, SecondCopyShowsAlreadyRunningWithEmptyTitleAndEndsWithoutAWindow) {
    FakeServices fakes;
    fakes.instance.anotherCopy = true;
    EXPECT_EQ(RunKestrin(GetModuleHandleW(nullptr), fakes.services, SW_SHOW), 0);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, "Kestrin已经在运行中");
    EXPECT_EQ(fakes.messages.shown[0].title, "");
    EXPECT_EQ(fakes.messages.shown[0].style, 0u);  // OK only, no icon
    EXPECT_EQ(fakes.end.exitCodes, std::vector<int>{0});
    EXPECT_TRUE(fakes.downloads.created.empty());  // no window was loaded
    EXPECT_EQ(FindWindowW(nullptr, L"Kestrin V1.4"), nullptr);
}

TEST(Startup, MutexGuardSeesASecondCopyOnlyWhileTheFirstHoldsIt) {
    const wchar_t* name = L"Local\\Kestrin.Tests.SingleInstance";
    {
        MutexInstanceGuard first(name);
        EXPECT_FALSE(first.AnotherCopyRunning());
        EXPECT_FALSE(first.AnotherCopyRunning());  // asking again does not find itself
        MutexInstanceGuard second(name);
        EXPECT_TRUE(second.AnotherCopyRunning());
    }
    MutexInstanceGuard later(name);
    EXPECT_FALSE(later.AnotherCopyRunning());
}

TEST(Startup, EnsureDbFileNeverTouchesAnExistingFile) {
    TestFolder folder;
    std::wstring path = folder.File(L"config.dat");
    ASSERT_TRUE(WriteFileBytes(path, "damaged"));
    ASSERT_TRUE(WriteFileBytes(path + L"-journal", "live log"));
    EnsureDbFile(path);
    EXPECT_EQ(ReadFileBytes(path), "damaged");
    EXPECT_EQ(ReadFileBytes(path + L"-journal"), "live log");
}

// The log of a config.dat deleted meanwhile belongs to that file: set aside, never played into the
// template written in its place.
TEST(Startup, EnsureDbFileSetsAsideALogLeftByAnEarlierFile) {
    TestFolder folder;
    std::wstring path = folder.File(L"config.dat");
    ASSERT_TRUE(WriteFileBytes(path + L"-journal", "live log"));
    EnsureDbFile(path);
    EXPECT_EQ(GetFileAttributesW((path + L"-journal").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(path + L"-journal.unplayed-1"), "live log");
}
