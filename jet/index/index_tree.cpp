// Descents from the root. Every page on the way is parsed (and so bounds-checked) before its child
// links are followed.

#include "jet/index/index_tree.h"

namespace jet {

Result<size_t> ChildSlot(const IndexPageView& node, PageNo nodeNo, std::string_view key, RowPointer row) {
    size_t found = node.LowerBound(key, row);
    if (found < node.Size()) return found;
    if (node.Tail() != kNoPage) return kTailChild;
    if (node.Size() > 0) return node.Size() - 1;
    return Status(ErrorCode::Corrupt, PageName(nodeNo) + ": node page without children");
}

Result<std::vector<PathStep>> DescendTo(Pager& pager, PageNo root, std::string_view key, RowPointer row,
                                        std::optional<IndexPageView>* leaf) {
    std::vector<PathStep> path;
    PageNo pageNo = root;
    while (true) {
        if (path.size() == kMaxIndexDepth) {
            return Status(ErrorCode::Corrupt, PageName(root) + ": index deeper than " + std::to_string(kMaxIndexDepth) +
                                                  " levels (a cycle of child links)");
        }
        auto page = ReadIndexPageView(pager, pageNo);
        KESTRIN_TRY(page);
        path.push_back({pageNo, 0});
        if (page->Leaf()) {
            if (leaf) leaf->emplace(std::move(page).value());
            return path;
        }
        auto slot = ChildSlot(*page, pageNo, key, row);
        KESTRIN_TRY(slot);
        path.back().child = *slot;
        PageNo childNo = *slot == kTailChild ? page->Tail() : page->Child(*slot);
        if (childNo == kNoPage || childNo == root) {
            return Status(ErrorCode::Corrupt,
                          PageName(pageNo) + ": child link to page " + std::to_string(ToIndex(childNo)));
        }
        pageNo = childNo;
    }
}

}  // namespace jet
