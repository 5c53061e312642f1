// The crash and fault twins model what they promise: the loops of every layer trust them.

#include <gtest/gtest.h>

#include <vector>

#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"

namespace jet::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Status WriteAll(FileIo& file, const Bytes& bytes) {
    return file.Write(0, bytes.data(), bytes.size());
}

TEST(CrashFileSystem, RestartKeepsExactlySyncedBytesAndNamesUnderDropAllAndEverythingUnderKeepAll) {
    struct Case {
        const char* name;
        CrashLoss loss;
        bool syncedFileHasNewBytes;
        bool unsyncedNameSurvives;
        bool removedNameReturns;
    } cases[] = {
        {"drop all", CrashLoss::DropAll, false, false, true},
        {"keep all", CrashLoss::KeepAll, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CrashFileSystem fs;
        fs.SetFile("d/old", Bytes(8, 1));
        fs.SetFile("d/gone", Bytes(8, 2));
        {
            auto old = fs.Open("d/old", OpenMode::ReadWrite);
            ASSERT_TRUE(old.ok());
            ASSERT_TRUE(WriteAll(**old, Bytes(8, 3)).ok());
            auto created = fs.Open("d/new", OpenMode::CreateNew);
            ASSERT_TRUE(created.ok());
            ASSERT_TRUE(WriteAll(**created, Bytes(4, 4)).ok());
            ASSERT_TRUE((*created)->Sync().ok());  // the bytes, not the name
            ASSERT_TRUE(fs.Remove("d/gone").ok());
            fs.CrashNow();
            EXPECT_EQ((*old)->Sync().code(), ErrorCode::Io);
        }
        fs.Restart(1, c.loss);
        EXPECT_EQ(fs.Contents("d/old").value(), Bytes(8, c.syncedFileHasNewBytes ? 3 : 1));
        EXPECT_EQ(fs.Exists("d/new").value(), c.unsyncedNameSurvives);
        if (c.unsyncedNameSurvives) {
            EXPECT_EQ(fs.Contents("d/new").value(), Bytes(4, 4));
        }
        EXPECT_EQ(fs.Exists("d/gone").value(), c.removedNameReturns);
    }
}

TEST(CrashFileSystem, CrashAtSyncFailsThatSyncAndEveryLaterCallUntilRestart) {
    CrashFileSystem fs;
    fs.SetFile("f", Bytes(4, 0));
    auto file = fs.Open("f", OpenMode::ReadWrite);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE((*file)->Lock(LockMode::Exclusive).ok());
    fs.CrashAtSync(2);
    ASSERT_TRUE(WriteAll(**file, Bytes(4, 1)).ok());
    ASSERT_TRUE((*file)->Sync().ok());
    EXPECT_FALSE(fs.Crashed());
    ASSERT_TRUE(WriteAll(**file, Bytes(4, 2)).ok());
    EXPECT_EQ(fs.SyncFolderOf("f").code(), ErrorCode::Io);
    EXPECT_TRUE(fs.Crashed());
    EXPECT_EQ(fs.Open("f", OpenMode::ReadOnly).code(), ErrorCode::Io);
    Bytes read(4);
    EXPECT_EQ((*file)->Read(0, read.data(), 4).code(), ErrorCode::Io);

    fs.Restart(7, CrashLoss::DropAll);
    EXPECT_EQ(fs.Contents("f").value(), Bytes(4, 1));
    EXPECT_EQ((*file)->Read(0, read.data(), 4).code(), ErrorCode::Io);  // opened before the crash
    auto reopened = fs.Open("f", OpenMode::ReadWrite);
    ASSERT_TRUE(reopened.ok());
    EXPECT_TRUE((*reopened)->Lock(LockMode::Exclusive).ok());  // the dead process's lock is gone
}

TEST(CrashFileSystem, TornWritesLandWholeSectorsOnly) {
    for (uint32_t seed = 0; seed < 50; ++seed) {
        SCOPED_TRACE(seed);
        CrashFileSystem fs;
        fs.SetFile("f", Bytes(4096, 0));
        auto file = fs.Open("f", OpenMode::ReadWrite);
        ASSERT_TRUE(file.ok());
        ASSERT_TRUE(WriteAll(**file, Bytes(4096, 0xFF)).ok());
        fs.CrashNow();
        fs.Restart(seed);
        Bytes after = fs.Contents("f").value();
        ASSERT_EQ(after.size(), 4096u);
        for (size_t sector = 0; sector < 8; ++sector) {
            for (size_t i = 1; i < 512; ++i) ASSERT_EQ(after[sector * 512 + i], after[sector * 512]);
        }
    }
}

TEST(FaultyFileSystem, FailsExactlyTheChosenCallOrEveryCallFromIt) {
    struct Case {
        const char* name;
        bool persistent;
        ErrorCode fourthCall;
    } cases[] = {{"once", false, ErrorCode::Ok}, {"persistent", true, ErrorCode::Io}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem base;
        FaultyFileSystem fs(base);
        auto file = fs.Open("f", OpenMode::CreateNew);  // call 1
        ASSERT_TRUE(file.ok());
        fs.FailCall(2, c.persistent);
        EXPECT_TRUE(WriteAll(**file, Bytes(3, 9)).ok());                 // call 2
        EXPECT_EQ(WriteAll(**file, Bytes(5, 9)).code(), ErrorCode::Io);  // call 3
        EXPECT_TRUE(fs.Triggered());
        EXPECT_EQ((*file)->Size().code(), c.fourthCall);
        EXPECT_EQ(base.Contents("f").value().size(), 3u);  // the failed write did nothing
        EXPECT_EQ(fs.CallCount(), 4u);
    }
}

}  // namespace
}  // namespace jet::testing
