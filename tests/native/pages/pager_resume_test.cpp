// Suspend and Resume: a Pager closed with its cache kept is taken up again only when its file and log
// are exactly as it left them; when anything changed beside it, Resume declines and writes nothing,
// and a fresh open sees the change.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "jet/pages/pager.h"
#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"

namespace jet {
namespace {

using testing::CrashFileSystem;
using testing::CrashLoss;
using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using Bytes = std::vector<uint8_t>;

constexpr char kPath[] = "db/config.dat";
constexpr uint32_t kPages = 4;
const Pager::Options kKeepLog{OpenMode::ReadWrite, true, false};

Bytes Image(uint8_t tag) {
    return Bytes(kPages * kPageSize, tag);
}

// Fills page 1 with `tag` in one transaction.
Status Change(Pager& pager, uint8_t tag) {
    KESTRIN_TRY(pager.Begin());
    auto page = pager.Write(PageNo{1});
    KESTRIN_TRY(page);
    std::fill_n(*page, kPageSize, tag);
    return pager.Commit();
}

Status OpenAndChange(FileSystem& fs, uint8_t tag) {
    auto pager = Pager::Open(fs, kPath, kKeepLog);
    KESTRIN_TRY(pager);
    return Change(**pager, tag);
}

uint8_t FirstByteOfPage1(FileSystem& fs) {
    auto pager = Pager::Open(fs, kPath, {OpenMode::ReadOnly});
    EXPECT_TRUE(pager.ok()) << pager.status().ToString();
    return pager.ok() ? (*pager)->Read(PageNo{1}).value()[0] : 0;
}

// A pager that committed once (its log generation live) and was suspended.
std::unique_ptr<Pager> SuspendedPager(FileSystem& fs) {
    auto pager = Pager::Open(fs, kPath, kKeepLog);
    EXPECT_TRUE(pager.ok()) << pager.status().ToString();
    if (!pager.ok()) return nullptr;
    EXPECT_TRUE(Change(**pager, 0x11).ok());
    EXPECT_TRUE((*pager)->Read(PageNo{2}).ok());
    EXPECT_TRUE((*pager)->Suspend());
    return std::move(*pager);
}

TEST(PagerResume, ResumedPagerReadsFromItsCacheAndCommitsOnDurably) {
    for (uint32_t seed = 0; seed < 20; ++seed) {
        SCOPED_TRACE(seed);
        CrashFileSystem base;
        base.SetFile(kPath, Image(0));
        FaultyFileSystem fs(base);  // counts this process's calls
        std::unique_ptr<Pager> pager = SuspendedPager(fs);
        ASSERT_TRUE(pager);
        EXPECT_FALSE(pager->Read(PageNo{1}).ok());  // closed until resumed
        EXPECT_FALSE(pager->Begin().ok());
        auto resumed = pager->Resume(kKeepLog);
        ASSERT_TRUE(resumed.ok() && *resumed);
        uint64_t calls = fs.CallCount();
        EXPECT_EQ(pager->Read(PageNo{1}).value()[0], 0x11);
        EXPECT_EQ(pager->Read(PageNo{2}).value()[0], 0x00);
        EXPECT_EQ(fs.CallCount(), calls);  // both pages came from the cache
        ASSERT_TRUE(Change(*pager, 0x22).ok());
        ASSERT_TRUE(pager->Suspend());
        pager.reset();
        base.CrashNow();
        base.Restart(seed, CrashLoss::Random);
        EXPECT_EQ(FirstByteOfPage1(base), 0x22);
    }
}

TEST(PagerResume, AnyChangeBesideTheSuspendedPagerMakesResumeDeclineWithoutWriting) {
    struct Case {
        const char* what;
        std::function<void(CrashFileSystem& base, FileSystem& mine)> change;
        uint8_t seenAfter;  // page 1's first byte as a fresh open then sees it
    };
    const Case cases[] = {
        {"another connection of this process committed",
         [](CrashFileSystem&, FileSystem& mine) { ASSERT_TRUE(OpenAndChange(mine, 0x33).ok()); }, 0x33},
        {"another process committed (played the log forward first)",
         [](CrashFileSystem& base, FileSystem&) {
             FaultyFileSystem other(base);
             ASSERT_TRUE(OpenAndChange(other, 0x44).ok());
         },
         0x44},
        {"a program that knows no log wrote the file",
         [](CrashFileSystem&, FileSystem& mine) {
             auto file = mine.Open(kPath, OpenMode::ReadWrite).value();
             Bytes page(kPageSize, 0x55);
             ASSERT_TRUE(file->Write(1 * kPageSize, page.data(), page.size()).ok());
         },
         0x55},
        {"the file was replaced", [](CrashFileSystem& base, FileSystem&) { base.SetFile(kPath, Image(0x66)); }, 0x66},
        {"the log was removed",
         [](CrashFileSystem&, FileSystem& mine) { ASSERT_TRUE(mine.Remove(std::string(kPath) + "-journal").ok()); },
         0x11},
        {"the machine restarted and lost the file's writes",
         [](CrashFileSystem& base, FileSystem&) {
             base.CrashNow();
             base.Restart(1, CrashLoss::DropAll);
         },
         0x11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CrashFileSystem base;
        base.SetFile(kPath, Image(0));
        FaultyFileSystem mine(base);
        std::unique_ptr<Pager> pager = SuspendedPager(mine);
        ASSERT_TRUE(pager);
        c.change(base, mine);
        if (HasFatalFailure()) return;
        Bytes file = base.Contents(kPath).value();
        auto log = base.Contents(std::string(kPath) + "-journal");
        auto resumed = pager->Resume(kKeepLog);
        ASSERT_TRUE(resumed.ok()) << resumed.status().ToString();
        EXPECT_FALSE(*resumed);
        pager.reset();
        EXPECT_EQ(base.Contents(kPath).value(), file);
        EXPECT_EQ(base.Contents(std::string(kPath) + "-journal").ok(), log.ok());
        if (log.ok()) {
            EXPECT_EQ(base.Contents(std::string(kPath) + "-journal").value(), *log);
        }
        EXPECT_EQ(FirstByteOfPage1(mine), c.seenAfter);
    }
}

TEST(PagerResume, WhatCannotBeTakenUpAgainIsNotSuspendedForIt) {
    MemoryFileSystem fs;
    fs.SetFile(kPath, Image(0));
    {  // nothing committed: no live log generation vouches for the file
        auto pager = Pager::Open(fs, kPath, kKeepLog).value();
        ASSERT_TRUE(pager->Read(PageNo{1}).ok());
        EXPECT_FALSE(pager->Suspend());
        EXPECT_FALSE(pager->Resume(kKeepLog).value());
    }
    {  // a checkpoint at close retires the generation
        auto pager = Pager::Open(fs, kPath, {OpenMode::ReadWrite}).value();
        ASSERT_TRUE(Change(*pager, 0x11).ok());
        EXPECT_FALSE(pager->Suspend());
    }
    {  // an open transaction is dropped, not kept
        auto pager = Pager::Open(fs, kPath, kKeepLog).value();
        ASSERT_TRUE(Change(*pager, 0x22).ok());
        ASSERT_TRUE(pager->Begin().ok());
        std::fill_n(pager->Write(PageNo{1}).value(), kPageSize, 0x33);
        EXPECT_FALSE(pager->Suspend());
    }
    EXPECT_EQ(FirstByteOfPage1(fs), 0x22);
    {  // a failed commit
        FaultyFileSystem faulty(fs);
        auto pager = Pager::Open(faulty, kPath, kKeepLog).value();
        ASSERT_TRUE(Change(*pager, 0x44).ok());
        faulty.FailCall(3);
        ASSERT_FALSE(Change(*pager, 0x55).ok());
        EXPECT_FALSE(pager->Suspend());
    }
}

TEST(PagerResume, ResumeWhileAnotherConnectionHoldsTheFileIsLocked) {
    MemoryFileSystem fs;
    fs.SetFile(kPath, Image(0));
    std::unique_ptr<Pager> pager = SuspendedPager(fs);
    ASSERT_TRUE(pager);
    auto reader = Pager::Open(fs, kPath, {OpenMode::ReadOnly});
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ((*reader)->Read(PageNo{1}).value()[0], 0x11);
    auto resumed = pager->Resume(kKeepLog);
    EXPECT_EQ(resumed.code(), ErrorCode::Locked);
    reader.value().reset();
    // The reader left the log as it found it: the suspended Pager still vouches for the file.
    EXPECT_TRUE(pager->Resume(kKeepLog).value());
}

}  // namespace
}  // namespace jet
