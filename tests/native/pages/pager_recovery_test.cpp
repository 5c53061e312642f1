// The Pager's promise under failure: a commit interrupted by an I/O error at any call, or by a crash
// at any sync with unsynced writes dropped, kept or torn, leaves a file that reopens as exactly the
// image before the transaction or exactly the image after it; after a commit that returned, always
// the image after it.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "jet/pages/pager.h"
#include "jet/pages/redo_log.h"
#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"
#include "tests/native/temp_folder.h"

namespace jet {
namespace {

using testing::CrashFileSystem;
using testing::CrashLoss;
using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kBeforePages = 6;
constexpr uint32_t kChangedPages[] = {1, 3, 5};
constexpr uint32_t kAppendedPages = 2;

void FillPage(uint8_t* page, uint32_t index, uint8_t tag) {
    for (size_t i = 0; i < kPageSize; ++i) page[i] = uint8_t(tag + index * 7 + i % 251);
}

Bytes BeforeImage() {
    Bytes image(kBeforePages * kPageSize);
    for (uint32_t index = 0; index < kBeforePages; ++index) FillPage(&image[index * kPageSize], index, 0x10);
    return image;
}

Bytes AfterImage() {
    Bytes image = BeforeImage();
    image.resize((kBeforePages + kAppendedPages) * kPageSize);
    for (uint32_t index : kChangedPages) FillPage(&image[index * kPageSize], index, 0x80);
    for (uint32_t index = kBeforePages; index < kBeforePages + kAppendedPages; ++index) {
        FillPage(&image[index * kPageSize], index, 0xC0);
    }
    return image;
}

// The transaction under test: changes pages spread over the file and grows it.
Status OpenChangeCommit(FileSystem& fs, const std::string& path) {
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
    KESTRIN_TRY(pager);
    KESTRIN_TRY((*pager)->Begin());
    for (uint32_t index : kChangedPages) {
        auto page = (*pager)->Write(PageNo{index});
        KESTRIN_TRY(page);
        FillPage(*page, index, 0x80);
    }
    for (uint32_t i = 0; i < kAppendedPages; ++i) {
        auto appended = (*pager)->Append();
        KESTRIN_TRY(appended);
        auto page = (*pager)->Write(*appended);
        KESTRIN_TRY(page);
        FillPage(*page, ToIndex(*appended), 0xC0);
    }
    return (*pager)->Commit();
}

Bytes ReadWholeFile(FileSystem& fs, const std::string& path) {
    auto file = fs.Open(path, OpenMode::ReadOnly);
    EXPECT_TRUE(file.ok());
    if (!file.ok()) return {};
    Bytes bytes(size_t((*file)->Size().value()));
    EXPECT_TRUE((*file)->Read(0, bytes.data(), bytes.size()).ok());
    return bytes;
}

void WriteWholeFile(FileSystem& fs, const std::string& path, const Bytes& bytes) {
    auto file = fs.Open(path, OpenMode::CreateOrTruncate);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE((*file)->Write(0, bytes.data(), bytes.size()).ok());
}

// True when no log beside `path` holds live transactions: none, or one with no valid slot.
bool NoLiveLog(FileSystem& fs, const std::string& path) {
    auto log = fs.Open(path + "-journal", OpenMode::ReadOnly);
    if (!log.ok()) return log.code() == ErrorCode::NotFound;
    if ((*log)->Size().value() < kLogFramesStart) return true;
    Bytes slots(kLogFramesStart);
    EXPECT_TRUE((*log)->Read(0, slots.data(), slots.size()).ok());
    return !DecodeLogSlot(&slots[0]) && !DecodeLogSlot(&slots[kLogSlotSize]);
}

// Reopens for writing (which completes the file from the log), closes (a checkpoint), and checks the
// image bit for bit: the image after the transaction when `committed`, else either.
void ExpectBeforeOrAfterImage(FileSystem& fs, const std::string& path, bool committed = false) {
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
    ASSERT_TRUE(pager.ok()) << pager.status().ToString();
    pager.value().reset();
    Bytes image = ReadWholeFile(fs, path);
    EXPECT_TRUE(image == AfterImage() || (!committed && image == BeforeImage()))
        << "file of " << image.size() << " bytes is not the expected image";
    EXPECT_TRUE(NoLiveLog(fs, path));
}

void RunFaultLoop(FileSystem& base, const std::string& path, bool persistent) {
    uint64_t n = 1;
    for (;; ++n) {
        SCOPED_TRACE(n);
        WriteWholeFile(base, path, BeforeImage());
        FaultyFileSystem fs(base);
        fs.FailCall(n, persistent);
        Status status = OpenChangeCommit(fs, path);
        if (!fs.Triggered()) {
            ASSERT_TRUE(status.ok()) << status.ToString();
            EXPECT_EQ(ReadWholeFile(base, path), AfterImage());
            break;
        }
        // A failure in the checkpoint at close comes after the commit returned.
        ExpectBeforeOrAfterImage(base, path, status.ok());
    }
    EXPECT_GT(n, 10u);  // the loop reached past the log, the pages and the checkpoint
}

TEST(Pager, FailedCallAtAnyPointOfACommitLeavesBeforeOrAfterImage) {
    struct Case {
        const char* name;
        bool persistent;
    } cases[] = {{"one call fails", false}, {"every call fails from then on", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem memory;
        RunFaultLoop(memory, "db/config.dat", c.persistent);
        TempFolder folder;
        RunFaultLoop(NativeFileSystem(), folder.File("config.dat"), c.persistent);
    }
}

// The transaction of OpenChangeCommit, committed and closed without a checkpoint.
Status CommitKeepingLog(FileSystem& fs, const std::string& path) {
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite, true, false});
    KESTRIN_TRY(pager);
    KESTRIN_TRY((*pager)->Begin());
    for (uint32_t index : kChangedPages) FillPage((*pager)->Write(PageNo{index}).value(), index, 0x80);
    for (uint32_t i = 0; i < kAppendedPages; ++i) {
        PageNo appended = (*pager)->Append().value();
        FillPage((*pager)->Write(appended).value(), ToIndex(appended), 0xC0);
    }
    return (*pager)->Commit();
}

// A committed transaction whose file writes a crash then dropped or tore: only the log holds it.
void LeaveLiveLog(CrashFileSystem& fs, const std::string& path, uint32_t seed) {
    fs.SetFile(path, BeforeImage());
    ASSERT_TRUE(CommitKeepingLog(fs, path).ok());
    fs.CrashNow();
    fs.Restart(seed, CrashLoss::Random);
    ASSERT_FALSE(NoLiveLog(fs, path));
}

TEST(Pager, FailedCallWhilePlayingTheLogForwardStillRecoversOnTheNextOpen) {
    const std::string path = "db/config.dat";
    for (uint64_t n = 1;; ++n) {
        SCOPED_TRACE(n);
        CrashFileSystem base;
        LeaveLiveLog(base, path, uint32_t(n));
        FaultyFileSystem fs(base);
        fs.FailCall(n);
        auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
        bool triggered = fs.Triggered();
        pager = Status(ErrorCode::Io, "closed");
        ExpectBeforeOrAfterImage(base, path, true);
        if (!triggered) break;
    }
}

TEST(Pager, CrashAtAnySyncOfACommitLeavesBeforeOrAfterImageBitForBit) {
    const std::string path = "db/config.dat";
    struct Case {
        const char* name;
        CrashLoss loss;
        uint32_t seeds;
    } cases[] = {
        {"unsynced writes dropped", CrashLoss::DropAll, 1},
        {"unsynced writes kept", CrashLoss::KeepAll, 1},
        {"unsynced writes kept, dropped or torn at random", CrashLoss::Random, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint64_t sync = 1;
        for (bool crashed = true; crashed; ++sync) {
            for (uint32_t seed = 0; seed < c.seeds; ++seed) {
                SCOPED_TRACE(::testing::Message() << "sync " << sync << " seed " << seed);
                CrashFileSystem fs;
                fs.SetFile(path, BeforeImage());
                fs.CrashAtSync(sync);
                Status status = CommitKeepingLog(fs, path);
                crashed = fs.Crashed();
                if (!crashed) {
                    // Commit returned: the change must now survive any crash, whatever is lost.
                    ASSERT_TRUE(status.ok()) << status.ToString();
                    fs.CrashNow();
                    fs.Restart(seed, c.loss);
                    ASSERT_TRUE(Pager::Open(fs, path, {OpenMode::ReadWrite}).ok());
                    ASSERT_EQ(fs.Contents(path).value(), AfterImage());
                    break;
                }
                EXPECT_FALSE(status.ok());
                fs.Restart(seed, c.loss);
                // Crash again while playing the log forward, at a sync the seed picks (0: none).
                fs.CrashAtSync(seed % 4);
                (void)Pager::Open(fs, path, {OpenMode::ReadWrite});
                if (fs.Crashed()) fs.Restart(seed + 1000, c.loss);
                fs.CrashAtSync(0);
                ExpectBeforeOrAfterImage(fs, path);
            }
        }
        EXPECT_EQ(sync, 4u);  // crashed at the log's sync and its folder's (the log is created), then none
    }
}

// A rollback journal of an earlier, never released format (here one whose play-back would have
// cut the file to 0 pages) is no log of ours: a reader ignores it, a writer sets it aside, and the
// file stays as it is.
TEST(Pager, JournalOfTheEarlierFormatIsSetAsideAndTheFileUntouched) {
    const std::string path = "db/config.dat";
    const Bytes journal = {0x4B, 0x4A, 0x52, 0x4E, 0x4C, 0x00, 0x00, 0x02, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4E, 0x49, 0x52, 0x54,
                           0x53, 0x45, 0x4B, 0x00, 0x85, 0x8B, 0xF0, 0x42, 0xD6, 0xB3, 0x6E, 0x5D, 0x8F, 0x43,
                           0x5B, 0xC8, 0x82, 0xAD, 0xFA, 0x5F, 0x92, 0xB5, 0x90, 0x73, 0xF8, 0xAD, 0x95, 0xE9};
    for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
        CrashFileSystem fs;
        fs.SetFile(path, BeforeImage());
        fs.SetFile(path + "-journal", journal);
        auto pager = Pager::Open(fs, path, {mode});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        EXPECT_EQ((*pager)->PageCount(), kBeforePages);
        pager.value().reset();
        EXPECT_EQ(fs.Contents(path).value(), BeforeImage());
        bool writer = mode == OpenMode::ReadWrite;
        EXPECT_EQ(fs.Exists(path + "-journal").value(), !writer);
        EXPECT_EQ(fs.Contents(path + (writer ? "-journal.unplayed-1" : "-journal")).value(), journal);
    }
}

// A transaction that grew a small file a lot, committed, then a power cut that lost the file's
// writes, and another crash while the log is played forward: the next open still finishes the job.
TEST(Pager, CrashWhilePlayingForwardATransactionThatGrewTheFileStillRecovers) {
    const std::string path = "db/config.dat";
    constexpr uint32_t kAppended = 8;
    for (uint32_t seed = 0; seed < 200; ++seed) {
        SCOPED_TRACE(seed);
        CrashFileSystem fs;
        fs.SetFile(path, Bytes(kPageSize, 0x11));
        {
            auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite, true, false});
            ASSERT_TRUE(pager.ok() && (*pager)->Begin().ok());
            std::memset((*pager)->Write(PageNo{0}).value(), 0x22, kPageSize);
            for (uint32_t i = 0; i < kAppended; ++i) {
                PageNo page = (*pager)->Append().value();
                std::memset((*pager)->Write(page).value(), 0x30 + int(i), kPageSize);
            }
            ASSERT_TRUE((*pager)->Commit().ok());
        }
        fs.CrashNow();
        fs.Restart(seed);
        fs.CrashAtSync(1 + seed % 2);  // the file's sync or the log's retirement
        (void)Pager::Open(fs, path, {OpenMode::ReadWrite});
        if (fs.Crashed()) fs.Restart(seed + 100);
        auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
        ASSERT_TRUE(pager.ok());
        ASSERT_EQ((*pager)->PageCount(), 1 + kAppended);
        EXPECT_EQ((*pager)->Read(PageNo{0}).value()[100], 0x22);
        EXPECT_EQ((*pager)->Read(PageNo{kAppended}).value()[100], 0x30 + int(kAppended) - 1);
    }
}

// The reader must not write, so it reads the committed pages a crash left only in the log through
// it; it sees the whole image after the transaction.
TEST(Pager, ReaderSeesTheCommittedImageThroughALiveLogAndWritesNothing) {
    const std::string path = "db/config.dat";
    int fileLacked = 0;
    for (uint32_t seed = 0; seed < 40; ++seed) {
        SCOPED_TRACE(seed);
        CrashFileSystem fs;
        LeaveLiveLog(fs, path, seed);
        Bytes onDisk = fs.Contents(path).value();
        Bytes log = fs.Contents(path + "-journal").value();
        auto pager = Pager::Open(fs, path, {OpenMode::ReadOnly});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        Bytes seen;
        for (uint32_t index = 0; index < (*pager)->PageCount(); ++index) {
            const uint8_t* page = (*pager)->Read(PageNo{index}).value();
            seen.insert(seen.end(), page, page + kPageSize);
        }
        EXPECT_EQ(seen, AfterImage());
        fileLacked += onDisk != AfterImage();
        pager.value().reset();
        EXPECT_EQ(fs.Contents(path).value(), onDisk);
        EXPECT_EQ(fs.Contents(path + "-journal").value(), log);
    }
    EXPECT_GT(fileLacked, 0);  // some seeds lost or tore the file's writes, and the log covered them
}

// Transaction `round` of a sequence that always changes the same pages.
Status CommitRound(FileSystem& fs, const std::string& path, uint8_t round, bool checkpointOnClose = false) {
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite, true, checkpointOnClose});
    KESTRIN_TRY(pager);
    KESTRIN_TRY((*pager)->Begin());
    for (uint32_t index : kChangedPages) {
        auto page = (*pager)->Write(PageNo{index});
        KESTRIN_TRY(page);
        FillPage(*page, index, uint8_t(0x20 * round));
    }
    return (*pager)->Commit();
}

Bytes RoundImage(uint8_t round) {
    Bytes image = BeforeImage();
    if (round == 0) return image;
    for (uint32_t index : kChangedPages) FillPage(&image[index * kPageSize], index, uint8_t(0x20 * round));
    return image;
}

// Several commits live in one generation of the log, each by its own connection. A power cut during
// the third, or just after it, loses any of the file's writes: the log gives back the second or the
// third (after it returned, only the third), never a mix and never an older one.
TEST(Pager, SeveralLiveCommitsSurviveACrashDuringOrAfterTheLast) {
    const std::string path = "db/config.dat";
    int sawPrevious = 0, sawNew = 0;
    for (bool during : {true, false}) {
        for (uint32_t seed = 0; seed < 150; ++seed) {
            SCOPED_TRACE(::testing::Message() << (during ? "during" : "after") << " seed " << seed);
            CrashFileSystem fs;
            fs.SetFile(path, BeforeImage());
            ASSERT_TRUE(CommitRound(fs, path, 1).ok());
            ASSERT_TRUE(CommitRound(fs, path, 2).ok());
            if (during) fs.CrashAtSync(1);
            Status third = CommitRound(fs, path, 3);
            ASSERT_EQ(fs.Crashed(), during) << third.ToString();
            if (!during) fs.CrashNow();
            fs.Restart(seed, CrashLoss::Random);
            auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
            ASSERT_TRUE(pager.ok()) << pager.status().ToString();
            pager.value().reset();
            Bytes image = fs.Contents(path).value();
            if (!during) {
                EXPECT_EQ(image, RoundImage(3));
            } else {
                EXPECT_TRUE(image == RoundImage(2) || image == RoundImage(3));
            }
            sawPrevious += image == RoundImage(2);
            sawNew += image == RoundImage(3);
            EXPECT_TRUE(NoLiveLog(fs, path));
        }
    }
    EXPECT_GT(sawPrevious, 0);
    EXPECT_GT(sawNew, 0);
}

// A commit costs one sync (the first also syncs the folder that gains the log); opening over a live
// log that the file matches writes and syncs nothing; a checkpoint costs two; and a long run of
// commits checkpoints on its own, so the log stays bounded.
TEST(Pager, CommitsCostOneSyncAndTheLogIsCheckpointedWhenItGrows) {
    const std::string path = "db/config.dat";
    CrashFileSystem fs;
    fs.SetFile(path, BeforeImage());
    uint64_t syncs = fs.SyncCount();
    std::vector<uint64_t> perCommit;
    for (uint8_t round = 1; round <= 3; ++round) {
        ASSERT_TRUE(CommitRound(fs, path, round).ok());
        perCommit.push_back(fs.SyncCount() - syncs);
        syncs = fs.SyncCount();
        EXPECT_FALSE(NoLiveLog(fs, path));
    }
    EXPECT_EQ(perCommit, (std::vector<uint64_t>{2, 1, 1}));
    Bytes file = fs.Contents(path).value();
    Bytes log = fs.Contents(path + "-journal").value();
    {
        auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite, true, false});
        ASSERT_TRUE(pager.ok());
        EXPECT_EQ(fs.SyncCount(), syncs);
        EXPECT_EQ(fs.Contents(path).value(), file);
        EXPECT_EQ(fs.Contents(path + "-journal").value(), log);
        ASSERT_TRUE((*pager)->Checkpoint().ok());
        EXPECT_EQ(fs.SyncCount(), syncs + 2);
        EXPECT_TRUE(NoLiveLog(fs, path));
    }
    // After the checkpoint the file stands alone, even if the log vanished.
    fs.CrashNow();
    fs.Restart(1, CrashLoss::DropAll);
    ASSERT_TRUE(fs.Remove(path + "-journal").ok());
    EXPECT_EQ(fs.Contents(path).value(), RoundImage(3));

    uint64_t longest = 0;
    for (int round = 0; round < 450; ++round) {  // 5.5 MB of frames: past the 4 MB a generation holds
        ASSERT_TRUE(CommitRound(fs, path, uint8_t(round)).ok());
        longest = std::max<uint64_t>(longest, fs.Contents(path + "-journal").value().size());
    }
    // 4 MB of frames, and the 1 MB of zeros the log file grows by ahead of them.
    EXPECT_LT(longest, kLogFramesStart + (uint64_t(5) << 20) + 4 * kLogFrameSize);
    EXPECT_GT(longest, uint64_t(3) << 20);
    ASSERT_TRUE(CommitRound(fs, path, 7, true).ok());
    EXPECT_TRUE(NoLiveLog(fs, path));
    EXPECT_EQ(fs.Contents(path).value(), RoundImage(7));
}

// A crash at any sync of a checkpoint (taken by the close after the last of many commits) keeps the
// last committed image.
TEST(Pager, CrashDuringACheckpointKeepsTheCommittedImage) {
    const std::string path = "db/config.dat";
    for (uint64_t sync = 1; sync <= 2; ++sync) {
        for (uint32_t seed = 0; seed < 40; ++seed) {
            SCOPED_TRACE(::testing::Message() << "sync " << sync << " seed " << seed);
            CrashFileSystem fs;
            fs.SetFile(path, BeforeImage());
            for (uint8_t round = 1; round <= 4; ++round) ASSERT_TRUE(CommitRound(fs, path, round).ok());
            {
                auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite, true, false});
                ASSERT_TRUE(pager.ok());
                fs.CrashAtSync(sync);
                EXPECT_FALSE((*pager)->Checkpoint().ok());
            }
            fs.Restart(seed, CrashLoss::Random);
            auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
            ASSERT_TRUE(pager.ok()) << pager.status().ToString();
            pager.value().reset();
            EXPECT_EQ(fs.Contents(path).value(), RoundImage(4));
        }
    }
}

// A retired log is never played forward: not beside its own file, not beside a different file that
// took its place (another size, other bytes), and readers do not read through it. A log whose slots
// are neither valid nor zero (never synced, or not ours) is ignored by a reader and set aside by a writer.
TEST(Pager, RetiredOrBrokenLogIsIgnoredBesideItsOwnFileAndBesideAnyOther) {
    const std::string path = "db/config.dat";
    struct Case {
        const char* name;
        Bytes file;
        OpenMode mode;
        bool breakSlots;
    } cases[] = {
        {"own file, writer", AfterImage(), OpenMode::ReadWrite, false},
        {"own file, reader", AfterImage(), OpenMode::ReadOnly, false},
        {"shorter other file, writer", Bytes(2 * kPageSize, 0x5A), OpenMode::ReadWrite, false},
        {"longer other file, reader", Bytes(12 * kPageSize, 0xA5), OpenMode::ReadOnly, false},
        {"broken slots, reader", BeforeImage(), OpenMode::ReadOnly, true},
        {"broken slots, writer", BeforeImage(), OpenMode::ReadWrite, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CrashFileSystem fs;
        fs.SetFile(path, BeforeImage());
        ASSERT_TRUE(OpenChangeCommit(fs, path).ok());  // closes with a checkpoint
        Bytes log = fs.Contents(path + "-journal").value();
        ASSERT_EQ(log.size(), kLogFramesStart);  // cut back to its front when closed
        ASSERT_TRUE(NoLiveLog(fs, path));
        if (c.breakSlots) {
            log[5] = 0x77;
            log[kLogSlotSize + 9] = 0x77;
            fs.SetFile(path + "-journal", log);
        }
        fs.SetFile(path, c.file);
        auto pager = Pager::Open(fs, path, {c.mode});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        EXPECT_EQ((*pager)->PageCount(), c.file.size() / kPageSize);
        EXPECT_EQ((*pager)->Read(PageNo{1}).value()[0], c.file[kPageSize]);
        pager.value().reset();
        EXPECT_EQ(fs.Contents(path).value(), c.file);
        bool setAside = c.breakSlots && c.mode == OpenMode::ReadWrite;
        EXPECT_EQ(fs.Exists(path + "-journal").value(), !setAside);
        EXPECT_EQ(fs.Contents(path + (setAside ? "-journal.unplayed-1" : "-journal")).value(), log);
    }
}

// A file longer than the live log's last transaction made it cannot be the one the log was written
// for (the file never shrinks, and its writes follow the log's): the log is not played into it.
TEST(Pager, LiveLogIsNotPlayedIntoALongerFileThatTookItsPlace) {
    const std::string path = "db/config.dat";
    for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
        CrashFileSystem fs;
        fs.SetFile(path, BeforeImage());
        ASSERT_TRUE(CommitKeepingLog(fs, path).ok());
        fs.CrashNow();
        fs.Restart(0, CrashLoss::KeepAll);
        Bytes other(12 * kPageSize, 0xA5);
        fs.SetFile(path, other);
        auto pager = Pager::Open(fs, path, {mode});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        EXPECT_EQ((*pager)->PageCount(), 12u);
        EXPECT_EQ((*pager)->Read(PageNo{1}).value()[0], 0xA5);
        pager.value().reset();
        EXPECT_EQ(fs.Contents(path).value(), other);
    }
}

// A live log is played only into the file state it was written against. An older copy of the file
// put back (it lacks a change checkpointed before the log's generation began) or another file of
// the same size gets the log set aside, unplayed and kept, and opens as it is.
TEST(Pager, LiveLogIsSetAsideBesideAnOlderCopyOrAnotherFileOfTheSameSize) {
    const std::string path = "db/config.dat";
    Bytes older = BeforeImage();
    Bytes other = BeforeImage();
    other[2 * kPageSize + 9] ^= 1;
    for (const Bytes* put : {&older, &other}) {
        for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
            CrashFileSystem fs;
            fs.SetFile(path, BeforeImage());
            {  // a change to page 2, checkpointed: the state the log's generation begins from
                auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
                ASSERT_TRUE(pager.ok() && (*pager)->Begin().ok());
                (*pager)->Write(PageNo{2}).value()[9] ^= 0x55;
                ASSERT_TRUE((*pager)->Commit().ok());
            }
            ASSERT_TRUE(CommitKeepingLog(fs, path).ok());
            fs.CrashNow();
            fs.Restart(0, CrashLoss::DropAll);
            Bytes log = fs.Contents(path + "-journal").value();
            fs.SetFile(path, *put);
            auto pager = Pager::Open(fs, path, {mode});
            ASSERT_TRUE(pager.ok()) << pager.status().ToString();
            EXPECT_EQ((*pager)->PageCount(), kBeforePages);
            EXPECT_EQ((*pager)->Read(PageNo{1}).value()[0], (*put)[kPageSize]);
            pager.value().reset();
            EXPECT_EQ(fs.Contents(path).value(), *put);
            bool writer = mode == OpenMode::ReadWrite;
            EXPECT_EQ(fs.Contents(path + (writer ? "-journal.unplayed-1" : "-journal")).value(), log);
        }
    }
}

// A log of our own whose last transaction claims a page count far past the pages its frames write
// (checksums mended): that transaction is not played, and the file does not grow.
TEST(Pager, CraftedCommitPageCountNeverGrowsTheFile) {
    const std::string path = "db/config.dat";
    CrashFileSystem fs;
    fs.SetFile(path, BeforeImage());
    ASSERT_TRUE(CommitRound(fs, path, 1).ok());
    ASSERT_TRUE(CommitRound(fs, path, 2).ok());
    fs.CrashNow();
    fs.Restart(0, CrashLoss::DropAll);
    Bytes log = fs.Contents(path + "-journal").value();
    // Each round logs pages 1, 3 and 5: whole frames first, then deltas. The sixth frame ends the second.
    size_t last = kLogFramesStart;
    for (int frame = 1; frame < 6; ++frame) {
        uint32_t delta;
        std::memcpy(&delta, &log[last + kLogFrameHeaderSize], 4);
        last += kLogFrameHeaderSize + (log[last + 3] & 0x80 ? 4 + delta : kPageSize);
    }
    const uint32_t crafted = 0xFFFFFF00u;
    std::memcpy(&log[last + 4], &crafted, 4);
    MendLog(log);
    fs.SetFile(path + "-journal", log);
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
    ASSERT_TRUE(pager.ok()) << pager.status().ToString();
    EXPECT_EQ((*pager)->PageCount(), kBeforePages);
    pager.value().reset();
    EXPECT_EQ(fs.Contents(path).value(), RoundImage(1));
}

// A log whose slot claims the largest page count, in a sparse log file of 16 GB: the open reads a
// frame at a time (it never holds the log), sets it aside, and the file opens as it is.
TEST(Pager, SlotClaimingAHugePageCountInAHugeLogIsSetAsideWithoutReadingItWhole) {
    TempFolder folder;
    const std::string path = folder.File("config.dat");
    WriteWholeFile(NativeFileSystem(), path, BeforeImage());
    {
        auto log = NativeFileSystem().Open(path + "-journal", OpenMode::CreateNew);
        ASSERT_TRUE(log.ok());
        LogSlot slot;
        slot.salt = 3;
        slot.chain = LogChainStart(3);
        slot.basePages = UINT32_MAX;
        Bytes head = EncodeLogSlot(slot);
        ASSERT_TRUE((*log)->Write(0, head.data(), head.size()).ok());
        ASSERT_TRUE((*log)->Truncate(uint64_t(16) << 30).ok());
    }
    auto pager = Pager::Open(NativeFileSystem(), path, {OpenMode::ReadWrite});
    ASSERT_TRUE(pager.ok()) << pager.status().ToString();
    EXPECT_EQ((*pager)->PageCount(), kBeforePages);
    pager.value().reset();
    EXPECT_EQ(ReadWholeFile(NativeFileSystem(), path), BeforeImage());
    EXPECT_TRUE(NativeFileSystem().Exists(path + "-journal.unplayed-1").value());
}

}  // namespace
}  // namespace jet
