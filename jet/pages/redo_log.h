#pragma once
// The redo log's bytes: what Commit appends to "<path>-journal" before it writes the database file,
// and what Open reads back to learn whether the file holds every committed transaction. Private to
// jet/pages.
//
// A commit appends the new bytes of every page it changed or appended (frames) and rewrites one of
// two slots at the front, then syncs the log once: that sync is the commit point. The database file
// is written after it without a sync. A checkpoint (sync the database file, zero both slots, sync the
// log) starts a new generation of the log with a new salt; frames of an older generation left in the
// file never validate in the new one.
//
// A slot names the generation (salt), the end of its last committed frame and the chain value there,
// the page count after that commit, and the checksum of the newest bytes of every page the generation
// changed. Open compares those checksums with the database file: when all match, the file holds every
// committed transaction and nothing is read from the frames; otherwise the frames are played forward.
// Commits alternate between the slots, so a slot torn by a crash leaves the other, one commit older.
//
// Invariants:
//  1. DecodeLogSlot accepts only a slot whose magic, page size and checksum check out; a slot of
//     zero bytes never decodes (a retired log).
//  2. Every frame's chain value covers the chain value before it, so frames validate only in their
//     order, in their generation, from the generation's first frame on; a torn frame ends the chain.
//  3. ReplayLog gives the pages of complete transactions only: frames after the last commit frame
//     that validates are ignored.
//
// On-disk format (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      4096 slot A    4096  4096  slot B     8192  frames, kLogFrameSize bytes each
// Slot:
//   0      8    magic "KRDOLOG\3"
//   8      4    page size (4096)
//   12     4    flags: 1 = the generation changed more pages than a slot lists (Open always replays)
//   16     8    sequence: the commit's number, counted on across generations
//   24     8    salt of the generation
//   32     8    log end: the offset just past the commit's last frame
//   40     8    chain value at the log end
//   48     4    page count after the commit
//   52     4    N: pages listed
//   56     8    checksum of bytes 0..55 and the list
//   64     N x  12 bytes: page number (4), checksum of its newest bytes (8), in page order
// Frame:
//   0      4    page number
//   4      4    0, or on a transaction's last frame the page count after it (never 0)
//   8      8    chain value: checksum of bytes 0..7 and the page bytes, seeded with the previous one
//   16     4096 the page's bytes after the transaction

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "jet/pages/page.h"

namespace jet {

inline constexpr uint64_t kLogSlotSize = 4096;
inline constexpr uint64_t kLogFramesStart = 2 * kLogSlotSize;
inline constexpr size_t kLogFrameSize = 16 + kPageSize;
inline constexpr size_t kLogSlotCapacity = (kLogSlotSize - 64) / 12;

// A fast 64-bit checksum (four independent lanes): detects torn and misplaced bytes, not attacks.
uint64_t LogChecksum(uint64_t seed, const uint8_t* data, size_t size);
inline uint64_t LogPageChecksum(const uint8_t* page) {
    return LogChecksum(0, page, kPageSize);
}
// The chain value before a generation's first frame.
uint64_t LogChainStart(uint64_t salt);

struct LogSlot {
    uint64_t sequence = 0;
    uint64_t salt = 0;
    uint64_t end = kLogFramesStart;
    uint64_t chain = 0;
    uint32_t pageCount = 0;
    bool overflow = false;  // more pages changed than `pages` can list
    std::vector<std::pair<uint32_t, uint64_t>> pages;  // page, checksum; in page order
};

// kLogSlotSize bytes; lists at most kLogSlotCapacity pages (more set the overflow flag instead).
std::vector<uint8_t> EncodeLogSlot(const LogSlot& slot);
// `bytes`: kLogSlotSize bytes.
std::optional<LogSlot> DecodeLogSlot(const uint8_t* bytes);

struct LogPage {
    uint32_t page;
    const uint8_t* bytes;  // borrowed, kPageSize bytes
};

// Appends one transaction's frames to `out` and returns the chain value after them.
uint64_t EncodeLogFrames(uint64_t chain, const std::vector<LogPage>& pages, uint32_t pageCount,
                         std::vector<uint8_t>& out);

struct ReplayedLog {
    uint64_t commits = 0;    // complete transactions found
    uint32_t pageCount = 0;  // after the last of them
    std::vector<uint8_t> frames;                // the frames read, from kLogFramesStart on
    std::unordered_map<uint32_t, size_t> pages;  // page -> offset of its newest bytes within `frames`
};

// Walks `frames` (the log's bytes from kLogFramesStart on) from the generation's first frame.
ReplayedLog ReplayLog(uint64_t salt, std::vector<uint8_t> frames);

}  // namespace jet
