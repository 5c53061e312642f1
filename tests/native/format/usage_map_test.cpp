#include "jet/format/usage_map.h"

#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

// Pages in memory; new map pages are appended.
class MemoryPages final : public MapPageStore {
  public:
    explicit MemoryPages(uint32_t count) : pages_(count, std::vector<uint8_t>(kPageSize, 0)) {}
    uint32_t PageCount() override { return uint32_t(pages_.size()); }
    Result<const uint8_t*> ReadPage(PageNo page) override { return pages_.at(ToIndex(page)).data(); }
    Result<uint8_t*> WritePage(PageNo page) override { return pages_.at(ToIndex(page)).data(); }
    Result<PageNo> AllocateMapPage() override {
        pages_.emplace_back(kPageSize, 0);
        return PageNo(uint32_t(pages_.size() - 1));
    }
    void Grow(uint32_t count) { pages_.resize(count, std::vector<uint8_t>(kPageSize, 0)); }

  private:
    std::vector<std::vector<uint8_t>> pages_;
};

TEST(UsageMap, InlineMapStoresBitsFromItsStartPage) {
    MemoryPages pages(20);
    std::vector<uint8_t> row(Jet4Layout::kMapRowSize, 0);
    row[1] = 16;    // start page 16
    row[5] = 0x05;  // pages 16 and 18
    auto map = UsageMap::Parse(row, pages, false);
    ASSERT_TRUE(map.ok());
    EXPECT_EQ(map->Pages(), (std::vector<uint32_t>{16, 18}));
    map->Add(23);
    map->Remove(16);
    ASSERT_TRUE(map->Store(row, pages).ok());
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(Le32(&row[1]), 16u);
    EXPECT_EQ(row[5], 0x84);
    EXPECT_FALSE(map->IsReference());
    // A page below the window's start does not fit it, even within the start's byte.
    row[1] = 19;
    auto shifted = UsageMap::Parse(row, pages, false);
    ASSERT_TRUE(shifted.ok());
    shifted->Add(18);
    ASSERT_TRUE(shifted->Store(row, pages).ok());
    EXPECT_EQ(row[0], 1);
}

// Found by fuzzing: a damaged start page near 2^32 made the parser allocate a bitmap of half a
// gigabyte, and the check then walked every page of it. Pages past the end of the file are dropped
// and flagged instead.
TEST(UsageMap, BitsPastTheEndOfTheFileAreFlaggedNotKept) {
    MemoryPages pages(20);
    std::vector<uint8_t> row(Jet4Layout::kMapRowSize, 0xFF);
    row[0] = 0;
    PutLe32(&row[1], 0xFFFFFF00u);
    auto owned = UsageMap::Parse(row, pages, false);
    ASSERT_TRUE(owned.ok());
    EXPECT_TRUE(owned->Pages().empty());
    EXPECT_TRUE(owned->NamesPagesPastEnd());
    auto global = UsageMap::Parse(row, pages, true);  // past the end simply means free there
    ASSERT_TRUE(global.ok());
    EXPECT_FALSE(global->NamesPagesPastEnd());
    PutLe32(&row[1], 16u);  // pages 16..19 are inside the file, the rest of the window is not
    auto partly = UsageMap::Parse(row, pages, false);
    ASSERT_TRUE(partly.ok());
    EXPECT_EQ(partly->Pages(), (std::vector<uint32_t>{16, 17, 18, 19}));
    EXPECT_TRUE(partly->NamesPagesPastEnd());
}

TEST(UsageMap, PageOutsideTheInlineWindowTurnsTheMapIntoAReferenceMap) {
    MemoryPages pages(700);
    UsageMap map = UsageMap::NewInline();
    std::vector<uint8_t> row(Jet4Layout::kMapRowSize, 0);
    map.Add(5);
    map.Add(600);
    ASSERT_TRUE(map.Store(row, pages).ok());
    EXPECT_EQ(row[0], 1);
    uint32_t mapPage = Le32(&row[1]);
    EXPECT_EQ(mapPage, 700u);  // allocated for range 0
    EXPECT_EQ(Le32(&row[5]), 0u);
    auto reread = UsageMap::Parse(row, pages, false);
    ASSERT_TRUE(reread.ok());
    EXPECT_EQ(reread->Pages(), (std::vector<uint32_t>{5, 600}));
    EXPECT_EQ(reread->MapPages(), (std::vector<uint32_t>{700}));
    // A page in the second 32736-page range gets a second map page.
    pages.Grow(40000);
    reread->Add(35000);
    ASSERT_TRUE(reread->Store(row, pages).ok());
    EXPECT_EQ(Le32(&row[1]), 700u);
    EXPECT_EQ(Le32(&row[5]), 40000u);
    auto again = UsageMap::Parse(row, pages, false);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->Pages(), (std::vector<uint32_t>{5, 600, 35000}));
}

TEST(UsageMap, GlobalMapIsInvertedAndCoversPagesPastTheEndOfTheFile) {
    MemoryPages pages(16);
    std::vector<uint8_t> row(Jet4Layout::kMapRowSize, 0);
    UsageMap global = UsageMap::NewInline(true);
    ASSERT_TRUE(global.Store(row, pages).ok());
    EXPECT_EQ(row[5], 0x00);
    EXPECT_EQ(row[6], 0x00);
    for (size_t k = 7; k < row.size(); ++k) ASSERT_EQ(row[k], 0xFF) << k;
    global.Add(9);  // freed
    ASSERT_TRUE(global.Store(row, pages).ok());
    EXPECT_EQ(row[6], 0x02);
    // Past 512 pages the global map needs a map page; pages beyond the file stay free in it.
    pages.Grow(600);
    ASSERT_TRUE(global.Store(row, pages).ok());
    ASSERT_EQ(row[0], 1);
    uint32_t mapPage = Le32(&row[1]);
    EXPECT_EQ(mapPage, 600u);
    auto reread = UsageMap::Parse(row, pages, true);
    ASSERT_TRUE(reread.ok());
    EXPECT_EQ(reread->Pages(), (std::vector<uint32_t>{9}));  // the map page itself is in use
    auto page = pages.ReadPage(PageNo(mapPage));
    EXPECT_EQ((*page)[4 + 601 / 8] >> (601 % 8) & 1, 1);
}

TEST(UsageMap, BadMapsAreCorrupt) {
    MemoryPages pages(10);
    struct Case {
        const char* name;
        std::vector<uint8_t> row;
    } cases[] = {
        {"too short", {0, 0, 0}},
        {"unknown type", std::vector<uint8_t>(69, 0x02)},
        {"map page past the end", {1, 50, 0, 0, 0}},
        {"map page of another type", {1, 3, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UsageMap::Parse(c.row, pages, false).code(), ErrorCode::Corrupt);
    }
}

}  // namespace
}  // namespace jet
