// The journal's checksums: a journal cut short or damaged anywhere is never played back.

#include "jet/pages/journal.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

std::vector<uint8_t> SampleJournal() {
    std::vector<uint8_t> first(kPageSize, 0x11), second(kPageSize, 0x22);
    second[100] = 0x33;
    return EncodeJournal(9, {{PageNo{4}, first.data()}, {PageNo{2}, second.data()}});
}

TEST(Journal, DecodeGivesBackThePagesAndOriginalCount) {
    auto journal = DecodeJournal(SampleJournal());
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->originalPageCount, 9u);
    ASSERT_EQ(journal->records.size(), 2u);
    EXPECT_EQ(journal->records[0].first, PageNo{4});
    EXPECT_EQ(journal->bytes[journal->records[0].second], 0x11);
    EXPECT_EQ(journal->records[1].first, PageNo{2});
    EXPECT_EQ(journal->bytes[journal->records[1].second + 100], 0x33);
    EXPECT_TRUE(DecodeJournal(EncodeJournal(0, {})));
}

TEST(Journal, EveryTruncationIsRejected) {
    std::vector<uint8_t> whole = SampleJournal();
    for (size_t size = 0; size < whole.size(); size += (size < 64 ? 1 : 509)) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(DecodeJournal(std::vector<uint8_t>(whole.begin(), whole.begin() + ptrdiff_t(size))));
    }
}

// A crash tears at sector granularity, but a damaged byte anywhere must be caught as well.
TEST(Journal, EveryChangedByteIsRejected) {
    std::vector<uint8_t> whole = SampleJournal();
    for (size_t at = 0; at < whole.size(); at += (at < 64 || (at > 4140 && at < 4170) ? 1 : 97)) {
        SCOPED_TRACE(at);
        std::vector<uint8_t> damaged = whole;
        damaged[at] ^= 0x40;
        EXPECT_FALSE(DecodeJournal(std::move(damaged)));
    }
}

TEST(Journal, RecordsOfPagesAtOrPastTheOriginalEndAreRejected) {
    std::vector<uint8_t> page(kPageSize, 0);
    EXPECT_FALSE(DecodeJournal(EncodeJournal(3, {{PageNo{3}, page.data()}})));
    EXPECT_TRUE(DecodeJournal(EncodeJournal(4, {{PageNo{3}, page.data()}})));
}

}  // namespace
}  // namespace jet
