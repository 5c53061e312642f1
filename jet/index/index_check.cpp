// IndexData::Check: one walk over the whole tree that re-derives every invariant of index_data.h
// from the pages alone and words each broken one as a line. A page that does not decode is a
// problem, not an error, and its subtree is skipped; only a failing read of the file is an error.
// Shapes this writer never makes but descents and scans find every entry through are notes:
// separator entries (Access's), a node keeping its only child as an entry (this engine's earlier
// versions').

#include <unordered_set>

#include "jet/index/index_data.h"
#include "jet/index/index_page.h"
#include "jet/index/index_tree.h"

namespace jet {
namespace {

// What a parent needs to know about a child it visited.
struct Visited {
    bool decoded = false;
    bool leaf = false;
    PageNo prev = kNoPage;
    PageNo next = kNoPage;
    bool hasEntries = false;  // first/last below are the subtree's smallest and greatest entries
    IndexEntry first;
    IndexEntry last;
};

struct LeafLink {
    PageNo page, prev, next;
};

std::string Row(const IndexEntry& e) {
    return std::to_string(ToIndex(e.row.page)) + ":" + std::to_string(e.row.row);
}

class Checker {
  public:
    Checker(Pager& pager, PageNo root, PageNo tableDef, std::vector<std::string>& problems,
            std::vector<std::string>& notes)
        : pager_(pager), root_(root), tableDef_(tableDef), problems_(problems), notes_(notes) {}

    Status Run() {
        auto root = Visit(root_, 0);
        KESTRIN_TRY(root);
        if (root->decoded && (root->prev != kNoPage || root->next != kNoPage)) Problem(root_, "the root has peers");
        CheckLeafChain();
        return Status::Ok();
    }

  private:
    void Problem(PageNo pageNo, const std::string& what) { problems_.push_back(PageName(pageNo) + ": " + what); }
    void Note(PageNo pageNo, const std::string& what) { notes_.push_back(PageName(pageNo) + ": " + what); }

    Result<Visited> Visit(PageNo pageNo, size_t depth);
    void CheckPage(PageNo pageNo, const IndexPage& page);
    Status VisitChildren(PageNo pageNo, const IndexPage& node, size_t depth, Visited& self);
    bool CheckUpperBound(PageNo pageNo, const IndexPage& node, size_t i, const Visited& child);
    void CheckLowerBound(PageNo pageNo, const IndexPage& node, size_t i, const Visited& child);
    void CheckNodePeers(PageNo pageNo, const std::vector<PageNo>& children, const std::vector<Visited>& visited);
    void CheckLeafChain();

    Pager& pager_;
    PageNo root_;
    PageNo tableDef_;
    std::vector<std::string>& problems_;
    std::vector<std::string>& notes_;
    std::unordered_set<uint32_t> seen_;
    std::vector<LeafLink> leaves_;  // in key order, as the tree reaches them
    size_t leafDepth_ = SIZE_MAX;
};

Result<Visited> Checker::Visit(PageNo pageNo, size_t depth) {
    Visited self;
    if (depth >= kMaxIndexDepth) {
        Problem(pageNo, "deeper than " + std::to_string(kMaxIndexDepth) + " levels");
        return self;
    }
    if (!seen_.insert(ToIndex(pageNo)).second) {
        Problem(pageNo, "reached a second time (shared child or cycle)");
        return self;
    }
    auto bytes = pager_.Read(pageNo);
    if (!bytes.ok() && bytes.code() != ErrorCode::Corrupt) return bytes.status();
    auto page = bytes.ok() ? DecodeIndexPage(*bytes, pageNo) : Result<IndexPage>(bytes.status());
    if (!page.ok()) {
        problems_.push_back(page.status().message());
        return self;
    }
    self.decoded = true;
    self.leaf = page->leaf;
    self.prev = page->prev;
    self.next = page->next;
    CheckPage(pageNo, *page);
    if (page->leaf) {
        if (leafDepth_ == SIZE_MAX) leafDepth_ = depth;
        if (depth != leafDepth_)
            Problem(pageNo, "leaf at depth " + std::to_string(depth) + ", others at " + std::to_string(leafDepth_));
        leaves_.push_back({pageNo, page->prev, page->next});
        if (!page->entries.empty()) {
            self.hasEntries = true;
            self.first = page->entries.front();
            self.last = page->entries.back();
        }
        return self;
    }
    KESTRIN_TRY(VisitChildren(pageNo, *page, depth, self));
    return self;
}

void Checker::CheckPage(PageNo pageNo, const IndexPage& page) {
    if (page.tableDef != tableDef_) {
        Problem(pageNo, "table definition page " + std::to_string(ToIndex(page.tableDef)) + ", expected " +
                            std::to_string(ToIndex(tableDef_)));
    }
    if (page.leaf && page.tail != kNoPage) Problem(pageNo, "leaf page with a tail link");
    if (pageNo != root_ && page.ChildCount() == 0) Problem(pageNo, "empty page below the root");
    if (pageNo == root_ && !page.leaf && page.ChildCount() == 0) Problem(pageNo, "root node without children");
    for (size_t i = 1; i < page.entries.size(); ++i) {
        const IndexEntry& before = page.entries[i - 1];
        if (CompareEntries(before, page.entries[i].key, page.entries[i].row) >= 0) {
            Problem(pageNo, "entry " + std::to_string(i) + " (row " + Row(page.entries[i]) + ") is not after entry " +
                                std::to_string(i - 1) + " (row " + Row(before) + ")");
        }
    }
    if (!page.leaf && page.tail == kNoPage && page.entries.size() >= 2) {
        Problem(pageNo, "node with " + std::to_string(page.entries.size()) + " children keeps none in the tail");
    }
    if (!page.leaf && page.tail == kNoPage && page.entries.size() == 1)
        Note(pageNo, "node keeps its only child as an entry, with no tail");
}

Status Checker::VisitChildren(PageNo pageNo, const IndexPage& node, size_t depth, Visited& self) {
    std::vector<PageNo> children;
    for (const IndexEntry& entry : node.entries) children.push_back(entry.child);
    if (node.tail != kNoPage) children.push_back(node.tail);
    std::vector<Visited> visited;
    size_t separators = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i] == kNoPage || children[i] == root_) {
            Problem(pageNo, "child link " + std::to_string(i) + " to page " + std::to_string(ToIndex(children[i])));
            visited.emplace_back();
            continue;
        }
        auto child = Visit(children[i], depth + 1);
        KESTRIN_TRY(child);
        if (child->hasEntries && i < node.entries.size()) separators += CheckUpperBound(pageNo, node, i, *child);
        if (child->hasEntries && i > 0) CheckLowerBound(pageNo, node, i, *child);
        if (child->hasEntries && !visited.empty() && visited.back().hasEntries &&
            CompareEntries(visited.back().last, child->first.key, child->first.row) >= 0) {
            Problem(pageNo, "child " + std::to_string(i) + " starts before child " + std::to_string(i - 1) + " ends");
        }
        visited.push_back(std::move(child).value());
    }
    if (separators > 0)
        Note(pageNo,
             "separators above their child's last entry (entries since removed below): " + std::to_string(separators));
    CheckNodePeers(pageNo, children, visited);
    if (!visited.empty() && visited.front().hasEntries && visited.back().hasEntries) {
        self.hasEntries = true;
        self.first = visited.front().first;
        self.last = visited.back().last;
    }
    return Status::Ok();
}

// Entry i bounds child i from above: it copies the child's last entry or, as a separator, lies above
// it. Returns whether it is a separator.
bool Checker::CheckUpperBound(PageNo pageNo, const IndexPage& node, size_t i, const Visited& child) {
    const IndexEntry& entry = node.entries[i];
    int order = CompareEntries(entry, child.last.key, child.last.row);
    if (order < 0) {
        Problem(pageNo, "entry " + std::to_string(i) + " (row " + Row(entry) + ") is not the last entry of page " +
                            std::to_string(ToIndex(entry.child)) + " (row " + Row(child.last) + ") nor above it");
    }
    return order > 0;
}

// Entry i - 1 bounds child i from below: a descent to any of child i's entries must pass it.
void Checker::CheckLowerBound(PageNo pageNo, const IndexPage& node, size_t i, const Visited& child) {
    const IndexEntry& entry = node.entries[i - 1];
    if (CompareEntries(entry, child.first.key, child.first.row) >= 0) {
        Problem(pageNo, "entry " + std::to_string(i - 1) + " (row " + Row(entry) +
                            ") is not below the first entry of the next child (row " + Row(child.first) + ")");
    }
}

// Node pages link only to the siblings under the same parent, in order.
void Checker::CheckNodePeers(PageNo pageNo, const std::vector<PageNo>& children, const std::vector<Visited>& visited) {
    for (const Visited& child : visited) {
        if (!child.decoded || child.leaf) return;
    }
    for (size_t i = 0; i < children.size(); ++i) {
        PageNo wantPrev = i == 0 ? kNoPage : children[i - 1];
        PageNo wantNext = i + 1 == children.size() ? kNoPage : children[i + 1];
        if (visited[i].prev != wantPrev || visited[i].next != wantNext) {
            Problem(pageNo, "child node " + std::to_string(ToIndex(children[i])) + " links to " +
                                std::to_string(ToIndex(visited[i].prev)) + "/" +
                                std::to_string(ToIndex(visited[i].next)) + ", expected " +
                                std::to_string(ToIndex(wantPrev)) + "/" + std::to_string(ToIndex(wantNext)));
        }
    }
}

// The leaves the tree reaches, in key order, must be exactly the doubly linked chain.
void Checker::CheckLeafChain() {
    for (size_t i = 0; i < leaves_.size(); ++i) {
        PageNo wantPrev = i == 0 ? kNoPage : leaves_[i - 1].page;
        PageNo wantNext = i + 1 == leaves_.size() ? kNoPage : leaves_[i + 1].page;
        if (leaves_[i].prev != wantPrev) {
            Problem(leaves_[i].page, "previous leaf link " + std::to_string(ToIndex(leaves_[i].prev)) + ", expected " +
                                         std::to_string(ToIndex(wantPrev)));
        }
        if (leaves_[i].next != wantNext) {
            Problem(leaves_[i].page, "next leaf link " + std::to_string(ToIndex(leaves_[i].next)) + ", expected " +
                                         std::to_string(ToIndex(wantNext)));
        }
    }
}

}  // namespace

Status IndexData::Check(std::vector<std::string>& problems, std::vector<std::string>& notes) {
    return Checker(pager_, root_, tableDef_, problems, notes).Run();
}

}  // namespace jet
