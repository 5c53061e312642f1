#pragma once
// One index page (leaf 0x04 or node 0x03) decoded into memory, and its codec. Private to jet/index:
// IndexData reads a page, edits the entry vector and writes the page back whole.
//
// On-disk format (little-endian header; entries big-endian):
//   OFFSET  SIZE  DESCRIPTION
//   0        1    0x04 leaf, 0x03 node
//   1        1    0x01
//   2        2    free space = 4096 - 480 - entry bytes
//   4        4    TDEF page of the table
//   8        4    zero
//   12       4    previous page on the same level (0 = none)
//   16       4    next page on the same level (0 = none)
//   20       4    node: tail child page (0 = none); leaf: 0
//   24       2    prefix length P shared by every entry after the first
//   26       1    zero
//   27     453    entry-end bitmap: bit p set <=> an entry ends p bytes after offset 480
//   480   3616    entries back to back; each one after the first stored without its first P bytes
// An entry is key bytes, the row pointer (3-byte page, 1-byte row) and, on node pages, the child
// page (4 bytes).
//
// Invariants of a decoded page (DecodeIndexPage refuses anything else as Corrupt):
//  1. Every entry was bounded by the bitmap, lies within the 3616-byte area and holds at least its
//     row pointer (and child page on a node).
//  2. The free-space field matched the bytes the entries occupy.
// EncodeIndexPage always writes P = 0.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "jet/index/index_data.h"
#include "jet/pages/pager.h"

namespace jet {

inline constexpr size_t kIndexEntryStart = 480;
inline constexpr size_t kIndexEntryArea = kPageSize - kIndexEntryStart;  // 3616

struct IndexEntry {
    std::string key;
    RowPointer row;
    PageNo child = kNoPage;  // node pages only
};

struct IndexPage {
    bool leaf = true;
    PageNo tableDef = kNoPage;
    PageNo prev = kNoPage;
    PageNo next = kNoPage;
    PageNo tail = kNoPage;  // node pages: the last child, which has no entry
    std::vector<IndexEntry> entries;

    size_t ChildCount() const { return entries.size() + (tail != kNoPage ? 1 : 0); }
};

// Entry order: key bytes as unsigned (a proper prefix first), then page, then row.
int CompareEntries(std::string_view keyA, RowPointer rowA, std::string_view keyB, RowPointer rowB);
inline int CompareEntries(const IndexEntry& a, std::string_view key, RowPointer row) {
    return CompareEntries(a.key, a.row, key, row);
}

// Bytes an entry takes on a page written with P = 0.
size_t StoredEntrySize(const IndexEntry& entry, bool leaf);
size_t StoredEntryBytes(const IndexPage& page);
inline bool Fits(const IndexPage& page) { return StoredEntryBytes(page) <= kIndexEntryArea; }

// `pageNo` only names the page in error messages.
Result<IndexPage> DecodeIndexPage(const uint8_t* bytes, PageNo pageNo);
// Requires Fits(page). Writes all 4096 bytes.
void EncodeIndexPage(const IndexPage& page, uint8_t* bytes);

Result<IndexPage> ReadIndexPage(Pager& pager, PageNo pageNo);
Status WriteIndexPage(Pager& pager, PageNo pageNo, const IndexPage& page);

// Peer links live at fixed offsets; a neighbour's link is patched without decoding its entries.
// `expected` is what the link must hold now: anything else is Corrupt (the chain is damaged).
enum class PeerLink { Prev, Next };
Status RelinkPeer(Pager& pager, PageNo pageNo, PeerLink link, PageNo expected, PageNo replacement);

std::string PageName(PageNo pageNo);  // "index page 18"

}  // namespace jet
