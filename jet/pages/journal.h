#pragma once
// The rollback journal's bytes: what Commit writes to "<path>-journal" before it touches the
// database file, and what Open reads back after a crash. Private to jet/pages.
//
// Invariants:
//  1. Decode accepts only a journal whose header and every record check out. A journal written in
//     full and synced always does; a journal torn by a crash before its one Sync completed never
//     does, and such a journal means the database file was not yet written.
//  2. Every decoded record names a page below the original page count.
//
// On-disk format (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      8    magic "KJRNL\0\0\1"
//   8      4    page size (4096)
//   12     4    original page count: the file is truncated back to this many pages
//   16     4    record count
//   20     4    reserved, zero
//   24     8    checksum of bytes 0..23
//   32     ...  records, each 4 + 4 + 8 + 4096 bytes:
//                 page number, reserved zero, checksum of (header checksum, page number, bytes),
//                 the page's bytes before the transaction

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "jet/pages/page.h"

namespace jet {

inline constexpr size_t kJournalHeaderSize = 32;
inline constexpr size_t kJournalRecordSize = 16 + kPageSize;

struct JournalPage {
    PageNo page;
    const uint8_t* bytes;  // borrowed, kPageSize bytes
};

std::vector<uint8_t> EncodeJournal(uint32_t originalPageCount, const std::vector<JournalPage>& pages);

struct DecodedJournal {
    uint32_t originalPageCount = 0;
    std::vector<uint8_t> bytes;                      // the whole journal
    std::vector<std::pair<PageNo, size_t>> records;  // page, offset of its bytes in `bytes`
};

// nullopt when the journal is not a complete, valid journal.
std::optional<DecodedJournal> DecodeJournal(std::vector<uint8_t> bytes);

}  // namespace jet
