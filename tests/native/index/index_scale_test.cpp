// 100,000 rows through one index, in the shapes the product produces: AutoNumber IDs (sequential
// Longs), and QQ numbers as text, in order and shuffled (random keys). After the inserts and after removing every
// other row the index must pass Check and find each row.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "jet/index/index_data.h"
#include "jet/index/index_key.h"
#include "tests/native/index/index_fixture.h"

namespace jet {
namespace {

using testing::IndexFixture;

#ifdef KESTRIN_SANITIZED
constexpr int kRows = 20000;  // the sanitizers make each operation ~20x dearer; native runs do 100,000
#else
constexpr int kRows = 100000;
#endif

RowPointer RowOf(int i) {
    return {PageNo{uint32_t(100 + i / 200)}, uint8_t(i % 200)};
}

void ExpectConsistent(IndexFixture& fixture) {
    auto problems = fixture.Problems();
    ASSERT_TRUE(problems.empty()) << problems.front() << " (" << problems.size() << " problems)";
}

TEST(IndexDataScale, HundredThousandRowsStayConsistentAndEachIsFound) {
    struct Case {
        const char* name;
        bool shuffled;
        std::function<std::string(int)> key;
    } cases[] = {
        {"sequential Long IDs", false,
         [](int i) { return EncodeIndexKey({{ColumnType::Long}}, {int64_t(i + 1)}).value(); }},
        {"QQ numbers in order", false,
         [](int i) { return EncodeIndexKey({{ColumnType::Text}}, {std::to_string(10000 + i)}).value(); }},
        {"QQ numbers shuffled", true,
         [](int i) { return EncodeIndexKey({{ColumnType::Text}}, {std::to_string(10000 + i)}).value(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IndexFixture fixture;
        std::vector<std::string> keys(kRows);
        for (int i = 0; i < kRows; ++i) keys[i] = c.key(i);
        std::vector<int> order(kRows);
        std::iota(order.begin(), order.end(), 0);
        if (c.shuffled) std::shuffle(order.begin(), order.end(), std::mt19937(11));
        for (size_t n = 0; n < order.size(); ++n) {
            int i = order[n];
            Status status = fixture.Index().Insert(keys[i], RowOf(i));
            ASSERT_TRUE(status.ok()) << status.ToString();
            if (n % 20000 == 19999) {  // commit as the product would, statement by statement batches
                ASSERT_TRUE(fixture.Pages().Commit().ok());
                ASSERT_TRUE(fixture.Pages().Begin().ok());
            }
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(fixture));
        for (int i = 0; i < kRows; ++i) {
            auto rows = fixture.Index().Find(keys[i]);
            ASSERT_TRUE(rows.ok()) << rows.status().ToString();
            ASSERT_EQ(*rows, std::vector<RowPointer>{RowOf(i)}) << i;
        }
        for (int i : order) {
            if (i % 2 == 1) continue;
            ASSERT_TRUE(fixture.Index().Remove(keys[i], RowOf(i)).ok()) << i;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(fixture));
        fixture.ExpectPagesMatchAllocator();
        std::vector<testing::ModelEntry> remaining;
        for (int i = 1; i < kRows; i += 2) remaining.emplace_back(keys[i], ToIndex(RowOf(i).page), RowOf(i).row);
        std::sort(remaining.begin(), remaining.end());
        EXPECT_TRUE(fixture.ScanAll() == remaining);
        EXPECT_FALSE(fixture.Index().HasKey(keys[0]).value());
        EXPECT_TRUE(fixture.Index().HasKey(keys[kRows - 1]).value());
    }
}

}  // namespace
}  // namespace jet
