// Descents from the root. Every page on the way is decoded (and so bounds-checked) before its
// child links are followed.

#include "jet/index/index_tree.h"

#include <algorithm>

namespace jet {

Result<size_t> ChildSlot(const IndexPage& node, PageNo nodeNo, std::string_view key, RowPointer row) {
    auto found = std::lower_bound(node.entries.begin(), node.entries.end(), 0, [&](const IndexEntry& e, int) {
        return CompareEntries(e, key, row) < 0;
    });
    if (found != node.entries.end()) return size_t(found - node.entries.begin());
    if (node.tail != kNoPage) return kTailChild;
    if (!node.entries.empty()) return node.entries.size() - 1;
    return Status(ErrorCode::Corrupt, PageName(nodeNo) + ": node page without children");
}

Result<std::vector<PathStep>> DescendTo(Pager& pager, PageNo root, std::string_view key, RowPointer row) {
    std::vector<PathStep> path;
    PageNo pageNo = root;
    while (true) {
        if (path.size() == kMaxIndexDepth) {
            return Status(ErrorCode::Corrupt, PageName(root) + ": index deeper than " +
                                                  std::to_string(kMaxIndexDepth) + " levels (a cycle of child links)");
        }
        auto page = ReadIndexPage(pager, pageNo);
        KESTRIN_TRY(page);
        path.push_back({pageNo, std::move(page).value(), 0});
        PathStep& step = path.back();
        if (step.page.leaf) return path;
        auto slot = ChildSlot(step.page, pageNo, key, row);
        KESTRIN_TRY(slot);
        step.child = *slot;
        pageNo = ChildAt(step.page, *slot);
        if (pageNo == kNoPage || pageNo == root) {
            return Status(ErrorCode::Corrupt, PageName(step.pageNo) + ": child link to page " +
                                                  std::to_string(ToIndex(pageNo)));
        }
    }
}

Result<IndexEntry> SubtreeMax(Pager& pager, PageNo pageNo) {
    for (size_t depth = 0; depth < kMaxIndexDepth; ++depth) {
        auto page = ReadIndexPage(pager, pageNo);
        KESTRIN_TRY(page);
        if (page->leaf) {
            if (page->entries.empty()) return Status(ErrorCode::Corrupt, PageName(pageNo) + ": empty leaf below the root");
            return page->entries.back();
        }
        if (page->tail != kNoPage) {
            pageNo = page->tail;
        } else if (!page->entries.empty()) {
            pageNo = page->entries.back().child;
        } else {
            return Status(ErrorCode::Corrupt, PageName(pageNo) + ": node page without children");
        }
    }
    return Status(ErrorCode::Corrupt, PageName(pageNo) + ": child links form a cycle");
}

}  // namespace jet
