// Damaged index pages: Check names the damage, and no operation crashes or loops on it. Also the
// page codec's in-place edits against whole rewrites.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

#include "jet/index/index_data.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "tests/native/index/index_fixture.h"

namespace jet {
namespace {

using testing::IndexFixture;
using testing::kRootPage;

constexpr int kEntries = 400;

// 300-byte keys: about ten entries a page, so 400 entries make a three-level tree.
std::string KeyOf(int i) {
    return std::string(295, 'k') + EncodeIndexKey({{ColumnType::Long}}, {int64_t(i)}).value();
}
RowPointer RowOf(int i) {
    return {PageNo{uint32_t(50 + i / 100)}, uint8_t(i % 100)};
}

uint32_t Le32At(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
void PutLe32At(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Pages worth damaging in the three-level tree.
struct Landmarks {
    PageNo firstNode, firstLeaf, secondLeaf, lastLeaf;
};

Landmarks Find(IndexFixture& fixture) {
    auto childOf = [&](PageNo page, size_t entry) {
        auto view = IndexPageView::Parse(fixture.Raw(page), page).value();
        return view.Child(entry);
    };
    Landmarks marks;
    marks.firstNode = childOf(kRootPage, 0);
    marks.firstLeaf = childOf(marks.firstNode, 0);
    marks.secondLeaf = PageNo{Le32At(fixture.Raw(marks.firstLeaf) + 16)};
    marks.lastLeaf = marks.secondLeaf;
    while (Le32At(fixture.Raw(marks.lastLeaf) + 16) != 0)
        marks.lastLeaf = PageNo{Le32At(fixture.Raw(marks.lastLeaf) + 16)};
    return marks;
}

// Every entry point on a damaged index returns some Status: under the sanitizers this also proves
// that nothing reads outside a page.
void ExerciseEverything(IndexFixture& fixture) {
    for (int i : {0, 1, kEntries / 2, kEntries - 1, kEntries + 5}) {
        (void)fixture.Index().Find(KeyOf(i));
        (void)fixture.Index().HasKey(KeyOf(i));
    }
    (void)fixture.Index().Scan([](std::string_view, RowPointer) { return true; });
    (void)fixture.Index().Pages();
    (void)fixture.Index().Remove(KeyOf(3), RowOf(3));
    (void)fixture.Index().Remove(KeyOf(kEntries - 1), RowOf(kEntries - 1));
    for (int i = 0; i < 40; ++i) (void)fixture.Index().Insert(KeyOf(kEntries + i), RowOf(kEntries + i));
}

TEST(IndexCheck, NamesEachKindOfDamageAndNothingCrashesOnIt) {
    struct Case {
        const char* name;
        std::function<void(IndexFixture&, const Landmarks&)> damage;
        const char* problem;
    } cases[] = {
        {"free space off by one", [](IndexFixture& f, const Landmarks& m) { f.Raw(m.firstLeaf)[2]++; }, "free space"},
        {"bitmap bit past the entry area",
         [](IndexFixture& f, const Landmarks& m) { f.Raw(m.secondLeaf)[27 + 452] |= 0x10; }, "entry bitmap marks"},
        {"entry shorter than a row pointer",
         [](IndexFixture& f, const Landmarks& m) { f.Raw(m.firstLeaf)[27] |= 0x04; }, "too short"},
        {"entries swapped",
         [](IndexFixture& f, const Landmarks& m) {
             uint8_t* area = f.Raw(m.firstLeaf) + 480;
             std::array<uint8_t, 304> first;
             std::memcpy(first.data(), area, 304);
             std::memmove(area, area + 304, 304);
             std::memcpy(area + 304, first.data(), 304);
         },
         "is not after entry"},
        {"leaf turned into a data page", [](IndexFixture& f, const Landmarks& m) { f.Raw(m.secondLeaf)[0] = 0x01; },
         "not an index page"},
        {"node entry differs from its child's last entry",
         [](IndexFixture& f, const Landmarks&) { f.Raw(kRootPage)[480 + 10] = 'a'; }, "is not the last entry"},
        {"node entry past the first entry of the next child",
         [](IndexFixture& f, const Landmarks& m) {
             // Entry 0 copies child 0's last key; one more in its last byte and the highest row
             // pointer make it the next child's first key with a greater row.
             uint8_t* entry = f.Raw(m.firstNode) + 480;
             size_t keyLength = IndexPageView::Parse(entry - 480, m.firstNode).value().Ends()[0] - 8;
             entry[keyLength - 1]++;
             std::fill(entry + keyLength, entry + keyLength + 4, uint8_t(0xFF));
         },
         "is not below the first entry"},
        {"next leaf link cut", [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.secondLeaf) + 16, 0); },
         "next leaf link"},
        {"previous leaf link wrong",
         [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.secondLeaf) + 12, 7); }, "previous leaf link"},
        {"leaf chain loops back",
         [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.lastLeaf) + 16, ToIndex(m.firstLeaf)); },
         "next leaf link"},
        {"child link back to the root",
         [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.firstNode) + 20, ToIndex(kRootPage)); },
         "child link"},
        {"two entries share a child",
         [](IndexFixture& f, const Landmarks& m) {
             auto view = IndexPageView::Parse(f.Raw(kRootPage), kRootPage).value();
             uint8_t* second = f.Raw(kRootPage) + 480 + view.Ends()[0];
             uint32_t child = ToIndex(m.firstNode);
             for (int i = 0; i < 4; ++i)
                 second[view.Ends()[1] - view.Ends()[0] - 4 + i] = uint8_t(child >> (24 - 8 * i));
         },
         "reached a second time"},
        {"child past the end of the file",
         [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.firstNode) + 20, 99999); }, "past the end"},
        {"leaf with a tail link", [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.firstLeaf) + 20, 5); },
         "leaf page with a tail link"},
        {"page of another table", [](IndexFixture& f, const Landmarks& m) { PutLe32At(f.Raw(m.lastLeaf) + 4, 9); },
         "table definition page"},
        {"node page marked as a leaf", [](IndexFixture& f, const Landmarks& m) { f.Raw(m.firstNode)[0] = 0x04; },
         "leaf at depth"},
        {"root is not an index page", [](IndexFixture& f, const Landmarks&) { f.Raw(kRootPage)[0] = 0x02; },
         "not an index page"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexFixture fixture;
        for (int i = 0; i < kEntries; ++i) ASSERT_TRUE(fixture.Index().Insert(KeyOf(i), RowOf(i)).ok());
        ASSERT_TRUE(fixture.Problems().empty());
        c.damage(fixture, Find(fixture));
        auto problems = fixture.Problems();
        ASSERT_FALSE(problems.empty());
        bool named = std::any_of(problems.begin(), problems.end(),
                                 [&](const std::string& p) { return p.find(c.problem) != std::string::npos; });
        EXPECT_TRUE(named) << "first problem: " << problems.front();
        ExerciseEverything(fixture);
    }
}

TEST(IndexCheck, ScanAndFindEndOnALoopingLeafChain) {
    IndexFixture fixture;
    for (int i = 0; i < kEntries; ++i) ASSERT_TRUE(fixture.Index().Insert(KeyOf(7), RowOf(i)).ok());
    Landmarks marks = Find(fixture);
    PutLe32At(fixture.Raw(marks.lastLeaf) + 16, ToIndex(marks.firstLeaf));
    Status scan = fixture.Index().Scan([](std::string_view, RowPointer) { return true; });
    EXPECT_EQ(scan.code(), ErrorCode::Corrupt);
    EXPECT_EQ(fixture.Index().Find(KeyOf(7)).code(), ErrorCode::Corrupt);
}

// The fast path edits bytes in place; it must leave exactly what rewriting the page whole leaves.
TEST(IndexPageCodec, InPlaceEditsWriteTheSameBytesAsAWholeRewrite) {
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        IndexPage page;
        page.leaf = round % 3 != 0;
        page.tableDef = PageNo{16};
        page.prev = PageNo{uint32_t(random() % 40)};
        page.next = PageNo{uint32_t(random() % 40)};
        page.tail = page.leaf ? kNoPage : PageNo{77};
        for (size_t n = random() % 60; n > 0; --n) {
            IndexEntry entry{std::string(random() % 40, char('a' + random() % 26)),
                             {PageNo{uint32_t(random() % 999 + 1)}, 3}};
            if (!page.leaf) entry.child = PageNo{uint32_t(random() % 999 + 1)};
            page.entries.push_back(entry);
        }
        std::array<uint8_t, kPageSize> before{}, inPlace{}, whole{};
        EncodeIndexPage(page, before.data());
        inPlace = before;
        auto view = IndexPageView::Parse(before.data(), PageNo{3}).value();
        bool insert = page.entries.empty() || random() % 2 == 0;
        size_t position = random() % (page.entries.size() + (insert ? 1 : 0));
        if (insert) {
            IndexEntry entry{std::string(random() % 50, 'z'), {PageNo{12}, 1}, page.leaf ? kNoPage : PageNo{8}};
            ASSERT_TRUE(InsertEntryInPlace(inPlace.data(), view, position, entry));
            page.entries.insert(page.entries.begin() + ptrdiff_t(position), entry);
        } else if (RemoveEntryInPlace(inPlace.data(), view, position)) {
            page.entries.erase(page.entries.begin() + ptrdiff_t(position));
        } else {
            EXPECT_EQ(page.entries.size(), 1u);  // the last entry goes only through a whole rewrite
            continue;
        }
        EncodeIndexPage(page, whole.data());
        EXPECT_EQ(inPlace, whole);
    }
}

}  // namespace
}  // namespace jet
