#include "jet/pages/redo_log.h"

#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>

namespace jet {
namespace {

static_assert(std::endian::native == std::endian::little, "the log's words are read in place");

constexpr uint8_t kMagic[8] = {'K', 'R', 'D', 'O', 'L', 'O', 'G', 3};

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
constexpr size_t kFrameHeaderSize = 16;
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
    return LogChecksum(LogChecksum(previous, frame, 8), frame + kFrameHeaderSize, bodySize);
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

// Applies a delta body's ranges to `page`; false when they do not fit it exactly.
bool ApplyDelta(const uint8_t* ranges, size_t size, uint8_t* page) {
    size_t at = 0;
    while (at < size) {
        if (size - at < 4) return false;
        uint32_t head = GetU32(ranges + at);
        size_t offset = head & 0xFFFF, length = head >> 16;
        at += 4;
        if (length == 0 || offset + length > kPageSize || size - at < length) return false;
        std::memcpy(page + offset, ranges + at, length);
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
    PutU32(&out[48], slot.pageCount);
    PutU64(&out[56], LogChecksum(0, out.data(), 56));
    return out;
}

std::optional<LogSlot> DecodeLogSlot(const uint8_t* bytes) {
    if (std::memcmp(bytes, kMagic, 8) != 0 || GetU32(bytes + 8) != kPageSize) return std::nullopt;
    if (GetU32(bytes + 12) != 0 || GetU32(bytes + 52) != 0) return std::nullopt;
    if (LogChecksum(0, bytes, 56) != GetU64(bytes + 56)) return std::nullopt;
    LogSlot slot;
    slot.sequence = GetU64(bytes + 16);
    slot.salt = GetU64(bytes + 24);
    slot.end = GetU64(bytes + 32);
    slot.chain = GetU64(bytes + 40);
    slot.pageCount = GetU32(bytes + 48);
    if (slot.end < kLogFramesStart || (slot.end - kLogFramesStart) % kLogFrameSize != 0) return std::nullopt;
    return slot;
}

bool ContinuesLogChain(uint64_t chain, const uint8_t* bytes, size_t size) {
    if (size < kFrameHeaderSize) return false;
    size_t body = BodySize(bytes, size);
    if (body == SIZE_MAX || body > size - kFrameHeaderSize) return false;
    return FrameChain(chain, bytes, body) == GetU64(bytes + 8);
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
        if (full) {
            std::memcpy(frame + kFrameHeaderSize, page.bytes, kPageSize);
        } else {
            PutU32(frame + kFrameHeaderSize, uint32_t(delta.size()));
            std::memcpy(frame + kFrameHeaderSize + 4, delta.data(), delta.size());
        }
        chain = FrameChain(chain, frame, body);
        PutU64(frame + 8, chain);
    }
    return chain;
}

// Pages are rebuilt transaction by transaction: a delta applies to the page's newest bytes within
// the generation (committed, or earlier in the same transaction), which must exist.
ReplayedLog ReplayLog(uint64_t salt, const std::vector<uint8_t>& frames) {
    ReplayedLog log;
    std::map<uint32_t, std::vector<uint8_t>> pending;  // the open transaction's pages
    uint64_t chain = LogChainStart(salt);
    size_t at = 0;
    while (frames.size() - at >= kFrameHeaderSize) {
        const uint8_t* frame = &frames[at];
        size_t body = BodySize(frame, frames.size() - at);
        if (body == SIZE_MAX || body > frames.size() - at - kFrameHeaderSize) break;
        chain = FrameChain(chain, frame, body);
        if (chain != GetU64(frame + 8)) break;
        at += kFrameHeaderSize + body;
        uint32_t page = GetU32(frame) & ~kDeltaFlag;
        const uint8_t* bytes = frame + kFrameHeaderSize;
        if ((GetU32(frame) & kDeltaFlag) == 0) {
            pending[page].assign(bytes, bytes + kPageSize);
        } else {
            auto base = pending.find(page);
            if (base == pending.end()) {
                auto committed = log.pages.find(page);
                if (committed == log.pages.end()) break;  // a delta with nothing to apply to
                base = pending.emplace(page, committed->second).first;
            }
            if (!ApplyDelta(bytes + 4, body - 4, base->second.data())) break;
        }
        uint32_t commitPageCount = GetU32(frame + 4);
        if (commitPageCount == 0) continue;
        // The file never shrinks: a smaller page count, or a page past the transaction's own end,
        // is no transaction of ours.
        bool fits = commitPageCount >= log.pageCount;
        for (const auto& entry : pending) fits = fits && entry.first < commitPageCount;
        if (!fits) break;
        for (auto& entry : pending) log.pages[entry.first] = std::move(entry.second);
        pending.clear();
        log.pageCount = commitPageCount;
        ++log.commits;
    }
    return log;
}

}  // namespace jet
