#pragma once
// One index page (leaf 0x04 or node 0x03): a view that reads it in place, the page decoded into
// memory, and its codec. Private to jet/index: look-ups read views; a change edits one leaf's bytes
// in place when it can, else decodes the page, edits the entry vector and writes the page whole.
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

// A decoded header and the entry boundaries of a page, reading entries in place: look-ups binary
// search a page without copying its entries. Valid while the page's bytes are (Pager invariant 3
// keeps them in place); a view of a page that is then written reads the new bytes.
class IndexPageView {
  public:
    // The same checks as DecodeIndexPage; `pageNo` only names the page in error messages.
    static Result<IndexPageView> Parse(const uint8_t* bytes, PageNo pageNo);

    bool Leaf() const { return leaf_; }
    PageNo TableDef() const;
    PageNo Prev() const;
    PageNo Next() const;
    PageNo Tail() const;
    size_t Size() const { return ends_.size(); }

    // Entry i's key: a view into the page when it is stored whole, else assembled in `scratch`.
    std::string_view Key(size_t i, std::string& scratch) const;
    RowPointer Row(size_t i) const;
    PageNo Child(size_t i) const;  // node pages
    IndexEntry Entry(size_t i) const;
    IndexPage Decode() const;  // a copy of the whole page
    int Compare(size_t i, std::string_view key, RowPointer row) const;
    // The first entry not less than (key, row); Size() if none.
    size_t LowerBound(std::string_view key, RowPointer row) const;

    size_t PrefixLength() const { return prefixLength_; }
    const std::vector<uint16_t>& Ends() const { return ends_; }

  private:
    IndexPageView() = default;
    // Byte `offset` of entry i's full form (prefix + stored bytes).
    uint8_t FullByte(size_t i, size_t offset) const;
    size_t FullSize(size_t i) const;

    const uint8_t* bytes_ = nullptr;
    bool leaf_ = true;
    size_t prefixLength_ = 0;
    std::vector<uint16_t> ends_;
};

// Entry order: key bytes as unsigned (a proper prefix first), then page, then row.
int CompareEntries(std::string_view keyA, RowPointer rowA, std::string_view keyB, RowPointer rowB);
inline int CompareEntries(const IndexEntry& a, std::string_view key, RowPointer row) {
    return CompareEntries(a.key, a.row, key, row);
}

// Bytes an entry takes on a page written with P = 0.
size_t StoredEntrySize(const IndexEntry& entry, bool leaf);
size_t StoredEntryBytes(const IndexPage& page);
inline bool Fits(const IndexPage& page) {
    return StoredEntryBytes(page) <= kIndexEntryArea;
}

// `pageNo` only names the page in error messages.
Result<IndexPage> DecodeIndexPage(const uint8_t* bytes, PageNo pageNo);
// Requires Fits(page). Writes all 4096 bytes.
void EncodeIndexPage(const IndexPage& page, uint8_t* bytes);

// Small changes made in place, without decoding the page: `view` describes `bytes` before the
// change and is stale after it. Each returns false, changing nothing, unless the page is stored with
// P = 0 and keeps at least one entry and fits; the caller then rewrites the page whole.
bool InsertEntryInPlace(uint8_t* bytes, const IndexPageView& view, size_t position, const IndexEntry& entry);
bool RemoveEntryInPlace(uint8_t* bytes, const IndexPageView& view, size_t position);

Result<IndexPage> ReadIndexPage(Pager& pager, PageNo pageNo);
Result<IndexPageView> ReadIndexPageView(Pager& pager, PageNo pageNo);
Status WriteIndexPage(Pager& pager, PageNo pageNo, const IndexPage& page);

// Peer links live at fixed offsets; a neighbour's link is patched without decoding its entries.
// `expected` is what the link must hold now: anything else is Corrupt (the chain is damaged).
enum class PeerLink { Prev, Next };
Status RelinkPeer(Pager& pager, PageNo pageNo, PeerLink link, PageNo expected, PageNo replacement);

std::string PageName(PageNo pageNo);  // "index page 18"

}  // namespace jet
