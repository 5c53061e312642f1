// The Pager's promise under failure: a commit interrupted by an I/O error at any call, or by a crash
// at any sync with unsynced writes dropped, kept or torn, leaves a file that reopens as exactly the
// image before the transaction or exactly the image after it.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "jet/pages/journal.h"
#include "jet/pages/pager.h"
#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"
#include "tests/native/pages/temp_folder.h"

namespace jet {
namespace {

using testing::CrashFileSystem;
using testing::CrashLoss;
using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using testing::TempFolder;
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

// True when no journal beside `path` could be played back: none, or a retired one.
bool NoLiveJournal(FileSystem& fs, const std::string& path) {
    auto journal = fs.Open(path + "-journal", OpenMode::ReadOnly);
    if (!journal.ok()) return journal.code() == ErrorCode::NotFound;
    uint8_t header[kJournalHeaderSize];
    return (*journal)->Read(0, header, sizeof header).ok() && IsRetiredJournal(header);
}

// Reopens for writing (which plays back a hot journal), closes, and checks the image bit for bit.
void ExpectBeforeOrAfterImage(FileSystem& fs, const std::string& path) {
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
    ASSERT_TRUE(pager.ok()) << pager.status().ToString();
    pager.value().reset();
    Bytes image = ReadWholeFile(fs, path);
    EXPECT_TRUE(image == BeforeImage() || image == AfterImage())
        << "file of " << image.size() << " bytes is neither image";
    EXPECT_TRUE(NoLiveJournal(fs, path));
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
        EXPECT_FALSE(status.ok());
        ExpectBeforeOrAfterImage(base, path);
    }
    EXPECT_GT(n, 10u);  // the loop reached past the journal, the pages and the removal
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

// Crashes with the journal synced but the database only partly written: the next Open must play back.
void LeaveHotJournal(CrashFileSystem& fs, const std::string& path, uint32_t seed) {
    fs.SetFile(path, BeforeImage());
    fs.CrashAtSync(3);  // journal, folder, then the database's sync
    EXPECT_FALSE(OpenChangeCommit(fs, path).ok());
    fs.Restart(seed, CrashLoss::Random);
    ASSERT_TRUE(fs.Exists(path + "-journal").value());
}

TEST(Pager, FailedCallDuringJournalPlaybackStillRecoversOnTheNextOpen) {
    const std::string path = "db/config.dat";
    for (uint64_t n = 1;; ++n) {
        SCOPED_TRACE(n);
        CrashFileSystem base;
        LeaveHotJournal(base, path, uint32_t(n));
        FaultyFileSystem fs(base);
        fs.FailCall(n);
        auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
        bool triggered = fs.Triggered();
        pager = Status(ErrorCode::Io, "closed");
        ExpectBeforeOrAfterImage(base, path);
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
                Status status = OpenChangeCommit(fs, path);
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
                // Crash again while playing the journal back, at a sync the seed picks (0: none).
                fs.CrashAtSync(seed % 4);
                (void)Pager::Open(fs, path, {OpenMode::ReadWrite});
                if (fs.Crashed()) fs.Restart(seed + 1000, c.loss);
                fs.CrashAtSync(0);
                ExpectBeforeOrAfterImage(fs, path);
            }
        }
        EXPECT_GT(sync, 4u);
    }
}

// A journal cut short was never synced, so its transaction never wrote the database.
TEST(Pager, TornJournalIsIgnoredByAReaderAndRemovedByAWriterAndTheFileIsUntouched) {
    const std::string path = "db/config.dat";
    Bytes before = BeforeImage();
    Bytes after = AfterImage();
    Bytes journal = EncodeJournal(kBeforePages, {{PageNo{1}, &after[kPageSize], &before[kPageSize]}}, {});
    journal.resize(journal.size() - 100);
    struct Case {
        const char* name;
        OpenMode mode;
        bool journalRemains;
    } cases[] = {{"reader", OpenMode::ReadOnly, true}, {"writer", OpenMode::ReadWrite, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CrashFileSystem fs;
        fs.SetFile(path, before);
        fs.SetFile(path + "-journal", journal);
        auto pager = Pager::Open(fs, path, {c.mode});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        EXPECT_EQ((*pager)->Read(PageNo{1}).value()[0], before[kPageSize]);
        EXPECT_EQ(fs.Exists(path + "-journal").value(), c.journalRemains);
        EXPECT_EQ(fs.Contents(path).value(), before);
    }
}

// A crash while playing back the journal of a transaction that grew a small file a lot: the file is
// already cut back to its original size, and the journal (long, for the appended pages' checksums)
// must still be recognised as ours and played back again.
TEST(Pager, CrashDuringPlaybackAfterTheFileWasCutBackStillRecovers) {
    const std::string path = "db/config.dat";
    constexpr uint32_t kAppended = 8;
    for (uint32_t seed = 0; seed < 300; ++seed) {
        SCOPED_TRACE(seed);
        CrashFileSystem fs;
        fs.SetFile(path, Bytes(kPageSize, 0x11));
        {
            auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
            ASSERT_TRUE(pager.ok() && (*pager)->Begin().ok());
            std::memset((*pager)->Write(PageNo{0}).value(), 0x22, kPageSize);
            for (uint32_t i = 0; i < kAppended; ++i) ASSERT_TRUE((*pager)->Append().ok());
            fs.CrashAtSync(3);  // the database's sync
            EXPECT_FALSE((*pager)->Commit().ok());
        }
        fs.Restart(seed);
        fs.CrashAtSync(1);  // playback's sync, after its writes and the truncation
        (void)Pager::Open(fs, path, {OpenMode::ReadWrite});
        if (fs.Crashed()) fs.Restart(seed + 100);
        auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
        ASSERT_TRUE(pager.ok());
        const uint8_t* page = (*pager)->Read(PageNo{0}).value();
        bool before = (*pager)->PageCount() == 1 && Bytes(page, page + kPageSize) == Bytes(kPageSize, 0x11);
        bool after = (*pager)->PageCount() == 1 + kAppended && Bytes(page, page + kPageSize) == Bytes(kPageSize, 0x22);
        EXPECT_TRUE(before || after);
    }
}

// The reader must not write, so it reads through the journal; it sees whole images only.
TEST(Pager, ReaderSeesAWholeImageThroughAHotJournalAndWritesNothing) {
    const std::string path = "db/config.dat";
    int sawBefore = 0;
    for (uint32_t seed = 0; seed < 40; ++seed) {
        SCOPED_TRACE(seed);
        CrashFileSystem fs;
        LeaveHotJournal(fs, path, seed);
        Bytes onDisk = fs.Contents(path).value();
        Bytes journal = fs.Contents(path + "-journal").value();
        auto pager = Pager::Open(fs, path, {OpenMode::ReadOnly});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        Bytes seen;
        for (uint32_t index = 0; index < (*pager)->PageCount(); ++index) {
            const uint8_t* page = (*pager)->Read(PageNo{index}).value();
            seen.insert(seen.end(), page, page + kPageSize);
        }
        EXPECT_TRUE(seen == BeforeImage() || seen == AfterImage());
        sawBefore += seen == BeforeImage() && onDisk != BeforeImage();
        EXPECT_EQ(fs.Contents(path).value(), onDisk);
        EXPECT_EQ(fs.Contents(path + "-journal").value(), journal);
    }
    EXPECT_GT(sawBefore, 0);  // some seeds tore the file, and the journal covered it
}

// Transaction `round` of a sequence that always changes the same pages: every journal of the
// sequence has the same page counts, so only the salt tells their pieces apart.
Status CommitRound(FileSystem& fs, const std::string& path, uint8_t round) {
    auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
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

// The journal is rewritten in place: a crash while the third journal is written can leave sectors of
// the second beside sectors of the third. Neither may be played back in pieces, and the second,
// whole again, must be seen as landed (its after-image is in the file), not played back.
TEST(Pager, CrashWhileAKeptJournalIsRewrittenLeavesThePreviousOrTheNewImage) {
    const std::string path = "db/config.dat";
    int sawPrevious = 0, sawNew = 0;
    for (uint64_t sync = 1; sync <= 3; ++sync) {
        for (uint32_t seed = 0; seed < 150; ++seed) {
            SCOPED_TRACE(::testing::Message() << "sync " << sync << " seed " << seed);
            CrashFileSystem fs;
            fs.SetFile(path, BeforeImage());
            ASSERT_TRUE(CommitRound(fs, path, 1).ok());
            ASSERT_TRUE(CommitRound(fs, path, 2).ok());
            fs.CrashAtSync(sync);
            Status third = CommitRound(fs, path, 3);
            ASSERT_EQ(fs.Crashed(), sync <= 2) << third.ToString();
            if (!fs.Crashed()) fs.CrashNow();
            fs.Restart(seed, CrashLoss::Random);
            auto pager = Pager::Open(fs, path, {OpenMode::ReadWrite});
            ASSERT_TRUE(pager.ok()) << pager.status().ToString();
            pager.value().reset();
            Bytes image = fs.Contents(path).value();
            if (sync == 3) {
                EXPECT_EQ(image, RoundImage(3));  // the commit had returned: it must have survived
            } else {
                EXPECT_TRUE(image == RoundImage(2) || image == RoundImage(3));
            }
            sawPrevious += image == RoundImage(2);
            sawNew += image == RoundImage(3);
            EXPECT_TRUE(NoLiveJournal(fs, path));
        }
    }
    EXPECT_GT(sawPrevious, 0);
    EXPECT_GT(sawNew, 0);
}

// Only the first commit creates the journal (and syncs its folder); later ones rewrite it in place.
TEST(Pager, CommitsAfterTheFirstCostTwoSyncsAndKeepARetiredJournal) {
    const std::string path = "db/config.dat";
    CrashFileSystem fs;
    fs.SetFile(path, BeforeImage());
    uint64_t syncs = fs.SyncCount();
    std::vector<uint64_t> perCommit;
    for (uint8_t round = 1; round <= 3; ++round) {
        ASSERT_TRUE(CommitRound(fs, path, round).ok());
        perCommit.push_back(fs.SyncCount() - syncs);
        syncs = fs.SyncCount();
        EXPECT_TRUE(fs.Exists(path + "-journal").value());
        EXPECT_TRUE(NoLiveJournal(fs, path));
    }
    EXPECT_EQ(perCommit, (std::vector<uint64_t>{3, 2, 2}));
}

// A retired journal is never played back: not beside its own file, not beside a different file that
// took its place (another size, other bytes), and readers do not read through it.
TEST(Pager, RetiredJournalIsIgnoredBesideItsOwnFileAndBesideAnyOther) {
    const std::string path = "db/config.dat";
    struct Case {
        const char* name;
        Bytes file;
        OpenMode mode;
    } cases[] = {
        {"own file, writer", AfterImage(), OpenMode::ReadWrite},
        {"own file, reader", AfterImage(), OpenMode::ReadOnly},
        {"shorter other file, writer", Bytes(2 * kPageSize, 0x5A), OpenMode::ReadWrite},
        {"longer other file, reader", Bytes(12 * kPageSize, 0xA5), OpenMode::ReadOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CrashFileSystem fs;
        fs.SetFile(path, BeforeImage());
        ASSERT_TRUE(OpenChangeCommit(fs, path).ok());
        Bytes journal = fs.Contents(path + "-journal").value();
        ASSERT_GT(journal.size(), kJournalHeaderSize);
        fs.SetFile(path, c.file);
        auto pager = Pager::Open(fs, path, {c.mode});
        ASSERT_TRUE(pager.ok()) << pager.status().ToString();
        EXPECT_EQ((*pager)->PageCount(), c.file.size() / kPageSize);
        EXPECT_EQ((*pager)->Read(PageNo{1}).value()[0], c.file[kPageSize]);
        pager.value().reset();
        EXPECT_EQ(fs.Contents(path).value(), c.file);
        EXPECT_EQ(fs.Contents(path + "-journal").value(), journal);
    }
}

}  // namespace
}  // namespace jet
