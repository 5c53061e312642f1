// The redo log's bytes: a slot damaged anywhere never decodes, and a replay gives exactly the pages
// of the whole transactions of its own generation, never a torn or foreign one.

#include "jet/pages/redo_log.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Page(uint8_t tag) {
    Bytes page(kPageSize);
    for (size_t i = 0; i < page.size(); ++i) page[i] = uint8_t(tag + i % 253);
    return page;
}

LogSlot SampleSlot() {
    LogSlot slot;
    slot.sequence = 7;
    slot.salt = 0x1234;
    slot.end = kLogFramesStart + 3 * kLogFrameSize;
    slot.chain = 99;
    slot.pageCount = 12;
    return slot;
}

TEST(RedoLog, SlotDecodesAsWrittenAndEveryChangedByteOrAZeroSlotIsRejected) {
    Bytes bytes = EncodeLogSlot(SampleSlot());
    ASSERT_EQ(bytes.size(), kLogSlotSize);
    auto slot = DecodeLogSlot(bytes.data());
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->sequence, 7u);
    EXPECT_EQ(slot->salt, 0x1234u);
    EXPECT_EQ(slot->end, kLogFramesStart + 3 * kLogFrameSize);
    EXPECT_EQ(slot->pageCount, 12u);
    EXPECT_EQ(slot->chain, 99u);
    for (size_t i = 0; i < 64; ++i) {
        Bytes damaged = bytes;
        damaged[i] ^= 0x01;
        EXPECT_FALSE(DecodeLogSlot(damaged.data())) << "byte " << i;
    }
    EXPECT_FALSE(DecodeLogSlot(Bytes(kLogSlotSize, 0).data()));
}

// Three transactions: {1, 2} with 5 pages; {2} changed in two places, logged as a delta; {5, 6}
// growing the file to 7 pages.
struct SampleLog {
    Bytes one = Page(1), two = Page(2), twoAgain = Page(2), six = Page(6);
    Bytes frames;
    std::vector<size_t> commitEnds;

    explicit SampleLog(uint64_t salt) {
        twoAgain[0] = 3;
        std::fill(twoAgain.begin() + 1000, twoAgain.begin() + 1100, 0xEE);
        uint64_t chain = LogChainStart(salt);
        chain = EncodeLogFrames(chain, {{1, one.data(), nullptr}, {2, two.data(), nullptr}}, 5, frames);
        commitEnds.push_back(frames.size());
        chain = EncodeLogFrames(chain, {{2, twoAgain.data(), two.data()}}, 5, frames);
        commitEnds.push_back(frames.size());
        EncodeLogFrames(chain, {{5, one.data(), nullptr}, {6, six.data(), nullptr}}, 7, frames);
        commitEnds.push_back(frames.size());
    }
};

uint8_t FirstByteOf(const ReplayedLog& log, uint32_t page) {
    return log.pages.at(page)[0];
}

TEST(RedoLog, ReplayGivesTheNewestBytesOfWholeTransactionsOnly) {
    SampleLog sample(5);
    ReplayedLog all = ReplayLog(5, sample.frames);
    EXPECT_EQ(all.commits, 3u);
    EXPECT_EQ(all.pageCount, 7u);
    EXPECT_EQ(all.pages.size(), 4u);
    EXPECT_EQ(all.pages.at(2), sample.twoAgain);  // the delta applied to the first transaction's bytes
    EXPECT_LT(sample.commitEnds[1] - sample.commitEnds[0], 200u);  // the delta carries its ranges only
    EXPECT_EQ(FirstByteOf(all, 6), 6);

    // Cut anywhere inside the last transaction, or torn there: the first two, nothing of the third.
    for (size_t cut : {sample.commitEnds[1] + 10, sample.commitEnds[2] - 1}) {
        ReplayedLog torn = ReplayLog(5, Bytes(sample.frames.begin(), sample.frames.begin() + long(cut)));
        EXPECT_EQ(torn.commits, 2u);
        EXPECT_EQ(torn.pageCount, 5u);
        EXPECT_EQ(torn.pages.count(6), 0u);
        EXPECT_EQ(torn.pages.count(5), 0u);
    }
    Bytes flipped = sample.frames;
    flipped[sample.commitEnds[1] + 16 + 4000] ^= 0x40;
    EXPECT_EQ(ReplayLog(5, flipped).commits, 2u);
    flipped = sample.frames;
    flipped[20] ^= 0x40;  // the first frame: nothing after it counts either
    EXPECT_EQ(ReplayLog(5, flipped).commits, 0u);
}

TEST(RedoLog, FramesOfAnotherGenerationBeyondTheirPageCountOrDeltasWithoutABaseNeverReplay) {
    SampleLog sample(5);
    EXPECT_EQ(ReplayLog(6, sample.frames).commits, 0u);

    // The new generation (salt 6) wrote one transaction over the front of the old one's frames.
    Bytes mixed = sample.frames;
    Bytes fresh;
    Bytes page = Page(9);
    EncodeLogFrames(LogChainStart(6), {{3, page.data(), nullptr}}, 5, fresh);
    std::copy(fresh.begin(), fresh.end(), mixed.begin());
    ReplayedLog replayed = ReplayLog(6, mixed);
    EXPECT_EQ(replayed.commits, 1u);
    EXPECT_EQ(replayed.pages.size(), 1u);
    EXPECT_EQ(FirstByteOf(replayed, 3), 9);

    Bytes beyond;
    EncodeLogFrames(LogChainStart(5), {{8, page.data(), nullptr}}, 5, beyond);
    EXPECT_EQ(ReplayLog(5, beyond).commits, 0u);

    // A delta needs the page's bytes earlier in its generation.
    Bytes orphan;
    Bytes changed = page;
    changed[7] ^= 1;
    EncodeLogFrames(LogChainStart(5), {{3, changed.data(), page.data()}}, 5, orphan);
    ASSERT_LT(orphan.size(), 100u);
    EXPECT_EQ(ReplayLog(5, orphan).commits, 0u);
}

}  // namespace
}  // namespace jet
