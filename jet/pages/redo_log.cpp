#include "jet/pages/redo_log.h"

#include <bit>
#include <cstring>

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

uint64_t FrameChain(uint64_t previous, const uint8_t* frame) {
    return LogChecksum(LogChecksum(previous, frame, 8), frame + 16, kPageSize);
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

bool ContinuesLogChain(uint64_t chain, const uint8_t* frame) {
    return FrameChain(chain, frame) == GetU64(frame + 8);
}

uint64_t EncodeLogFrames(uint64_t chain, const std::vector<LogPage>& pages, uint32_t pageCount,
                         std::vector<uint8_t>& out) {
    size_t at = out.size();
    out.resize(at + pages.size() * kLogFrameSize);
    for (size_t i = 0; i < pages.size(); ++i) {
        uint8_t* frame = &out[at + i * kLogFrameSize];
        PutU32(frame, pages[i].page);
        PutU32(frame + 4, i + 1 == pages.size() ? pageCount : 0);
        std::memcpy(frame + 16, pages[i].bytes, kPageSize);
        chain = FrameChain(chain, frame);
        PutU64(frame + 8, chain);
    }
    return chain;
}

ReplayedLog ReplayLog(uint64_t salt, std::vector<uint8_t> frames) {
    ReplayedLog log;
    std::unordered_map<uint32_t, size_t> pending;  // the open transaction's pages
    uint64_t chain = LogChainStart(salt);
    for (size_t at = 0; at + kLogFrameSize <= frames.size(); at += kLogFrameSize) {
        const uint8_t* frame = &frames[at];
        chain = FrameChain(chain, frame);
        if (chain != GetU64(frame + 8)) break;
        pending[GetU32(frame)] = at + 16;
        uint32_t commitPageCount = GetU32(frame + 4);
        if (commitPageCount == 0) continue;
        // The file never shrinks: a smaller page count, or a page past the transaction's own end,
        // is no transaction of ours.
        bool fits = commitPageCount >= log.pageCount;
        for (const auto& entry : pending) fits = fits && entry.first < commitPageCount;
        if (!fits) break;
        for (const auto& entry : pending) log.pages[entry.first] = entry.second;
        pending.clear();
        log.pageCount = commitPageCount;
        ++log.commits;
    }
    log.frames = std::move(frames);
    return log;
}

}  // namespace jet
