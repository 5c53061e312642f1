#pragma once
// The redo log's bytes: what Commit appends to "<path>-journal" before it writes the database file,
// and what Open plays forward when the file may lack committed transactions. Private to jet/pages.
//
// A commit appends the new bytes of every page it changed or appended (frames) and syncs the log
// once: that sync is the commit point. The database file is written after it without a sync. A
// generation of the log begins with its first commit, which writes the slot (naming the generation's
// salt) in the same write as its frames; a checkpoint (sync the database file, zero the slot, sync
// the log) ends it. Frames of an older generation left in the file never validate in a newer one.
//
// Invariants:
//  1. DecodeLogSlot accepts only a slot whose magic, page size and checksum check out; a slot of
//     zero bytes never decodes (a retired log).
//  2. Every frame's chain value covers the chain value before it, so frames validate only in their
//     order, in their generation, from the generation's first frame on; a torn frame ends the chain.
//  3. ReplayLog gives the pages of whole transactions only: frames after the last commit frame that
//     validates are ignored, and so is a transaction that would shrink the file or write past its
//     own end.
//
// On-disk format (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      4096 the slot     4096  4096  reserved, zero     8192  frames, kLogFrameSize bytes each
// Slot:
//   0      8    magic "KRDOLOG\3"
//   8      4    page size (4096)
//   12     4    flags, 0
//   16     8    sequence: the number of the generation's first commit, counted on across generations
//   24     8    salt of the generation
//   32     8    offset of the generation's first frame (8192)
//   40     8    chain value before it
//   48     4    page count after the generation's first commit
//   52     4    0
//   56     8    checksum of bytes 0..55
// Frame:
//   0      4    page number; the top bit set for a delta frame
//   4      4    0, or on a transaction's last frame the page count after it (never 0)
//   8      8    chain value: checksum of bytes 0..7 and the body, seeded with the previous one
//   16          body, full frame: 4096 bytes, the page's bytes after the transaction
//               body, delta frame: length L (4), then L bytes of ranges, each offset (2),
//               length (2) and the new bytes there; it applies to the page's newest bytes in the
//               generation, so a page's first frame in a generation is always full

#include <cstdint>
#include <optional>
#include <map>
#include <vector>

#include "jet/pages/page.h"

namespace jet {

inline constexpr uint64_t kLogSlotSize = 4096;
inline constexpr size_t kLogSlotBytes = 64;  // the slot's bytes that count; the rest of its block is zero
inline constexpr uint64_t kLogFramesStart = 2 * kLogSlotSize;
inline constexpr size_t kLogFrameSize = 16 + kPageSize;  // a full frame; the largest there is

// A fast 64-bit checksum (four independent lanes): detects torn and misplaced bytes, not attacks.
uint64_t LogChecksum(uint64_t seed, const uint8_t* data, size_t size);
// The chain value before a generation's first frame.
uint64_t LogChainStart(uint64_t salt);

// A generation and a point in it: its salt, and the end, the chain value there and the page count
// of a commit. The slot stores the generation's start; a writer keeps its last commit in one.
struct LogSlot {
    uint64_t sequence = 0;
    uint64_t salt = 0;
    uint64_t end = kLogFramesStart;
    uint64_t chain = 0;
    uint32_t pageCount = 0;
};

// kLogSlotSize bytes.
std::vector<uint8_t> EncodeLogSlot(const LogSlot& slot);
// `bytes`: kLogSlotBytes bytes.
std::optional<LogSlot> DecodeLogSlot(const uint8_t* bytes);

struct LogPage {
    uint32_t page;
    const uint8_t* bytes;   // borrowed, kPageSize bytes
    const uint8_t* before;  // the page's newest bytes already in the generation, or null: with it a
                            // frame may carry only the changed ranges
};

// True when `bytes` (size of them) begin with a frame that validates after chain value `chain`.
bool ContinuesLogChain(uint64_t chain, const uint8_t* bytes, size_t size);

// Appends one transaction's frames to `out` and returns the chain value after them.
uint64_t EncodeLogFrames(uint64_t chain, const std::vector<LogPage>& pages, uint32_t pageCount,
                         std::vector<uint8_t>& out);

struct ReplayedLog {
    uint64_t commits = 0;    // complete transactions found
    uint32_t pageCount = 0;  // after the last of them
    std::map<uint32_t, std::vector<uint8_t>> pages;  // page -> its newest bytes
};

// Walks `frames` (the log's bytes from kLogFramesStart on) from the generation's first frame.
ReplayedLog ReplayLog(uint64_t salt, const std::vector<uint8_t>& frames);

}  // namespace jet
