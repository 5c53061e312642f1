#pragma once
// An index on a real Pager over a temporary file: page 0 stands for the header, page 1 for the
// table definition, page 2 is the root. New index pages are appended; freed ones are remembered so
// tests can check that every page the index owns is still reachable and no freed page is.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "jet/index/index_data.h"
#include "jet/pages/pager.h"
#include "tests/native/temp_folder.h"

namespace jet::testing {

class AppendingAllocator : public IndexPageAllocator {
  public:
    explicit AppendingAllocator(Pager& pager) : pager_(pager) {}
    Result<PageNo> AllocateIndexPage() override {
        auto page = pager_.Append();
        if (page.ok()) owned.insert(ToIndex(*page));
        return page;
    }
    Status FreeIndexPage(PageNo page) override {
        if (owned.erase(ToIndex(page)) == 0) return Status(ErrorCode::InvalidArgument, "freed a page twice");
        return Status::Ok();
    }
    std::set<uint32_t> owned;  // pages handed out and not freed (the root excluded)

  private:
    Pager& pager_;
};

// (key, page, row): a std::set of these sorts exactly as index entries do.
using ModelEntry = std::tuple<std::string, uint32_t, uint8_t>;

inline constexpr PageNo kTableDefPage{1};
inline constexpr PageNo kRootPage{2};

class IndexFixture {
  public:
    IndexFixture() {
        auto pager = Pager::Open(NativeFileSystem(), folder_.File("index.dat"), {OpenMode::CreateNew, false});
        EXPECT_TRUE(pager.ok()) << pager.status().ToString();
        pager_ = std::move(pager).value();
        EXPECT_TRUE(pager_->Begin().ok());
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(pager_->Append().ok());
        IndexData::InitEmptyLeaf(pager_->Write(kRootPage).value(), kTableDefPage);
        allocator_ = std::make_unique<AppendingAllocator>(*pager_);
        index_ = std::make_unique<IndexData>(*pager_, kRootPage, kTableDefPage, *allocator_);
    }

    IndexData& Index() { return *index_; }
    Pager& Pages() { return *pager_; }
    AppendingAllocator& Allocator() { return *allocator_; }

    // Broken invariants and, unless `shapesToo` is false, shapes this writer never makes.
    std::vector<std::string> Problems(bool shapesToo = true) {
        std::vector<std::string> problems, shapes;
        Status status = index_->Check(problems, shapes);
        if (!status.ok()) problems.push_back(status.ToString());
        if (shapesToo) problems.insert(problems.end(), shapes.begin(), shapes.end());
        return problems;
    }

    std::vector<ModelEntry> ScanAll() {
        std::vector<ModelEntry> entries;
        Status status = index_->Scan([&](std::string_view key, RowPointer row) {
            entries.emplace_back(std::string(key), ToIndex(row.page), row.row);
            return true;
        });
        EXPECT_TRUE(status.ok()) << status.ToString();
        return entries;
    }

    // The index's pages are exactly the root plus the allocator's live pages.
    void ExpectPagesMatchAllocator() {
        auto pages = index_->Pages();
        ASSERT_TRUE(pages.ok()) << pages.status().ToString();
        std::set<uint32_t> reached;
        for (PageNo page : *pages) reached.insert(ToIndex(page));
        std::set<uint32_t> expected = allocator_->owned;
        expected.insert(ToIndex(kRootPage));
        EXPECT_EQ(reached, expected);
    }

    uint8_t* Raw(PageNo page) { return pager_->Write(page).value(); }

  private:
    TempFolder folder_;
    std::unique_ptr<Pager> pager_;
    std::unique_ptr<AppendingAllocator> allocator_;
    std::unique_ptr<IndexData> index_;
};

}  // namespace jet::testing
