// The journal's checksums: a journal cut short or damaged anywhere is never played back.

#include "jet/pages/journal.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

struct Sample {
    std::vector<uint8_t> first = std::vector<uint8_t>(kPageSize, 0x11);
    std::vector<uint8_t> second = std::vector<uint8_t>(kPageSize, 0x22);
    std::vector<uint8_t> appended = std::vector<uint8_t>(kPageSize, 0x44);

    std::vector<uint8_t> Journal() {
        second[100] = 0x33;
        return EncodeJournal(9, {{PageNo{4}, first.data(), second.data()}, {PageNo{2}, second.data(), first.data()}},
                             {appended.data(), first.data()});
    }
};

TEST(Journal, DecodeGivesBackOriginalBytesAndChecksumsOfTheNewBytes) {
    Sample sample;
    auto journal = DecodeJournal(sample.Journal());
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->originalPageCount, 9u);
    EXPECT_EQ(journal->newPageCount, 11u);
    ASSERT_EQ(journal->records.size(), 2u);
    EXPECT_EQ(journal->records[0].page, PageNo{4});
    EXPECT_EQ(journal->bytes[journal->records[0].beforeOffset], 0x11);
    EXPECT_EQ(journal->records[0].afterChecksum, PageChecksum(sample.second.data()));
    EXPECT_EQ(journal->records[1].page, PageNo{2});
    EXPECT_EQ(journal->bytes[journal->records[1].beforeOffset + 100], 0x33);
    EXPECT_EQ(journal->appendedChecksums,
              (std::vector<uint64_t>{PageChecksum(sample.appended.data()), PageChecksum(sample.first.data())}));
    EXPECT_TRUE(DecodeJournal(EncodeJournal(0, {}, {})));
}

TEST(Journal, EveryTruncationIsRejected) {
    std::vector<uint8_t> whole = Sample().Journal();
    for (size_t size = 0; size < whole.size(); size += (size < 64 || size + 64 > whole.size() ? 1 : 509)) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(DecodeJournal(std::vector<uint8_t>(whole.begin(), whole.begin() + ptrdiff_t(size))));
    }
}

// A crash tears at sector granularity, but a damaged byte anywhere must be caught as well.
TEST(Journal, EveryChangedByteIsRejected) {
    std::vector<uint8_t> whole = Sample().Journal();
    for (size_t at = 0; at < whole.size();) {
        SCOPED_TRACE(at);
        std::vector<uint8_t> damaged = whole;
        damaged[at] ^= 0x40;
        EXPECT_FALSE(DecodeJournal(std::move(damaged)));
        bool inPageBytes = (at - kJournalHeaderSize) % kJournalRecordSize > 24 && at + 64 < whole.size();
        at += at > kJournalHeaderSize && inPageBytes ? 97 : 1;
    }
}

TEST(Journal, RecordsOfPagesPastTheOriginalEndOrTwiceTheSamePageAreRejected) {
    std::vector<uint8_t> page(kPageSize, 0);
    struct Case {
        const char* name;
        uint32_t originalPageCount;
        std::vector<JournalPage> changed;
        bool valid;
    } cases[] = {
        {"last page", 4, {{PageNo{3}, page.data(), page.data()}}, true},
        {"past the end", 3, {{PageNo{3}, page.data(), page.data()}}, false},
        {"same page twice", 4, {{PageNo{1}, page.data(), page.data()}, {PageNo{1}, page.data(), page.data()}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeJournal(EncodeJournal(c.originalPageCount, c.changed, {})).has_value(), c.valid);
    }
}

// The journal file is rewritten in place, so a torn rewrite can put the header of one transaction in
// front of records or checksums of another that changed as many pages. The salt must reject it.
TEST(Journal, PiecesOfTwoJournalsWithTheSameShapeNeverDecodeTogether) {
    Sample first, second;
    second.first.assign(kPageSize, 0x55);
    second.appended.assign(kPageSize, 0x66);
    auto encode = [](Sample& s, uint64_t salt) {
        s.second[100] = 0x33;
        return EncodeJournal(
            9, {{PageNo{4}, s.first.data(), s.second.data()}, {PageNo{2}, s.second.data(), s.first.data()}},
            {s.appended.data(), s.first.data()}, salt);
    };
    std::vector<uint8_t> a = encode(first, 1), b = encode(second, 2);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_TRUE(DecodeJournal(a) && DecodeJournal(b));
    struct Case {
        const char* name;
        size_t from, to;  // bytes of `b` over `a`
    } cases[] = {
        {"other header", 0, kJournalHeaderSize},
        {"other first record", kJournalHeaderSize, kJournalHeaderSize + kJournalRecordSize},
        {"other second record", kJournalHeaderSize + kJournalRecordSize, kJournalHeaderSize + 2 * kJournalRecordSize},
        {"other appended checksums", kJournalHeaderSize + 2 * kJournalRecordSize, a.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> mixed = a;
        std::copy(b.begin() + ptrdiff_t(c.from), b.begin() + ptrdiff_t(c.to), mixed.begin() + ptrdiff_t(c.from));
        EXPECT_FALSE(DecodeJournal(std::move(mixed)));
    }
}

TEST(Journal, HeaderAnnouncesTheLengthAndLeftoverBytesAfterItAreIgnored) {
    std::vector<uint8_t> journal = Sample().Journal();
    EXPECT_EQ(AnnouncedJournalLength(journal.data()), journal.size());
    std::vector<uint8_t> longer = journal;
    longer.resize(journal.size() + 3 * kPageSize, 0x77);
    EXPECT_TRUE(DecodeJournal(longer));
    std::vector<uint8_t> retired(kJournalHeaderSize, 0);
    EXPECT_TRUE(IsRetiredJournal(retired.data()));
    EXPECT_FALSE(IsRetiredJournal(journal.data()));
    EXPECT_FALSE(AnnouncedJournalLength(retired.data()));
}

}  // namespace
}  // namespace jet
