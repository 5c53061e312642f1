#pragma once
// The rollback journal of the earlier format (version 2): the original bytes of every page a
// transaction changed, written to "<path>-journal" before the database file. Commits now go through
// the redo log (redo_log.h) at the same name; a journal of this format left by a crash of an older
// build is still recognised at Open and played back once. Private to jet/pages; the encoder is kept
// so that tests can leave such journals.
//
// The journal carries a checksum of every page's bytes after the transaction (changed and appended
// pages) and the new page count, so a journal found at Open tells whether its transaction already
// landed completely in the database file. Every checksum is seeded with the header's, which holds a
// salt drawn per transaction.
//
// Invariants:
//  1. Decode accepts only a journal whose header and every record check out.
//  2. Every decoded record names a distinct page below the original page count, and the new page
//     count is at least the original.
//  3. Bytes after the length the header announces are ignored.
//  4. A retired journal's header is kJournalHeaderSize zero bytes, which never decodes.
//
// On-disk format (little-endian):
//   OFFSET SIZE DESCRIPTION
//   0      8    magic "KJRNL\0\0\2"
//   8      4    page size (4096)
//   12     4    original page count: a rollback truncates the file back to this many pages
//   16     4    new page count: the file's pages after the transaction
//   20     4    record count R
//   24     8    salt: drawn anew for every transaction
//   32     8    header checksum: of bytes 0..31
//   40     R x  records, each 24 + 4096 bytes:
//                 0  4    page number
//                 4  4    reserved, zero
//                 8  8    checksum of the page's bytes after the transaction
//                 16 8    record checksum: of the header checksum, bytes 0..15, the original bytes
//                 24 4096 the page's bytes before the transaction
//   then   8 x A  checksums of the appended pages' bytes, A = new - original page count, in order
//   then   8      checksum of those A checksums (seeded with the header checksum)

#include <cstdint>
#include <optional>
#include <vector>

#include "jet/pages/page.h"

namespace jet {

inline constexpr size_t kJournalHeaderSize = 40;
inline constexpr size_t kJournalRecordSize = 24 + kPageSize;

struct JournalPage {
    PageNo page;
    const uint8_t* before;  // borrowed, kPageSize bytes
    const uint8_t* after;   // borrowed, kPageSize bytes
};

// The hash a journal keeps of a page's bytes after the transaction.
uint64_t PageChecksum(const uint8_t* page);

// `appended`: the bytes of the pages after the original end, in page order.
std::vector<uint8_t> EncodeJournal(uint32_t originalPageCount, const std::vector<JournalPage>& changed,
                                   const std::vector<const uint8_t*>& appended, uint64_t salt = 0);

// A salt for the next transaction's journal or log generation: random, different on every call.
uint64_t NewJournalSalt();

// True when `bytes` (size of them) start with this format's magic.
bool IsRollbackJournal(const uint8_t* bytes, size_t size);

// True when the first kJournalHeaderSize bytes are those of a retired journal.
bool IsRetiredJournal(const uint8_t* header);

// The whole length a journal header announces; nullopt when the header does not check out.
std::optional<uint64_t> AnnouncedJournalLength(const uint8_t* header);

struct DecodedJournal {
    struct Record {
        PageNo page;
        size_t beforeOffset;  // of the original bytes within `bytes`
        uint64_t afterChecksum;
    };
    uint32_t originalPageCount = 0;
    uint32_t newPageCount = 0;
    std::vector<uint8_t> bytes;  // the whole journal
    std::vector<Record> records;
    std::vector<uint64_t> appendedChecksums;  // page originalPageCount + i has appendedChecksums[i]
};

// nullopt when the bytes are not a complete, valid journal.
std::optional<DecodedJournal> DecodeJournal(std::vector<uint8_t> bytes);

}  // namespace jet
