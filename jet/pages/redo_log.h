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
// A generation belongs to one state of the database file: the slot names the file's page count when
// the generation began and a digest of those pages (the sum of their PageHash), and a page's first
// frame in the generation carries its PageHash from then. So a reader can tell, before it writes a
// byte, whether the file beside the log is the one the log was written against, changed only in
// pages the log rewrites whole: it sums the file's other pages and the frames' hashes.
//
// Invariants:
//  1. DecodeLogSlot accepts only a slot whose magic, page size and checksum check out; a slot of
//     zero bytes never decodes (a retired log).
//  2. Every frame's chain value covers the chain value before it, so frames validate only in their
//     order, in their generation, from the generation's first frame on; a torn frame ends the chain.
//  3. IndexLog keeps whole transactions only: it stops at the first frame that does not validate
//     or is no frame our writer makes (a page twice in one transaction, a delta with no base, a
//     range outside its page), and at a transaction that would shrink the file, write past its own
//     end, grow the file by pages it does not write, or carry a generation with more than one
//     transaction past kLogGenerationBytes. So a replay writes no page and grows the file by no page
//     that its frames do not hold.
//  4. IndexLog reads the log frame by frame; what it keeps is an offset per frame, not the pages.
//
// On-disk format (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      4096 the slot     4096  4096  reserved, zero     8192  frames, kLogFrameSize bytes each
// Slot:
//   0      8    magic "KRDOLOG\4"
//   8      4    page size (4096)
//   12     4    flags, 0
//   16     8    sequence: the number of the generation's first commit, counted on across generations
//   24     8    salt of the generation
//   32     8    offset of the generation's first frame (8192)
//   40     8    chain value before it
//   48     4    the file's page count when the generation began
//   52     4    0
//   56     8    the digest of those pages
//   64     8    checksum of bytes 0..63
// Frame:
//   0      4    page number; the top bit set for a delta frame
//   4      4    0, or on a transaction's last frame the page count after it (never 0)
//   8      8    on a page's first frame in the generation, when the page is older than it: the
//               page's PageHash when the generation began; else 0
//   16     8    chain value: checksum of bytes 0..15 and the body, seeded with the previous one
//   24          body, full frame: 4096 bytes, the page's bytes after the transaction
//               body, delta frame: length L (4, at most 4096), then L bytes of ranges, each offset
//               (2), length (2) and the new bytes there; it applies to the page's newest bytes in
//               the generation, so a page's first frame in a generation is always full

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "common/result.h"
#include "jet/pages/page.h"

namespace jet {

inline constexpr uint64_t kLogSlotSize = 4096;
inline constexpr size_t kLogSlotBytes = 72;  // the slot's bytes that count; the rest of its block is zero
inline constexpr uint64_t kLogFramesStart = 2 * kLogSlotSize;
inline constexpr size_t kLogFrameHeaderSize = 24;
inline constexpr size_t kLogFrameSize = kLogFrameHeaderSize + kPageSize;  // a full frame; the largest there is
// A generation of more than one transaction holds at most this many bytes of frames: the writer
// checkpoints before a commit would pass it. It bounds the log file and a replay.
inline constexpr uint64_t kLogGenerationBytes = uint64_t(4) << 20;

// A fast 64-bit checksum (four independent lanes): detects torn and misplaced bytes, not attacks.
uint64_t LogChecksum(uint64_t seed, const uint8_t* data, size_t size);
// The chain value before a generation's first frame.
uint64_t LogChainStart(uint64_t salt);
// A salt for the next generation: random, different on every call.
uint64_t NewLogSalt();
// What a file digest counts of page `index` holding `bytes` (kPageSize of them).
uint64_t PageHash(uint32_t index, const uint8_t* bytes);

// A generation and a point in it: its salt, and the end and the chain value of a commit. The slot
// stores the generation's start; a writer keeps its last commit in one.
struct LogSlot {
    uint64_t sequence = 0;
    uint64_t salt = 0;
    uint64_t end = kLogFramesStart;
    uint64_t chain = 0;
    uint32_t basePages = 0;   // the file's page count when the generation began
    uint64_t baseDigest = 0;  // the sum of PageHash over those pages
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
    uint64_t baseHash = 0;  // on the page's first frame in the generation: its PageHash then
};

// True when `bytes` (size of them) begin with a frame that validates after chain value `chain`.
bool ContinuesLogChain(uint64_t chain, const uint8_t* bytes, size_t size);

// Appends one transaction's frames to `out` and returns the chain value after them.
uint64_t EncodeLogFrames(uint64_t chain, const std::vector<LogPage>& pages, uint32_t pageCount,
                         std::vector<uint8_t>& out);

// For tests and fuzzing: gives the slot the checksum of its bytes and every frame, in order and as
// far as frames fit, the chain value of its bytes, so that changed bytes get past the checks.
void MendLog(std::vector<uint8_t>& log);

// Reads `size` bytes of the log at `offset` into `into`.
using LogReader = std::function<Status(uint64_t offset, uint8_t* into, size_t size)>;

// Where the newest bytes of each page of a generation's whole transactions lie in the log.
struct LogIndex {
    struct Page {
        uint64_t full = 0;                                  // offset of its newest full frame's body
        std::vector<std::pair<uint64_t, uint32_t>> deltas;  // offset and length of the ranges after it
        uint64_t baseHash = 0;                              // from its first frame in the generation
    };
    uint64_t commits = 0;            // whole transactions found
    uint32_t pageCount = 0;          // the file's pages after the last of them
    uint64_t end = kLogFramesStart;  // the offset after its last frame
    uint64_t chain = 0;              // the chain value there
    std::map<uint32_t, Page> pages;
};

// Walks the generation of `slot` in a log of `logSize` bytes, frame by frame.
Result<LogIndex> IndexLog(const LogSlot& slot, uint64_t logSize, const LogReader& read);
// The page's newest bytes, into `into` (kPageSize bytes).
Status RebuildPage(const LogIndex::Page& page, const LogReader& read, uint8_t* into);

}  // namespace jet
