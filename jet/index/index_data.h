#pragma once
// IndexData: one real index of a table, the B-tree of index pages (leaf 0x04, node 0x03) hanging
// from a root page that never moves. Entries are (key bytes, row pointer), sorted by key bytes as
// unsigned, then page, then row. Keys come from EncodeIndexKey (index_key.h).
//
// Invariants (checked by Check):
//  1. Entries on every page are sorted, and each page's entry bitmap and free space describe its
//     entries exactly; entries fit in the 3616 bytes after the header.
//  2. A node entry bounds its child's subtree: it is not below the subtree's last entry and is below
//     the first entry of the next child. This writer makes it a copy of that last entry; Access also
//     leaves separators above it (an entry since removed below), which descents handle alike. Every
//     node keeps its last child in the tail field, as Access does (a node with one child has no
//     entry); earlier versions kept a node's only child as an entry, which still reads.
//  3. Leaves form one doubly linked list in key order.
//  4. The root page number never changes: a full root moves its entries down one level.
// Uniqueness is the caller's decision: it asks HasKey before Insert, for every index of the table,
// before it writes anything.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "jet/pages/pager.h"

namespace jet {

// A row's address: data page and slot. Stored big-endian in index entries (3-byte page, 1-byte row).
struct RowPointer {
    PageNo page = kNoPage;
    uint8_t row = 0;
    bool operator==(const RowPointer&) const = default;
};

// How an index gets and returns pages: the table layer owns the global usage map and the index's
// own usage map, and keeps both in step.
class IndexPageAllocator {
  public:
    virtual ~IndexPageAllocator() = default;
    virtual Result<PageNo> AllocateIndexPage() = 0;
    // IndexData has already unlinked the page and zeroed its first four bytes (a freed page's type).
    virtual Status FreeIndexPage(PageNo page) = 0;
};

// The longest key Insert accepts (TooLarge beyond): any three entries of this size fit one page, so
// a split always leaves both halves within the page.
inline constexpr size_t kMaxIndexKeySize = 1100;

class IndexData {
  public:
    // `tableDefPage` is written into the header of every index page.
    IndexData(Pager& pager, PageNo rootPage, PageNo tableDefPage, IndexPageAllocator& allocator);

    // Formats `page` as an empty leaf: the root of a new index.
    static void InitEmptyLeaf(uint8_t* page, PageNo tableDefPage);

    Result<bool> HasKey(std::string_view key);
    Result<std::vector<RowPointer>> Find(std::string_view key);
    Status Insert(std::string_view key, RowPointer row);
    // Removes the entry (key, row); a missing entry is Corrupt.
    Status Remove(std::string_view key, RowPointer row);
    // Visits every entry in order until `visit` returns false.
    Status Scan(const std::function<bool(std::string_view key, RowPointer row)>& visit);
    // Appends one line per broken invariant to `problems`, and to `notes` one per shape that reads
    // but that this writer never makes (separators, a node whose only child is an entry); Status is
    // an error only when a page cannot be read at all.
    Status Check(std::vector<std::string>& problems, std::vector<std::string>& notes);
    // Every page of this index (root included), for the table's consistency check against the
    // index's usage map.
    Result<std::vector<PageNo>> Pages();

  private:
    Pager& pager_;
    PageNo root_;
    PageNo tableDef_;
    IndexPageAllocator& allocator_;
};

}  // namespace jet
