// IndexData's reading side: look-ups descend from the root, scans walk the leaf chain. Changes are
// in index_update.cpp, the consistency check in index_check.cpp.

#include "jet/index/index_data.h"

#include <optional>
#include <unordered_set>

#include "jet/index/index_page.h"
#include "jet/index/index_tree.h"

namespace jet {
namespace {

// Visits entries from the first one not less than (key, row), leaf after leaf, until `visit`
// returns false or the index ends. The leaf chain is followed at most once per page of the file.
Status WalkFrom(Pager& pager, PageNo root, std::string_view key, RowPointer row,
                const std::function<bool(std::string_view key, RowPointer row)>& visit) {
    std::optional<IndexPageView> leaf;
    auto path = DescendTo(pager, root, key, row, &leaf);
    KESTRIN_TRY(path);
    PageNo leafNo = path->back().pageNo;
    std::string scratch;
    size_t position = leaf->LowerBound(key, row);
    for (uint32_t hops = 0;; ++hops) {
        for (; position < leaf->Size(); ++position) {
            if (!visit(leaf->Key(position, scratch), leaf->Row(position))) return Status::Ok();
        }
        PageNo nextNo = leaf->Next();
        if (nextNo == kNoPage) return Status::Ok();
        if (hops > pager.PageCount()) return Status(ErrorCode::Corrupt, PageName(root) + ": the leaf chain loops");
        auto next = ReadIndexPageView(pager, nextNo);
        KESTRIN_TRY(next);
        if (!next->Leaf())
            return Status(ErrorCode::Corrupt, PageName(leafNo) + ": next leaf link leads to a node page");
        leaf.emplace(std::move(next).value());
        leafNo = nextNo;
        position = 0;
    }
}

}  // namespace

IndexData::IndexData(Pager& pager, PageNo rootPage, PageNo tableDefPage, IndexPageAllocator& allocator)
    : pager_(pager), root_(rootPage), tableDef_(tableDefPage), allocator_(allocator) {}

void IndexData::InitEmptyLeaf(uint8_t* page, PageNo tableDefPage) {
    IndexPage empty;
    empty.tableDef = tableDefPage;
    EncodeIndexPage(empty, page);
}

Result<bool> IndexData::HasKey(std::string_view key) {
    bool found = false;
    KESTRIN_TRY(WalkFrom(pager_, root_, key, kLowestRow, [&](std::string_view entryKey, RowPointer) {
        found = entryKey == key;
        return false;
    }));
    return found;
}

Result<std::vector<RowPointer>> IndexData::Find(std::string_view key) {
    std::vector<RowPointer> rows;
    KESTRIN_TRY(WalkFrom(pager_, root_, key, kLowestRow, [&](std::string_view entryKey, RowPointer row) {
        if (entryKey != key) return false;
        rows.push_back(row);
        return true;
    }));
    return rows;
}

Status IndexData::Scan(const std::function<bool(std::string_view key, RowPointer row)>& visit) {
    return WalkFrom(pager_, root_, std::string_view(), kLowestRow, visit);
}

Result<std::vector<PageNo>> IndexData::Pages() {
    std::vector<PageNo> pages{root_};
    std::unordered_set<uint32_t> seen{ToIndex(root_)};
    for (size_t i = 0; i < pages.size(); ++i) {
        auto page = ReadIndexPageView(pager_, pages[i]);
        KESTRIN_TRY(page);
        if (page->Leaf()) continue;
        std::vector<PageNo> children;
        for (size_t k = 0; k < page->Size(); ++k) children.push_back(page->Child(k));
        if (page->Tail() != kNoPage) children.push_back(page->Tail());
        for (PageNo child : children) {
            if (child == kNoPage || !seen.insert(ToIndex(child)).second) {
                return Status(ErrorCode::Corrupt, PageName(pages[i]) + ": child link to page " +
                                                      std::to_string(ToIndex(child)) + " is invalid or shared");
            }
            pages.push_back(child);
        }
    }
    return pages;
}

}  // namespace jet
