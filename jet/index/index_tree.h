#pragma once
// Walking an index B-tree from its root: the path to the leaf where an entry belongs. Private to
// jet/index.
//
// Invariants:
//  1. A descent never visits more than kMaxIndexDepth pages, so a cycle of child links ends in
//     Corrupt instead of a loop.
//  2. path.front() is the root, path.back() a leaf; step i's `child` names the child that step i+1
//     holds (the leaf's `child` is unused). Descents read pages in place and copy nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "jet/index/index_page.h"

namespace jet {

// A B-tree of 3616-byte pages holding at least two entries per node cannot be this deep with
// fewer than 2^32 pages.
inline constexpr size_t kMaxIndexDepth = 32;
// The `child` of a step that descended into the node's tail.
inline constexpr size_t kTailChild = SIZE_MAX;

// One page on the way down. Only the page number and the child taken are kept: a change
// usually ends at the leaf, so the pages above are decoded only when the change reaches them.
struct PathStep {
    PageNo pageNo = kNoPage;
    size_t child = 0;
};

// Where (key, row) belongs in a node: the first entry not less than it, else the tail, else the
// last entry. A node with no child is Corrupt.
Result<size_t> ChildSlot(const IndexPageView& node, PageNo nodeNo, std::string_view key, RowPointer row);
inline PageNo ChildAt(const IndexPage& node, size_t slot) {
    return slot == kTailChild ? node.tail : node.entries[slot].child;
}

// path.back() is the leaf where (key, row) belongs; `leaf` is its view.
Result<std::vector<PathStep>> DescendTo(Pager& pager, PageNo root, std::string_view key, RowPointer row,
                                        std::optional<IndexPageView>* leaf = nullptr);

// The smallest row pointer: (key, kLowestRow) sorts before every entry whose key is `key`.
inline constexpr RowPointer kLowestRow{kNoPage, 0};

}  // namespace jet
