// The index B-tree on a real Pager: page bytes, look-ups, splits and frees, checked against a model.

#include "jet/index/index_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "tests/native/index/index_fixture.h"

namespace jet {
namespace {

using testing::IndexFixture;
using testing::kRootPage;
using testing::ModelEntry;

std::string LongKey(int64_t value) {
    return EncodeIndexKey({IndexKeyColumn{ColumnType::Long}}, {value}).value();
}

std::string TextKey(const std::string& text) {
    return EncodeIndexKey({IndexKeyColumn{ColumnType::Text}}, {text}).value();
}

RowPointer Row(uint32_t page, uint8_t row) {
    return {PageNo{page}, row};
}

uint32_t Le32At(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// Applies inserts and removes to the index and to a set that sorts as the index does, and compares
// the two after every batch.
class ModelRun {
  public:
    // `ourShapesOnly`: the tree must also hold only the shapes this writer makes.
    explicit ModelRun(IndexFixture& fixture, bool ourShapesOnly = true)
        : fixture_(fixture), ourShapesOnly_(ourShapesOnly) {}

    void Insert(const std::string& key, RowPointer row) {
        ASSERT_TRUE(fixture_.Index().Insert(key, row).ok());
        model_.emplace(key, ToIndex(row.page), row.row);
    }
    void Remove(const ModelEntry& entry) {
        auto& [key, page, row] = entry;
        Status status = fixture_.Index().Remove(key, Row(page, row));
        ASSERT_TRUE(status.ok()) << status.ToString();
        model_.erase(entry);
    }
    // For entries a test removes from the pages itself.
    void Forget(const ModelEntry& entry) { model_.erase(entry); }
    void Verify() {
        auto problems = fixture_.Problems(ourShapesOnly_);
        ASSERT_TRUE(problems.empty()) << problems.front() << " (" << problems.size() << " problems)";
        ASSERT_EQ(fixture_.ScanAll(), std::vector<ModelEntry>(model_.begin(), model_.end()));
        fixture_.ExpectPagesMatchAllocator();
    }
    void VerifyFind(const std::string& key) {
        std::vector<RowPointer> expected;
        for (auto it = model_.lower_bound({key, 0, 0}); it != model_.end() && std::get<0>(*it) == key; ++it) {
            expected.push_back(Row(std::get<1>(*it), std::get<2>(*it)));
        }
        auto found = fixture_.Index().Find(key);
        ASSERT_TRUE(found.ok()) << found.status().ToString();
        EXPECT_EQ(*found, expected);
        EXPECT_EQ(fixture_.Index().HasKey(key).value(), !expected.empty());
    }
    const std::set<ModelEntry>& Model() const { return model_; }

  private:
    IndexFixture& fixture_;
    bool ourShapesOnly_;
    std::set<ModelEntry> model_;
};

TEST(IndexData, NewRootIsTheEmptyLeafJetWrites) {
    IndexFixture fixture;
    const uint8_t* page = fixture.Raw(kRootPage);
    EXPECT_EQ(page[0], 0x04);
    EXPECT_EQ(page[1], 0x01);
    EXPECT_EQ(page[2], 0x20);
    EXPECT_EQ(page[3], 0x0E);
    EXPECT_EQ(Le32At(page + 4), 1u);
    EXPECT_TRUE(std::all_of(page + 8, page + kPageSize, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(fixture.Problems().empty());
    EXPECT_TRUE(fixture.ScanAll().empty());
    EXPECT_TRUE(fixture.Index().Find(LongKey(1)).value().empty());
}

TEST(IndexData, LeafEntriesAreKeyThenBigEndianRowPointerWithEndBits) {
    IndexFixture fixture;
    ASSERT_TRUE(fixture.Index().Insert(LongKey(2), Row(0x17, 1)).ok());
    ASSERT_TRUE(fixture.Index().Insert(LongKey(1), Row(0x17, 0)).ok());
    const uint8_t* page = fixture.Raw(kRootPage);
    const uint8_t expected[18] = {0x7F, 0x80, 0, 0, 1, 0, 0, 0x17, 0, 0x7F, 0x80, 0, 0, 2, 0, 0, 0x17, 1};
    EXPECT_TRUE(std::equal(expected, expected + 18, page + 480));
    EXPECT_EQ(page[0x1C], 0x02);  // first entry ends at 9
    EXPECT_EQ(page[0x1D], 0x04);  // second at 18
    EXPECT_EQ(page[2] | page[3] << 8, 3616 - 18);
}

// The Access sample: a page holding P = 3 shares its first entry's first three bytes.
TEST(IndexData, ReadsPagesWrittenWithAPrefixAndRewritesThemWhole) {
    IndexFixture fixture;
    uint8_t* page = fixture.Raw(kRootPage);
    const uint8_t entries[] = {0x7F, 0x80, 0x00, 0x00, 0x01, 0, 0, 0x17, 0,  // first, complete
                               0x00, 0x02, 0,    0,    0x17, 1,              // "7F 80 00" left out
                               0x01, 0x00, 0,    0,    0x18, 2};
    std::copy(std::begin(entries), std::end(entries), page + 480);
    page[24] = 3;
    page[27 + 9 / 8] |= 1 << (9 % 8);
    page[27 + 15 / 8] |= 1 << (15 % 8);
    page[27 + 21 / 8] |= 1 << (21 % 8);
    page[2] = uint8_t(3616 - 21);
    page[3] = uint8_t((3616 - 21) >> 8);
    std::vector<ModelEntry> expected = {{LongKey(1), 0x17, 0}, {LongKey(2), 0x17, 1}, {LongKey(0x100), 0x18, 2}};
    EXPECT_EQ(fixture.ScanAll(), expected);
    EXPECT_TRUE(fixture.Problems().empty());
    ASSERT_TRUE(fixture.Index().Insert(LongKey(3), Row(0x19, 0)).ok());
    expected.insert(expected.begin() + 2, ModelEntry{LongKey(3), 0x19, 0});
    EXPECT_EQ(fixture.ScanAll(), expected);
    EXPECT_EQ(fixture.Raw(kRootPage)[24], 0);
}

TEST(IndexData, EqualKeysKeepRowOrderAndFindReturnsEveryRow) {
    IndexFixture fixture;
    ModelRun run(fixture);
    // Jet's MSysACEs example: two entries for ObjectId 2 in data page 15, rows 0 and 13.
    run.Insert(LongKey(2), Row(0x0F, 0x0D));
    run.Insert(LongKey(2), Row(0x0F, 0x00));
    run.Insert(LongKey(1), Row(0x0F, 0x05));
    run.Verify();
    EXPECT_EQ(fixture.Index().Find(LongKey(2)).value(), (std::vector<RowPointer>{Row(0x0F, 0), Row(0x0F, 0x0D)}));
    // Enough duplicates to spread one key over several leaves.
    std::string key = TextKey(std::string(200, 'k'));
    for (uint32_t i = 0; i < 100; ++i) run.Insert(key, Row(100 + i % 7, uint8_t(i)));
    run.Verify();
    run.VerifyFind(key);
    run.VerifyFind(TextKey(std::string(199, 'k')));
}

TEST(IndexData, RefusesBadArgumentsWithoutChangingAnything) {
    IndexFixture fixture;
    ASSERT_TRUE(fixture.Index().Insert(LongKey(1), Row(20, 0)).ok());
    struct Case {
        const char* name;
        Status status;
        ErrorCode code;
    } cases[] = {
        {"same entry twice", fixture.Index().Insert(LongKey(1), Row(20, 0)), ErrorCode::InvalidArgument},
        {"remove a missing entry", fixture.Index().Remove(LongKey(1), Row(20, 1)), ErrorCode::Corrupt},
        {"key too long", fixture.Index().Insert(std::string(kMaxIndexKeySize + 1, 'x'), Row(20, 1)),
         ErrorCode::TooLarge},
        {"row page 0", fixture.Index().Insert(LongKey(5), Row(0, 1)), ErrorCode::InvalidArgument},
        {"row page past 3 bytes", fixture.Index().Insert(LongKey(5), Row(1u << 24, 1)), ErrorCode::InvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.status.code(), c.code) << c.status.ToString();
    }
    EXPECT_EQ(fixture.ScanAll(), (std::vector<ModelEntry>{{LongKey(1), 20, 0}}));
}

// The Access sample after its first split: a root node with one entry and a tail, two linked leaves.
TEST(IndexData, FirstRootSplitLeavesOneEntryAndATailOverTwoLinkedLeaves) {
    IndexFixture fixture;
    ModelRun run(fixture);
    for (int64_t id = 1; id <= 402; ++id) run.Insert(LongKey(id), Row(23, uint8_t(id)));
    run.Verify();
    const uint8_t* root = fixture.Raw(kRootPage);
    ASSERT_EQ(root[0], 0x03);
    uint32_t tail = Le32At(root + 20);
    EXPECT_EQ(3616 - (root[2] | root[3] << 8), 13);  // one node entry: key, row pointer, child
    uint32_t left = uint32_t(root[480 + 9]) << 24 | root[480 + 10] << 16 | root[480 + 11] << 8 | root[480 + 12];
    EXPECT_EQ(Le32At(fixture.Raw(PageNo{left}) + 16), tail);
    EXPECT_EQ(Le32At(fixture.Raw(PageNo{tail}) + 12), left);
}

TEST(IndexData, RandomInsertsAndRemovesMatchAModel) {
    struct Case {
        const char* name;
        std::function<std::string(std::mt19937&)> key;
        int steps;
    } cases[] = {
        {"long keys", [](std::mt19937& r) { return LongKey(int64_t(r() % 5000) - 2500); }, 6000},
        {"qq numbers", [](std::mt19937& r) { return TextKey(std::to_string(10000 + r() % 100000)); }, 6000},
        {"few keys, many rows", [](std::mt19937& r) { return LongKey(r() % 4); }, 3000},
        // Keys near the size limit: three to a page, so splits reach five or more levels quickly.
        {"long text keys",
         [](std::mt19937& r) { return std::string(kMaxIndexKeySize - 4, 'x') + LongKey(r() % 400).substr(1); }, 1500},
        {"mixed lengths",
         [](std::mt19937& r) { return std::string(r() % 900, char('a' + r() % 3)) + LongKey(r() % 50); }, 2500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexFixture fixture;
        ModelRun run(fixture);
        std::mt19937 random(42);
        for (int step = 0; step < c.steps; ++step) {
            // Grow for the first half, shrink for the second, with both in each.
            bool grow = (random() % 100) < (step < c.steps / 2 ? 70u : 25u);
            if (grow || run.Model().empty()) {
                RowPointer row = Row(10 + random() % 5000, uint8_t(random()));
                std::string key = c.key(random);
                if (run.Model().count({key, ToIndex(row.page), row.row})) continue;
                ASSERT_NO_FATAL_FAILURE(run.Insert(key, row));
            } else {
                auto it = run.Model().begin();
                std::advance(it, random() % run.Model().size());
                ASSERT_NO_FATAL_FAILURE(run.Remove(*it));
            }
            if (step % 250 == 249) {
                SCOPED_TRACE(step);
                ASSERT_NO_FATAL_FAILURE(run.Verify());
                run.VerifyFind(c.key(random));
            }
        }
        ASSERT_NO_FATAL_FAILURE(run.Verify());
    }
}

TEST(IndexData, SplitsReachEveryLevelAndTheRootNeverMoves) {
    IndexFixture fixture;
    ModelRun run(fixture);
    std::string pad(kMaxIndexKeySize - 5, 'p');
    size_t depth = 0;
    for (int64_t i = 0; i < 300 && depth < 5; ++i) {
        run.Insert(pad + LongKey(i * 7919 % 300), Row(30, uint8_t(i)));
        depth = 1;
        for (PageNo page = kRootPage; fixture.Raw(page)[0] == 0x03; ++depth) {
            page = PageNo{Le32At(fixture.Raw(page) + 20)};
        }
    }
    EXPECT_GE(depth, 5u);
    run.Verify();
    EXPECT_EQ(fixture.Index().Pages().value().front(), kRootPage);
}

TEST(IndexData, RemovingEverythingFreesAllButTheRootAndTheIndexGrowsAgain) {
    IndexFixture fixture;
    ModelRun run(fixture);
    std::mt19937 random(3);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 3000; ++i)
            run.Insert(TextKey(std::to_string(10000 + random() % 90000)), Row(40 + i / 200, uint8_t(i)));
        run.Verify();
        EXPECT_GT(fixture.Allocator().owned.size(), 10u);
        while (!run.Model().empty()) {
            auto it = run.Model().begin();
            std::advance(it, random() % run.Model().size());
            run.Remove(*it);
        }
        run.Verify();
        EXPECT_TRUE(fixture.Allocator().owned.empty());
        EXPECT_EQ(fixture.Raw(kRootPage)[0], 0x04);
    }
}

// Access's shapes, made from a tree this writer built. Separators: the last entry of every leaf but
// the last is removed from the leaf alone, so the entries above it no longer copy it.
void LeaveSeparators(IndexFixture& fixture, ModelRun& run) {
    PageNo page = kRootPage;
    while (fixture.Raw(page)[0] == 0x03) page = IndexPageView::Parse(fixture.Raw(page), page).value().Child(0);
    for (; Le32At(fixture.Raw(page) + 16) != 0; page = PageNo{Le32At(fixture.Raw(page) + 16)}) {
        IndexPage leaf = DecodeIndexPage(fixture.Raw(page), page).value();
        if (leaf.entries.size() < 2) continue;
        const IndexEntry& last = leaf.entries.back();
        run.Forget({last.key, ToIndex(last.row.page), last.row.row});
        leaf.entries.pop_back();
        EncodeIndexPage(leaf, fixture.Raw(page));
    }
}

// The root's contents move to a new page that becomes the root's only child: in its tail as Access
// keeps it, or as its one entry as this engine's earlier versions did.
void PushRootDown(IndexFixture& fixture, bool asEntry) {
    PageNo moved = fixture.Allocator().AllocateIndexPage().value();
    IndexPage contents = DecodeIndexPage(fixture.Raw(kRootPage), kRootPage).value();
    EncodeIndexPage(contents, fixture.Raw(moved));
    IndexPage root;
    root.leaf = false;
    root.tableDef = testing::kTableDefPage;
    root.tail = moved;
    if (asEntry) {
        while (!contents.leaf) contents = DecodeIndexPage(fixture.Raw(contents.tail), contents.tail).value();
        root.entries.push_back({contents.entries.back().key, contents.entries.back().row, moved});
        root.tail = kNoPage;
    }
    EncodeIndexPage(root, fixture.Raw(kRootPage));
}

// Trees in shapes this writer does not make (or makes only after many changes): reads find every
// entry, and inserts and removes (of the separators' own entries too) keep every invariant.
TEST(IndexData, AccessShapedTreesReadAndChangeExactly) {
    struct Case {
        const char* name;
        int entries;
        std::function<void(IndexFixture&, ModelRun&)> shape;
        bool noted;  // check notes the shape
    } cases[] = {
        {"separators over three levels", 600, LeaveSeparators, true},
        {"only a leaf, in the root's tail", 20, [](IndexFixture& f, ModelRun&) { PushRootDown(f, false); }, false},
        {"a node level, in the root's tail", 150, [](IndexFixture& f, ModelRun&) { PushRootDown(f, false); }, false},
        {"a node level, as the root's one entry", 150, [](IndexFixture& f, ModelRun&) { PushRootDown(f, true); }, true},
        {"both", 600,
         [](IndexFixture& f, ModelRun& run) {
             LeaveSeparators(f, run);
             PushRootDown(f, false);
         },
         true},
    };
    auto keyOf = [](int i) { return std::string(200, 's') + LongKey(i); };  // 16 entries a page
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexFixture fixture;
        ModelRun run(fixture, false);
        for (int i = 0; i < c.entries; ++i) run.Insert(keyOf(2 * i), Row(60 + i / 50, uint8_t(i)));
        c.shape(fixture, run);
        ASSERT_EQ(fixture.Problems(true).empty(), !c.noted);
        ASSERT_NO_FATAL_FAILURE(run.Verify());
        std::mt19937 random(11);
        for (int step = 0; step < 3 * c.entries; ++step) {
            int i = int(random() % uint32_t(c.entries + 1));
            ModelEntry entry{keyOf(2 * i + int(random() % 2)), 60 + i / 50, uint8_t(i)};
            if (run.Model().count(entry)) {
                ASSERT_NO_FATAL_FAILURE(run.Remove(entry));
            } else {
                ASSERT_NO_FATAL_FAILURE(run.Insert(std::get<0>(entry), Row(std::get<1>(entry), std::get<2>(entry))));
            }
        }
        ASSERT_NO_FATAL_FAILURE(run.Verify());
        for (int i = 0; i <= 2 * c.entries + 2; ++i) ASSERT_NO_FATAL_FAILURE(run.VerifyFind(keyOf(i)));
        while (!run.Model().empty()) ASSERT_NO_FATAL_FAILURE(run.Remove(*run.Model().begin()));
        ASSERT_NO_FATAL_FAILURE(run.Verify());
        EXPECT_EQ(fixture.Raw(kRootPage)[0], 0x04);
    }
}

}  // namespace
}  // namespace jet
