// The redo log's bytes: a slot damaged anywhere never decodes, and the index of a log gives exactly
// the pages of the whole transactions of its own generation, never a torn or foreign one, and never
// a page count its frames do not write.

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
    slot.basePages = 12;
    slot.baseDigest = 0xABCDEF;
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
    EXPECT_EQ(slot->basePages, 12u);
    EXPECT_EQ(slot->baseDigest, 0xABCDEFu);
    EXPECT_EQ(slot->chain, 99u);
    for (size_t i = 0; i < kLogSlotBytes; ++i) {
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

// The index of a log holding `frames` after its slot, for a file of 5 pages.
struct Replayed {
    Bytes log;
    LogIndex index;
    Replayed(uint64_t salt, const Bytes& frames) : log(kLogFramesStart) {
        log.insert(log.end(), frames.begin(), frames.end());
        LogSlot slot;
        slot.salt = salt;
        slot.basePages = 5;
        index = IndexLog(slot, log.size(), Reader()).value();
    }
    LogReader Reader() const {
        return [this](uint64_t offset, uint8_t* into, size_t size) {
            if (offset > log.size() || size > log.size() - offset) return Status(ErrorCode::Io, "past the end");
            std::copy_n(log.begin() + long(offset), size, into);
            return Status::Ok();
        };
    }
    Bytes PageBytes(uint32_t page) const {
        Bytes bytes(kPageSize);
        EXPECT_TRUE(RebuildPage(index.pages.at(page), Reader(), bytes.data()).ok());
        return bytes;
    }
};

uint64_t CommitsOf(uint64_t salt, const Bytes& frames) {
    return Replayed(salt, frames).index.commits;
}

TEST(RedoLog, ReplayGivesTheNewestBytesOfWholeTransactionsOnly) {
    SampleLog sample(5);
    Replayed all(5, sample.frames);
    EXPECT_EQ(all.index.commits, 3u);
    EXPECT_EQ(all.index.pageCount, 7u);
    EXPECT_EQ(all.index.pages.size(), 4u);
    EXPECT_EQ(all.PageBytes(2), sample.twoAgain);                  // the delta applied to the first transaction's bytes
    EXPECT_LT(sample.commitEnds[1] - sample.commitEnds[0], 200u);  // the delta carries its ranges only
    EXPECT_EQ(all.PageBytes(6)[0], 6);

    // Cut anywhere inside the last transaction, or torn there: the first two, nothing of the third.
    for (size_t cut : {sample.commitEnds[1] + 10, sample.commitEnds[2] - 1}) {
        Replayed torn(5, Bytes(sample.frames.begin(), sample.frames.begin() + long(cut)));
        EXPECT_EQ(torn.index.commits, 2u);
        EXPECT_EQ(torn.index.pageCount, 5u);
        EXPECT_EQ(torn.index.pages.count(6), 0u);
        EXPECT_EQ(torn.index.pages.count(5), 0u);
    }
    Bytes flipped = sample.frames;
    flipped[sample.commitEnds[1] + kLogFrameHeaderSize + 4000] ^= 0x40;
    EXPECT_EQ(CommitsOf(5, flipped), 2u);
    flipped = sample.frames;
    flipped[30] ^= 0x40;  // the first frame: nothing after it counts either
    EXPECT_EQ(CommitsOf(5, flipped), 0u);
}

TEST(RedoLog, FramesOfAnotherGenerationBeyondTheirPageCountOrDeltasWithoutABaseNeverReplay) {
    SampleLog sample(5);
    EXPECT_EQ(CommitsOf(6, sample.frames), 0u);

    // The new generation (salt 6) wrote one transaction over the front of the old one's frames.
    Bytes mixed = sample.frames;
    Bytes fresh;
    Bytes page = Page(9);
    EncodeLogFrames(LogChainStart(6), {{3, page.data(), nullptr}}, 5, fresh);
    std::copy(fresh.begin(), fresh.end(), mixed.begin());
    Replayed replayed(6, mixed);
    EXPECT_EQ(replayed.index.commits, 1u);
    EXPECT_EQ(replayed.index.pages.size(), 1u);
    EXPECT_EQ(replayed.PageBytes(3)[0], 9);

    // A page past the transaction's page count, a page count past the pages it writes (a crafted
    // count would grow the file by terabytes), a page twice in one transaction.
    struct Case {
        const char* name;
        std::vector<uint32_t> pages;
        uint32_t pageCount;
    } cases[] = {
        {"page past the count", {8}, 5},
        {"count past the pages written", {1, 5}, 0xFFFFFF00u},
        {"count one past the pages written", {1, 5}, 7},
        {"a page twice", {1, 1}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<LogPage> pages;
        for (uint32_t p : c.pages) pages.push_back({p, page.data(), nullptr});
        Bytes frames;
        EncodeLogFrames(LogChainStart(5), pages, c.pageCount, frames);
        EXPECT_EQ(CommitsOf(5, frames), 0u);
    }

    // A delta needs the page's bytes earlier in its generation.
    Bytes orphan;
    Bytes changed = page;
    changed[7] ^= 1;
    EncodeLogFrames(LogChainStart(5), {{3, changed.data(), page.data()}}, 5, orphan);
    ASSERT_LT(orphan.size(), 100u);
    EXPECT_EQ(CommitsOf(5, orphan), 0u);
}

}  // namespace
}  // namespace jet
