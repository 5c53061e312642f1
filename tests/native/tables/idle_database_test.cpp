// A read-write Database closed with its log kept is taken up again by the next open in the process,
// which then reads almost nothing; any change made beside it in the meantime, by this engine or by
// anything else, gives a fresh open that sees the change.
#include <set>

#include <gtest/gtest.h>

#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"
#include "tests/native/tables/product_schema.h"

namespace jet::test {
namespace {

using ::jet::testing::FaultyFileSystem;
using ::jet::testing::MemoryFileSystem;

constexpr char kPath[] = "config.dat";

// One statement's connection, as the product's store makes it: open, insert, close keeping the log.
Status InsertRow(FileSystem& fs, int n) {
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite, false);
    KESTRIN_TRY(db);
    auto table = (*db)->GetTable("zk_auto_qqlist");
    KESTRIN_TRY(table);
    return (*table)->Insert(QqRow(n)).status();
}

// The A_QQ numbers in the file, after a check that finds nothing wrong.
std::set<std::string> Numbers(FileSystem& fs) {
    std::set<std::string> numbers;
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite, false);
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    if (!db.ok()) return numbers;
    EXPECT_TRUE(Problems(**db).empty());
    auto table = (*db)->GetTable("zk_auto_qqlist");
    EXPECT_TRUE((*table)
                    ->Scan([&](RowPointer, const std::vector<Value>& row) {
                        numbers.insert(std::get<std::string>(row[2]));
                        return true;
                    })
                    .ok());
    return numbers;
}

std::set<std::string> NumbersOf(std::initializer_list<int> rows) {
    std::set<std::string> numbers;
    for (int n : rows) numbers.insert(std::to_string(10000 + n));
    return numbers;
}

TEST(IdleDatabase, NextOpenTakesTheClosedDatabaseUpAndReadsAlmostNothing) {
    MemoryFileSystem base;
    ASSERT_TRUE(CreateProductDb(base, kPath));
    FaultyFileSystem fresh(base), mine(base);  // call counters; each its own process
    ASSERT_TRUE(InsertRow(fresh, 1).ok());
    ASSERT_TRUE(InsertRow(mine, 2).ok());
    uint64_t freshCalls = fresh.CallCount(), calls = mine.CallCount();
    ASSERT_TRUE(InsertRow(mine, 3).ok());
    uint64_t resumedCalls = mine.CallCount() - calls;
    EXPECT_LT(resumedCalls * 2, freshCalls) << resumedCalls << " calls resumed, " << freshCalls << " fresh";
    EXPECT_EQ(Numbers(mine), NumbersOf({1, 2, 3}));
}

TEST(IdleDatabase, ChangesBesideTheIdleDatabaseAreSeenByTheNextOpen) {
    MemoryFileSystem base;
    ASSERT_TRUE(CreateProductDb(base, kPath));
    FaultyFileSystem mine(base);
    ASSERT_TRUE(InsertRow(mine, 1).ok());

    {  // another process of this engine, which plays this one's log into the file first
        FaultyFileSystem other(base);
        ASSERT_TRUE(InsertRow(other, 2).ok());
    }
    ASSERT_TRUE(InsertRow(mine, 3).ok());
    EXPECT_EQ(Numbers(mine), NumbersOf({1, 2, 3}));

    // A program that knows no log puts another database in the file's place (the log stays).
    MemoryFileSystem elsewhere;
    ASSERT_TRUE(CreateProductDb(elsewhere, kPath));
    ASSERT_TRUE(InsertRow(elsewhere, 7).ok());
    base.SetFile(kPath, elsewhere.Contents(kPath).value());
    ASSERT_TRUE(InsertRow(mine, 4).ok());
    EXPECT_EQ(Numbers(mine), NumbersOf({4, 7}));

    // The idle database knows the password it was opened with; a wrong one is still refused.
    auto wrong = Database::Open(mine, kPath, "not the password", OpenMode::ReadWrite, false);
    EXPECT_EQ(wrong.code(), ErrorCode::BadPassword);
    EXPECT_EQ(Numbers(mine), NumbersOf({4, 7}));
}

TEST(IdleDatabase, ReadersBetweenLeaveItIdleAndAReaderOpenMeanwhileMakesTheOpenLocked) {
    MemoryFileSystem base;
    ASSERT_TRUE(CreateProductDb(base, kPath));
    FaultyFileSystem mine(base);
    ASSERT_TRUE(InsertRow(mine, 1).ok());
    ASSERT_TRUE(InsertRow(mine, 2).ok());
    {
        auto reader = Database::Open(mine, kPath, kPassword, OpenMode::ReadOnly);
        ASSERT_TRUE(reader.ok());
        EXPECT_EQ((*(*reader)->GetTable("zk_auto_qqlist"))->RowCount(), 2u);
        auto writer = Database::Open(mine, kPath, kPassword, OpenMode::ReadWrite, false);
        EXPECT_EQ(writer.code(), ErrorCode::Locked);
    }
    uint64_t calls = mine.CallCount();
    ASSERT_TRUE(InsertRow(mine, 3).ok());
    EXPECT_LT(mine.CallCount() - calls, 20u);  // taken up again, not opened afresh
    EXPECT_EQ(Numbers(mine), NumbersOf({1, 2, 3}));
}

}  // namespace
}  // namespace jet::test
