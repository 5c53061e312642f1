#include "jet/pages/redo_log.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <set>

namespace jet {
namespace {

static_assert(std::endian::native == std::endian::little, "the log's words are read in place");

constexpr uint8_t kMagic[8] = {'K', 'R', 'D', 'O', 'L', 'O', 'G', 4};

void PutU32(uint8_t* at, uint32_t value) {
    std::memcpy(at, &value, 4);
}
void PutU64(uint8_t* at, uint64_t value) {
    std::memcpy(at, &value, 8);
}
uint32_t GetU32(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}
uint64_t GetU64(const uint8_t* at) {
    uint64_t value;
    std::memcpy(&value, at, 8);
    return value;
}

uint64_t Mix(uint64_t hash) {
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 33);
}

uint64_t Rotate(uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

constexpr uint32_t kDeltaFlag = 0x80000000u;
constexpr size_t kFrameHeaderSize = kLogFrameHeaderSize;
// A changed run shorter than this apart from the next is merged with it: a range costs 4 bytes.
constexpr size_t kRangeGap = 8;
// A delta larger than this is written as the whole page instead.
constexpr size_t kLargestDelta = kPageSize / 2;

// The frame's body: the page bytes of a full frame; the length and the ranges of a delta.
size_t BodySize(const uint8_t* frame, size_t available) {
    if ((GetU32(frame) & kDeltaFlag) == 0) return kPageSize;
    if (available < kFrameHeaderSize + 4) return SIZE_MAX;
    return 4 + size_t(GetU32(frame + kFrameHeaderSize));
}

uint64_t FrameChain(uint64_t previous, const uint8_t* frame, size_t bodySize) {
    return LogChecksum(LogChecksum(previous, frame, 16), frame + kFrameHeaderSize, bodySize);
}

// The ranges where `after` differs from `before`: offset (2), length (2), the new bytes.
std::vector<uint8_t> Delta(const uint8_t* before, const uint8_t* after) {
    std::vector<uint8_t> ranges;
    size_t i = 0;
    while (i < kPageSize) {
        // Most of a page is unchanged: step over it a word at a time.
        while (i + 8 <= kPageSize && GetU64(before + i) == GetU64(after + i)) i += 8;
        while (i < kPageSize && before[i] == after[i]) ++i;
        if (i == kPageSize) break;
        size_t start = i, end = i + 1, same = 0;
        for (size_t j = end; j < kPageSize && same < kRangeGap; ++j) {
            if (before[j] == after[j]) {
                ++same;
            } else {
                same = 0;
                end = j + 1;
            }
        }
        uint8_t head[4];
        PutU32(head, uint32_t(start) | uint32_t(end - start) << 16);
        ranges.insert(ranges.end(), head, head + 4);
        ranges.insert(ranges.end(), after + start, after + end);
        if (ranges.size() > kLargestDelta) break;
        i = end;
    }
    return ranges;
}

// Applies a delta body's ranges to `page` (null: only checks them); false when they do not fit it.
bool ApplyDelta(const uint8_t* ranges, size_t size, uint8_t* page) {
    size_t at = 0;
    while (at < size) {
        if (size - at < 4) return false;
        uint32_t head = GetU32(ranges + at);
        size_t offset = head & 0xFFFF, length = head >> 16;
        at += 4;
        if (length == 0 || offset + length > kPageSize || size - at < length) return false;
        if (page) std::memcpy(page + offset, ranges + at, length);
        at += length;
    }
    return true;
}

}  // namespace

// Four lanes of multiply-rotate over 32-byte blocks keep the multiplier busy; every byte, its
// position (through its lane and the rotation order) and the size count.
uint64_t LogChecksum(uint64_t seed, const uint8_t* data, size_t size) {
    constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
    constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
    uint64_t lane[4] = {seed + kPrime1, seed ^ kPrime2, Rotate(seed, 17) + 1, ~seed};
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        for (int k = 0; k < 4; ++k) lane[k] = Rotate(lane[k] + GetU64(data + i + 8 * k) * kPrime2, 31) * kPrime1;
    }
    uint64_t hash = Rotate(lane[0], 1) + Rotate(lane[1], 7) + Rotate(lane[2], 12) + Rotate(lane[3], 18) + size;
    for (; i + 8 <= size; i += 8) hash = Rotate(hash ^ (GetU64(data + i) * kPrime2), 27) * kPrime1 + 1;
    for (; i < size; ++i) hash = Rotate(hash ^ (data[i] * kPrime1), 11) * kPrime2;
    return Mix(hash);
}

uint64_t LogChainStart(uint64_t salt) {
    uint8_t bytes[8];
    PutU64(bytes, salt);
    return LogChecksum(0x4C4F47u, bytes, sizeof bytes);
}

std::vector<uint8_t> EncodeLogSlot(const LogSlot& slot) {
    std::vector<uint8_t> out(kLogSlotSize);
    std::memcpy(out.data(), kMagic, 8);
    PutU32(&out[8], uint32_t(kPageSize));
    PutU64(&out[16], slot.sequence);
    PutU64(&out[24], slot.salt);
    PutU64(&out[32], slot.end);
    PutU64(&out[40], slot.chain);
    PutU32(&out[48], slot.basePages);
    PutU64(&out[56], slot.baseDigest);
    PutU64(&out[64], LogChecksum(0, out.data(), 64));
    return out;
}

std::optional<LogSlot> DecodeLogSlot(const uint8_t* bytes) {
    if (std::memcmp(bytes, kMagic, 8) != 0 || GetU32(bytes + 8) != kPageSize) return std::nullopt;
    if (GetU32(bytes + 12) != 0 || GetU32(bytes + 52) != 0) return std::nullopt;
    if (LogChecksum(0, bytes, 64) != GetU64(bytes + 64)) return std::nullopt;
    LogSlot slot;
    slot.sequence = GetU64(bytes + 16);
    slot.salt = GetU64(bytes + 24);
    slot.end = GetU64(bytes + 32);
    slot.chain = GetU64(bytes + 40);
    slot.basePages = GetU32(bytes + 48);
    slot.baseDigest = GetU64(bytes + 56);
    if (slot.end < kLogFramesStart || (slot.end - kLogFramesStart) % kLogFrameSize != 0) return std::nullopt;
    return slot;
}

bool ContinuesLogChain(uint64_t chain, const uint8_t* bytes, size_t size) {
    if (size < kFrameHeaderSize) return false;
    size_t body = BodySize(bytes, size);
    if (body == SIZE_MAX || body > size - kFrameHeaderSize) return false;
    return FrameChain(chain, bytes, body) == GetU64(bytes + 16);
}

uint64_t EncodeLogFrames(uint64_t chain, const std::vector<LogPage>& pages, uint32_t pageCount,
                         std::vector<uint8_t>& out) {
    for (size_t i = 0; i < pages.size(); ++i) {
        const LogPage& page = pages[i];
        std::vector<uint8_t> delta;
        if (page.before) delta = Delta(page.before, page.bytes);
        bool full = !page.before || delta.empty() || delta.size() > kLargestDelta;
        size_t at = out.size();
        size_t body = full ? kPageSize : 4 + delta.size();
        out.resize(at + kFrameHeaderSize + body);
        uint8_t* frame = &out[at];
        PutU32(frame, page.page | (full ? 0 : kDeltaFlag));
        PutU32(frame + 4, i + 1 == pages.size() ? pageCount : 0);
        PutU64(frame + 8, page.baseHash);
        if (full) {
            std::memcpy(frame + kFrameHeaderSize, page.bytes, kPageSize);
        } else {
            PutU32(frame + kFrameHeaderSize, uint32_t(delta.size()));
            std::memcpy(frame + kFrameHeaderSize + 4, delta.data(), delta.size());
        }
        chain = FrameChain(chain, frame, body);
        PutU64(frame + 16, chain);
    }
    return chain;
}

namespace {

// The log's bytes through a window of kWindow bytes, so that a walk over many small frames costs
// few reads.
class LogCursor {
  public:
    LogCursor(const LogReader& read, uint64_t logSize) : read_(read), logSize_(logSize) {}
    // `size` bytes at `offset` (within the log), valid until the next call.
    Result<const uint8_t*> At(uint64_t offset, size_t size) {
        if (offset < start_ || offset + size > start_ + window_.size()) {
            size_t length = size_t(std::min<uint64_t>(std::max<size_t>(size, kWindow), logSize_ - offset));
            window_.resize(length);
            KESTRIN_TRY(read_(offset, window_.data(), length));
            start_ = offset;
        }
        return &window_[size_t(offset - start_)];
    }

  private:
    static constexpr size_t kWindow = 64 * 1024;
    const LogReader& read_;
    uint64_t logSize_;
    uint64_t start_ = 0;
    std::vector<uint8_t> window_;
};

struct PendingFrame {
    uint32_t page;
    bool full;
    uint64_t body;  // offset of the page bytes, or of the ranges
    uint32_t length;
    uint64_t baseHash;
};

// The transaction's frames as our writer makes them: every page once, below the new page count,
// and the pages past the old count all there (so the file grows only by pages the frames write).
bool IsWholeTransaction(const std::vector<PendingFrame>& frames, uint32_t oldCount, uint32_t newCount) {
    if (newCount < oldCount) return false;
    uint64_t grown = 0;
    for (const PendingFrame& frame : frames) {
        if (frame.page >= newCount) return false;
        grown += frame.page >= oldCount;
    }
    return grown == newCount - oldCount;
}

void AddTransaction(LogIndex& log, std::vector<PendingFrame>& frames) {
    for (const PendingFrame& frame : frames) {
        auto [entry, first] = log.pages.try_emplace(frame.page);
        if (first) entry->second.baseHash = frame.baseHash;
        if (frame.full) {
            entry->second.full = frame.body;
            entry->second.deltas.clear();
        } else {
            entry->second.deltas.emplace_back(frame.body, frame.length);
        }
    }
    frames.clear();
}

}  // namespace

// Pages are indexed transaction by transaction: a delta applies to the page's newest bytes of an
// earlier transaction of the generation, which must exist.
Result<LogIndex> IndexLog(const LogSlot& slot, uint64_t logSize, const LogReader& read) {
    LogIndex log;
    log.pageCount = slot.basePages;
    log.chain = LogChainStart(slot.salt);
    LogCursor cursor(read, logSize);
    std::vector<PendingFrame> pending;
    std::set<uint32_t> inTransaction;
    uint64_t chain = log.chain;
    for (uint64_t at = kLogFramesStart; logSize - at >= kFrameHeaderSize + 4;) {
        auto header = cursor.At(at, kFrameHeaderSize + 4);
        KESTRIN_TRY(header);
        size_t body = BodySize(*header, kFrameHeaderSize + 4);
        if (body > kPageSize + 4 || body > logSize - at - kFrameHeaderSize) break;
        auto frame = cursor.At(at, kFrameHeaderSize + body);
        KESTRIN_TRY(frame);
        chain = FrameChain(chain, *frame, body);
        if (chain != GetU64(*frame + 16)) break;
        uint32_t page = GetU32(*frame) & ~kDeltaFlag;
        bool full = (GetU32(*frame) & kDeltaFlag) == 0;
        if (!inTransaction.insert(page).second) break;
        if (!full && (log.pages.count(page) == 0 || !ApplyDelta(*frame + kFrameHeaderSize + 4, body - 4, nullptr)))
            break;
        uint64_t bodyAt = at + kFrameHeaderSize + (full ? 0 : 4);
        pending.push_back({page, full, bodyAt, uint32_t(full ? kPageSize : body - 4), GetU64(*frame + 8)});
        at += kFrameHeaderSize + body;
        uint32_t commitPageCount = GetU32(*frame + 4);
        if (commitPageCount == 0) continue;
        if (!IsWholeTransaction(pending, log.pageCount, commitPageCount)) break;
        if (log.commits > 0 && at - kLogFramesStart > kLogGenerationBytes) break;
        AddTransaction(log, pending);
        inTransaction.clear();
        log.pageCount = commitPageCount;
        log.end = at;
        log.chain = chain;
        ++log.commits;
    }
    return log;
}

Status RebuildPage(const LogIndex::Page& page, const LogReader& read, uint8_t* into) {
    KESTRIN_TRY(read(page.full, into, kPageSize));
    std::vector<uint8_t> ranges;
    for (const auto& [offset, length] : page.deltas) {
        ranges.resize(length);
        KESTRIN_TRY(read(offset, ranges.data(), length));
        if (!ApplyDelta(ranges.data(), length, into))
            return Status(ErrorCode::Corrupt, "log: a delta changed since it was read");
    }
    return Status::Ok();
}

void MendLog(std::vector<uint8_t>& log) {
    if (log.size() < kLogFramesStart) return;
    PutU64(&log[64], LogChecksum(0, log.data(), 64));
    uint64_t chain = LogChainStart(GetU64(&log[24]));
    for (size_t at = kLogFramesStart; log.size() - at >= kFrameHeaderSize + 4;) {
        size_t body = BodySize(&log[at], log.size() - at);
        if (body > log.size() - at - kFrameHeaderSize) return;
        chain = FrameChain(chain, &log[at], body);
        PutU64(&log[at + 16], chain);
        at += kFrameHeaderSize + body;
    }
}

uint64_t NewLogSalt() {
    static std::mutex mutex;
    static std::mt19937_64 random{(uint64_t(std::random_device{}()) << 32) ^ std::random_device{}()};
    std::lock_guard<std::mutex> lock(mutex);
    return random();
}

uint64_t PageHash(uint32_t index, const uint8_t* bytes) {
    return LogChecksum(0x5041474548415348ull ^ index, bytes, kPageSize);
}

}  // namespace jet
