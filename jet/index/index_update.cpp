// Insert and Remove. Both change one leaf, then settle the path bottom-up: each level applies what
// its child reported (a new last entry, pages split off before it, or that it emptied and was
// freed), splits or frees itself as needed, writes itself and reports to its parent in turn.
//
// Splits move a page's first entries to a new page placed before it, so the page keeps its last
// entry and its parent entry stays valid; only the new page needs a parent entry. Splits balance
// bytes, not entry counts, so that both halves fit whatever the key lengths.

#include <algorithm>
#include <optional>

#include "jet/index/index_data.h"
#include "jet/index/index_page.h"
#include "jet/index/index_tree.h"

namespace jet {
namespace {

// What a page's change means for its parent.
struct ChildReport {
    bool maxChanged = false;
    IndexEntry newMax;                // the page's new last entry (key and row)
    bool emptied = false;             // the page lost its last entry and was freed
    std::vector<IndexEntry> newLeft;  // pages split off before it, in order: their last entry + page
};

// The largest prefix of entries holding at most half the bytes (at least one entry, never all).
size_t SplitCount(const IndexPage& page) {
    size_t total = StoredEntryBytes(page);
    size_t count = 0;
    size_t bytes = 0;
    while (count + 1 < page.entries.size()) {
        size_t next = StoredEntrySize(page.entries[count], page.leaf);
        if (bytes + next > total / 2) break;
        bytes += next;
        ++count;
    }
    return std::max<size_t>(count, 1);
}

// Every node keeps its last child in the tail field, as Access does: a node with one child has no
// entry at all. (Earlier versions kept a node's only child as an entry; such a node turns into this
// form at its next change.)
void KeepLastChildInTail(IndexPage& node) {
    if (node.leaf || node.tail != kNoPage || node.entries.empty()) return;
    node.tail = node.entries.back().child;
    node.entries.pop_back();
}

bool Unchanged(const ChildReport& report) {
    return !report.maxChanged && !report.emptied && report.newLeft.empty();
}

class TreeUpdate {
  public:
    TreeUpdate(Pager& pager, PageNo tableDef, IndexPageAllocator& allocator)
        : pager_(pager), tableDef_(tableDef), allocator_(allocator) {}

    // `leaf` is path.back()'s page after the change, or none when the change was made in place;
    // `report` is what the change means for the leaf's parent.
    Status Settle(const std::vector<PathStep>& path, std::optional<IndexPage> leaf, ChildReport report);

  private:
    Status ApplyReport(IndexPage& page, size_t slot, const ChildReport& child, ChildReport& mine);
    Status FinishPage(PageNo pageNo, IndexPage& page, size_t level, size_t pathSize, ChildReport& mine);
    Status SplitOff(PageNo pageNo, IndexPage& page, bool childrenAreLeaves, std::vector<IndexEntry>& newLeft);
    Status SplitRoot(IndexPage& root, bool childrenAreLeaves);
    Status FreePage(PageNo pageNo, const IndexPage& page);

    Pager& pager_;
    PageNo tableDef_;
    IndexPageAllocator& allocator_;
};

Status TreeUpdate::Settle(const std::vector<PathStep>& path, std::optional<IndexPage> leaf, ChildReport report) {
    IndexPage page;
    size_t level = path.size() - 1;
    if (leaf) {
        page = std::move(*leaf);
        KESTRIN_TRY(FinishPage(path[level].pageNo, page, level, path.size(), report));
    }
    while (level-- > 0) {
        if (Unchanged(report)) return Status::Ok();  // the pages above stay as they are
        bool onlyMax = !report.emptied && report.newLeft.empty();
        if (onlyMax && path[level].child == kTailChild) continue;  // a tail has no entry: the change goes up as is
        auto parent = ReadIndexPage(pager_, path[level].pageNo);
        KESTRIN_TRY(parent);
        page = std::move(parent).value();
        ChildReport mine;
        KESTRIN_TRY(ApplyReport(page, path[level].child, report, mine));
        KESTRIN_TRY(FinishPage(path[level].pageNo, page, level, path.size(), mine));
        report = std::move(mine);
    }
    return Status::Ok();
}

Status TreeUpdate::ApplyReport(IndexPage& page, size_t slot, const ChildReport& child, ChildReport& mine) {
    bool isTail = slot == kTailChild;
    bool lastChild = isTail || (page.tail == kNoPage && slot + 1 == page.entries.size());
    if (child.emptied) {
        if (isTail) {
            page.tail = kNoPage;
        } else {
            page.entries.erase(page.entries.begin() + ptrdiff_t(slot));
        }
        if (lastChild && !page.entries.empty() && page.tail == kNoPage) {
            mine.maxChanged = true;
            mine.newMax = page.entries.back();
        }
    } else {
        if (child.maxChanged) {
            if (!isTail) {
                page.entries[slot].key = child.newMax.key;
                page.entries[slot].row = child.newMax.row;
            }
            if (lastChild) {
                mine.maxChanged = true;
                mine.newMax = child.newMax;
            }
        }
        size_t insertAt = isTail ? page.entries.size() : slot;
        page.entries.insert(page.entries.begin() + ptrdiff_t(insertAt), child.newLeft.begin(), child.newLeft.end());
    }
    KeepLastChildInTail(page);
    return Status::Ok();
}

Status TreeUpdate::FinishPage(PageNo pageNo, IndexPage& page, size_t level, size_t pathSize, ChildReport& mine) {
    bool childrenAreLeaves = level + 2 == pathSize;
    if (page.ChildCount() == 0) {
        if (level > 0) {
            mine = ChildReport{};
            mine.emptied = true;
            return FreePage(pageNo, page);
        }
        page.leaf = true;  // an index emptied completely is one empty leaf again
        page.tail = kNoPage;
    }
    if (level == 0) {
        while (!Fits(page)) KESTRIN_TRY(SplitRoot(page, childrenAreLeaves));
    } else {
        while (!Fits(page)) KESTRIN_TRY(SplitOff(pageNo, page, childrenAreLeaves, mine.newLeft));
    }
    return WriteIndexPage(pager_, pageNo, page);
}

Status TreeUpdate::SplitOff(PageNo pageNo, IndexPage& page, bool childrenAreLeaves, std::vector<IndexEntry>& newLeft) {
    if (page.entries.size() < 2) return Status(ErrorCode::TooLarge, PageName(pageNo) + ": an entry fills the page");
    auto allocated = allocator_.AllocateIndexPage();
    KESTRIN_TRY(allocated);
    PageNo leftNo = *allocated;
    size_t count = SplitCount(page);
    IndexPage left;
    left.leaf = page.leaf;
    left.tableDef = tableDef_;
    left.prev = page.prev;
    left.next = pageNo;
    left.entries.assign(std::make_move_iterator(page.entries.begin()),
                        std::make_move_iterator(page.entries.begin() + ptrdiff_t(count)));
    page.entries.erase(page.entries.begin(), page.entries.begin() + ptrdiff_t(count));
    IndexEntry leftMax = left.entries.back();
    leftMax.child = leftNo;
    KeepLastChildInTail(left);
    if (page.prev != kNoPage) KESTRIN_TRY(RelinkPeer(pager_, page.prev, PeerLink::Next, pageNo, leftNo));
    page.prev = leftNo;
    if (!page.leaf && !childrenAreLeaves) {
        // Node pages link only to siblings under the same parent: the two halves' children part.
        PageNo leftLast = left.tail != kNoPage ? left.tail : left.entries.back().child;
        PageNo rightFirst = page.entries.empty() ? page.tail : page.entries.front().child;
        KESTRIN_TRY(RelinkPeer(pager_, leftLast, PeerLink::Next, rightFirst, kNoPage));
        KESTRIN_TRY(RelinkPeer(pager_, rightFirst, PeerLink::Prev, leftLast, kNoPage));
    }
    KESTRIN_TRY(WriteIndexPage(pager_, leftNo, left));
    newLeft.push_back(std::move(leftMax));
    return Status::Ok();
}

// The root page never moves: its contents go down into a new page, which then splits below it.
Status TreeUpdate::SplitRoot(IndexPage& root, bool childrenAreLeaves) {
    auto allocated = allocator_.AllocateIndexPage();
    KESTRIN_TRY(allocated);
    PageNo childNo = *allocated;
    IndexPage child = std::move(root);
    child.tableDef = tableDef_;
    child.prev = child.next = kNoPage;
    std::vector<IndexEntry> newLeft;
    while (!Fits(child)) KESTRIN_TRY(SplitOff(childNo, child, childrenAreLeaves, newLeft));
    KESTRIN_TRY(WriteIndexPage(pager_, childNo, child));
    root = IndexPage{};
    root.leaf = false;
    root.tableDef = tableDef_;
    root.entries = std::move(newLeft);
    root.tail = childNo;
    return Status::Ok();
}

Status TreeUpdate::FreePage(PageNo pageNo, const IndexPage& page) {
    if (page.prev != kNoPage) KESTRIN_TRY(RelinkPeer(pager_, page.prev, PeerLink::Next, pageNo, page.next));
    if (page.next != kNoPage) KESTRIN_TRY(RelinkPeer(pager_, page.next, PeerLink::Prev, pageNo, page.prev));
    auto bytes = pager_.Write(pageNo);
    KESTRIN_TRY(bytes);
    std::fill(*bytes, *bytes + 4, uint8_t(0));  // a freed page's type byte says so
    return allocator_.FreeIndexPage(pageNo);
}

Status CheckEntryArguments(std::string_view key, RowPointer row) {
    if (key.size() > kMaxIndexKeySize) {
        return Status(ErrorCode::TooLarge, "index key of " + std::to_string(key.size()) + " bytes (at most " +
                                               std::to_string(kMaxIndexKeySize) + ")");
    }
    if (row.page == kNoPage || ToIndex(row.page) > 0xFFFFFF) {
        return Status(ErrorCode::InvalidArgument, "row pointer page " + std::to_string(ToIndex(row.page)));
    }
    return Status::Ok();
}

}  // namespace

Status IndexData::Insert(std::string_view key, RowPointer row) {
    KESTRIN_TRY(CheckEntryArguments(key, row));
    std::optional<IndexPageView> view;
    auto path = DescendTo(pager_, root_, key, row, &view);
    KESTRIN_TRY(path);
    PageNo leafNo = path->back().pageNo;
    size_t position = view->LowerBound(key, row);
    if (position < view->Size() && view->Compare(position, key, row) == 0) {
        return Status(ErrorCode::InvalidArgument, PageName(leafNo) + ": the entry is already present");
    }
    IndexEntry entry{std::string(key), row, kNoPage};
    ChildReport report;
    if (position == view->Size()) {
        report.maxChanged = true;
        report.newMax = entry;
    }
    auto bytes = pager_.Write(leafNo);
    KESTRIN_TRY(bytes);
    std::optional<IndexPage> leaf;
    if (!InsertEntryInPlace(*bytes, *view, position, entry)) {
        leaf = view->Decode();
        leaf->entries.insert(leaf->entries.begin() + ptrdiff_t(position), std::move(entry));
    }
    return TreeUpdate(pager_, tableDef_, allocator_).Settle(*path, std::move(leaf), std::move(report));
}

Status IndexData::Remove(std::string_view key, RowPointer row) {
    std::optional<IndexPageView> view;
    auto path = DescendTo(pager_, root_, key, row, &view);
    KESTRIN_TRY(path);
    size_t position = view->LowerBound(key, row);
    if (position == view->Size() || view->Compare(position, key, row) != 0) {
        return Status(ErrorCode::Corrupt, PageName(root_) + ": no index entry for row " +
                                              std::to_string(ToIndex(row.page)) + ":" + std::to_string(row.row));
    }
    ChildReport report;
    if (position + 1 == view->Size() && position > 0) {
        report.maxChanged = true;
        report.newMax = view->Entry(position - 1);
    }
    auto bytes = pager_.Write(path->back().pageNo);
    KESTRIN_TRY(bytes);
    std::optional<IndexPage> leaf;
    if (!RemoveEntryInPlace(*bytes, *view, position)) {
        leaf = view->Decode();
        leaf->entries.erase(leaf->entries.begin() + ptrdiff_t(position));
    }
    return TreeUpdate(pager_, tableDef_, allocator_).Settle(*path, std::move(leaf), std::move(report));
}

}  // namespace jet
