#include <algorithm>
#include <chrono>
#include <map>

#include <gtest/gtest.h>

#include "jet/pages/testing/crash_file_system.h"
#include "tests/native/tables/product_schema.h"

namespace jet::test {
namespace {

using ::jet::testing::MemoryFileSystem;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size() && i < 20; ++i) text += lines[i] + "\n";
    return text;
}

// All rows of a table keyed by ID, as text, for comparing whole states.
std::map<int64_t, std::vector<Value>> Rows(Table& table) {
    std::map<int64_t, std::vector<Value>> rows;
    EXPECT_TRUE(table
                    .Scan([&](RowPointer, const std::vector<Value>& row) {
                        rows[std::get<int64_t>(row[0])] = row;
                        return true;
                    })
                    .ok());
    return rows;
}

class QqTable : public ::testing::Test {
  protected:
    void SetUp() override {
        db_ = CreateProductDb(fs_, "config.dat");
        ASSERT_TRUE(db_);
        auto table = db_->GetTable("zk_auto_qqlist");
        ASSERT_TRUE(table.ok());
        table_ = *table;
    }
    RowPointer Find(const std::string& qq) {
        auto found = table_->FindEqual(2, Value(qq));
        EXPECT_TRUE(found.ok());
        EXPECT_EQ(found.ok() ? found->size() : 0, 1u) << qq;
        return found.ok() && !found->empty() ? (*found)[0] : RowPointer{};
    }

    MemoryFileSystem fs_;
    std::unique_ptr<Database> db_;
    Table* table_ = nullptr;
};

TEST_F(QqTable, UniqueIndexRefusesDuplicateQqIgnoringCaseAndChangesNothing) {
    ASSERT_TRUE(table_->Insert({{2, Value(std::string("ABC"))}}).ok());
    auto before = fs_.Contents("config.dat");
    struct Case {
        const char* name;
        std::string qq;
    } cases[] = {{"same", "ABC"}, {"lower case", "abc"}, {"trailing space", "abc "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto inserted = table_->Insert({{1, Value(std::string("x"))}, {2, Value(c.qq)}});
        EXPECT_EQ(inserted.code(), ErrorCode::Constraint);
        EXPECT_TRUE(*fs_.Contents("config.dat") == *before);
    }
    EXPECT_EQ(table_->RowCount(), 1u);
    // Null is no value: any number of rows may leave A_QQ empty.
    EXPECT_TRUE(table_->Insert({{1, Value(std::string("no qq"))}}).ok());
    EXPECT_TRUE(table_->Insert({{1, Value(std::string("no qq either"))}}).ok());
    // An update onto another row's key is refused too; onto its own key it is not.
    auto second = table_->Insert({{2, Value(std::string("DEF"))}});
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(table_->Update(*second, {{2, Value(std::string("abc"))}}).code(), ErrorCode::Constraint);
    EXPECT_TRUE(table_->Update(*second, {{2, Value(std::string("def"))}}).ok());
    EXPECT_EQ(Joined(Problems(*db_)), "");
}

TEST_F(QqTable, IndexedTextTheSortOrderCannotEncodeIsRefusedAndUnindexedTextIsNot) {
    auto refused = table_->Insert({{2, Value(std::string("中文"))}});
    EXPECT_EQ(refused.code(), ErrorCode::Unsupported) << refused.status().ToString();
    EXPECT_NE(refused.status().message().find("A_QQ"), std::string::npos);
    EXPECT_TRUE(table_->Insert({{1, Value(std::string("中文名"))}, {2, Value(std::string("1"))}}).ok());
    EXPECT_EQ(table_->RowCount(), 1u);
}

TEST_F(QqTable, ValuesOutsideTheirColumnsAreRefused) {
    struct Case {
        const char* name;
        ColumnValues values;
        ErrorCode code;
    } cases[] = {
        {"text too long", {{2, Value(std::string(51, '1'))}}, ErrorCode::TooLarge},
        {"integer out of range", {{3, Value(int64_t(40000))}}, ErrorCode::TypeMismatch},
        {"text in a number column", {{3, Value(std::string("1"))}}, ErrorCode::TypeMismatch},
        {"no such column", {{9, Value(int64_t(1))}}, ErrorCode::InvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(table_->Insert(c.values).code(), c.code);
    }
    EXPECT_EQ(table_->RowCount(), 0u);
    EXPECT_EQ(Joined(Problems(*db_)), "");
}

TEST_F(QqTable, InsertUpdateGrowDeleteKeepTheFileConsistent) {
    for (int n = 1; n <= 200; ++n) ASSERT_TRUE(table_->Insert(QqRow(n)).ok()) << n;
    EXPECT_EQ(Joined(Problems(*db_)), "");
    // Grow every third row well past its slot: the rows move to overflow slots.
    std::string longPass(255, 'p');
    for (int n = 1; n <= 200; n += 3) {
        RowPointer row = Find(std::to_string(10000 + n));
        ASSERT_TRUE(table_->Update(row, {{6, Value(longPass)}, {1, Value(std::string(100, 'n'))}}).ok()) << n;
    }
    EXPECT_EQ(Joined(Problems(*db_)), "");
    // Grow some again (repointing), shrink others (in place), change keys.
    for (int n = 1; n <= 200; n += 6) {
        RowPointer row = Find(std::to_string(10000 + n));
        ASSERT_TRUE(table_->Update(row, {{5, Value(std::string(100, 'l'))}, {2, Value("q" + std::to_string(n))}}).ok());
    }
    for (int n = 2; n <= 200; n += 3) {
        RowPointer row = Find(std::to_string(10000 + n));
        ASSERT_TRUE(table_->Update(row, {{6, Value(std::string("x"))}, {1, Value()}}).ok());
    }
    EXPECT_EQ(Joined(Problems(*db_)), "");
    for (int n = 1; n <= 200; n += 2) {
        std::string qq = n % 6 == 1 ? "q" + std::to_string(n) : std::to_string(10000 + n);
        ASSERT_TRUE(table_->Delete(Find(qq)).ok()) << n;
    }
    EXPECT_EQ(Joined(Problems(*db_)), "");
    EXPECT_EQ(table_->RowCount(), 100u);
    auto rows = Rows(*table_);
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[2][6], Value(std::string("x")));
    EXPECT_EQ(rows[2][1], Value());
    EXPECT_EQ(rows[4][6], Value(longPass));
    EXPECT_EQ(rows[4][2], Value(std::string("10004")));
    // AutoNumber never reuses a deleted value.
    auto next = table_->Insert(QqRow(999));
    ASSERT_TRUE(next.ok());
    EXPECT_EQ((*table_->ReadRow(*next))[0], Value(int64_t(201)));
    EXPECT_EQ(table_->Delete(RowPointer{PageNo(1), 0}).code(), ErrorCode::NotFound);
}

TEST_F(QqTable, FindEqualComparesTextAsJetDoesWithOrWithoutAnIndex) {
    ASSERT_TRUE(table_->Insert({{1, Value(std::string("Alice"))}, {2, Value(std::string("100"))}}).ok());
    ASSERT_TRUE(table_->Insert({{1, Value(std::string("alice  "))}, {2, Value(std::string("200"))}}).ok());
    ASSERT_TRUE(table_->Insert({{1, Value(std::string("Álice"))}, {2, Value(std::string("300"))}}).ok());
    struct Case {
        const char* name;
        size_t column;
        Value value;
        size_t expected;
    } cases[] = {
        {"scan, case and trailing spaces ignored", 1, Value(std::string("ALICE")), 2},
        {"scan, accents count", 1, Value(std::string("álice")), 1},
        {"index", 2, Value(std::string("200")), 1},
        {"number column by scan", 3, Value(int64_t(0)), 0},
        {"null matches nothing", 1, Value(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto found = table_->FindEqual(c.column, c.value);
        ASSERT_TRUE(found.ok());
        EXPECT_EQ(found->size(), c.expected);
    }
}

// The alias has no index: its look-ups come from a map the table keeps in memory, which must follow
// every change (a stale entry would make a login or delete by alias reach the wrong account).
TEST_F(QqTable, UnindexedLookupsFollowInsertsUpdatesDeletesAndRollbacks) {
    auto add = [&](const std::string& name, const std::string& qq) {
        auto row = table_->Insert({{1, Value(name)}, {2, Value(qq)}});
        EXPECT_TRUE(row.ok());
        return row.ok() ? *row : RowPointer{};
    };
    auto named = [&](const std::string& name) {
        auto found = table_->FindEqual(1, Value(name));
        EXPECT_TRUE(found.ok());
        return found.ok() ? *found : std::vector<RowPointer>{};
    };
    RowPointer alice = add("Alice", "100"), bob = add("Bob", "200"), wide = add("中文x", "300");
    EXPECT_EQ(named("alice"), std::vector<RowPointer>{alice});  // the first look-up builds the map
    RowPointer upper = add("ALICE", "400");
    EXPECT_EQ(named("alice"), (std::vector<RowPointer>{alice, upper}));
    ASSERT_TRUE(table_->Update(bob, {{1, Value(std::string("alice"))}}).ok());
    EXPECT_EQ(named("Bob"), std::vector<RowPointer>{});
    EXPECT_EQ(named("ALICE").size(), 3u);
    ASSERT_TRUE(table_->Update(upper, {{6, Value(std::string(200, 'x'))}}).ok());  // grows: its bytes move
    ASSERT_TRUE(table_->Delete(alice).ok());
    EXPECT_EQ(named("alice"), (std::vector<RowPointer>{bob, upper}));
    ASSERT_TRUE(db_->Begin().ok());
    add("alice", "500");
    ASSERT_TRUE(table_->Update(wide, {{1, Value(std::string("Carol"))}}).ok());
    db_->Rollback();
    EXPECT_EQ(named("alice"), (std::vector<RowPointer>{bob, upper}));
    EXPECT_EQ(named("中文X"), std::vector<RowPointer>{wide});  // text without a key: folded ASCII letters
    EXPECT_EQ(named("中文"), std::vector<RowPointer>{});
    EXPECT_EQ(named("carol"), std::vector<RowPointer>{});
    EXPECT_EQ(Joined(Problems(*db_)), "");
}

TEST_F(QqTable, ExplicitTransactionRollbackLeavesTheBeforeState) {
    ASSERT_TRUE(table_->Insert(QqRow(1)).ok());
    auto before = *fs_.Contents("config.dat");
    ASSERT_TRUE(db_->Begin().ok());
    for (int n = 2; n <= 50; ++n) ASSERT_TRUE(table_->Insert(QqRow(n)).ok());
    ASSERT_TRUE(table_->Delete(Find("10001")).ok());
    db_->Rollback();
    EXPECT_TRUE(*fs_.Contents("config.dat") == before);
    EXPECT_EQ(table_->RowCount(), 1u);
    EXPECT_EQ(Rows(*table_).size(), 1u);
    EXPECT_EQ(Joined(Problems(*db_)), "");
}

TEST_F(QqTable, ScanColumnsGivesTheWantedColumnsAndNullForTheRest) {
    for (int n = 1; n <= 3; ++n) ASSERT_TRUE(table_->Insert(QqRow(n)).ok());
    std::vector<bool> wanted(7, false);
    wanted[2] = wanted[4] = true;
    std::vector<std::vector<Value>> rows;
    ASSERT_TRUE(table_
                    ->ScanColumns(wanted,
                                  [&](RowPointer, const std::vector<Value>& row) {
                                      rows.push_back(row);
                                      return true;
                                  })
                    .ok());
    ASSERT_EQ(rows.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const std::vector<Value>& row = rows[size_t(n - 1)];
        ASSERT_EQ(row.size(), 7u);
        EXPECT_EQ(row[2], Value(std::to_string(10000 + n)));
        EXPECT_EQ(row[4], Value(int64_t(0)));
        for (size_t column : {0u, 1u, 3u, 5u, 6u}) EXPECT_TRUE(IsNull(row[column])) << column;
    }
}

// Each data page's slot table is checked once when the page is first read; that check must cover
// the whole table, so a slot broken anywhere on the page refuses every row of it, also a row whose
// own slot is sound and also through an index look-up.
TEST(DamagedPage, BrokenSlotAnywhereOnADataPageRefusesEveryRowOfThatPage) {
    MemoryFileSystem fs;
    RowPointer first{}, last{};
    {
        auto db = CreateProductDb(fs, "config.dat");
        ASSERT_TRUE(db);
        auto table = db->GetTable("zk_auto_qqlist");
        ASSERT_TRUE(table.ok());
        for (int n = 1; n <= 5; ++n) {
            auto row = (*table)->Insert(QqRow(n));
            ASSERT_TRUE(row.ok());
            (n == 1 ? first : last) = *row;
        }
    }
    ASSERT_EQ(first.page, last.page);
    std::vector<uint8_t> bytes = fs.Contents("config.dat").value();
    // The last slot's word points above the slot before it: out of order.
    size_t slotWord = size_t(ToIndex(last.page)) * kPageSize + 14 + 2 * last.row;
    bytes[slotWord] = 0xF0;
    bytes[slotWord + 1] = 0x0F;
    fs.SetFile("config.dat", bytes);
    auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadOnly);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    auto table = (*db)->GetTable("zk_auto_qqlist");
    ASSERT_TRUE(table.ok());
    EXPECT_EQ((*table)->ReadRow(first).status().code(), ErrorCode::Corrupt);
    EXPECT_EQ((*table)->ReadRow(first).status().code(), ErrorCode::Corrupt);  // not checked once and forgotten
    EXPECT_EQ((*table)->Scan([](RowPointer, const std::vector<Value>&) { return true; }).code(), ErrorCode::Corrupt);
    auto found = (*table)->FindEqual(2, Value(std::string("10001")));
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ((*table)->ReadRow((*found)[0]).status().code(), ErrorCode::Corrupt);
}

#ifdef KESTRIN_SANITIZED
constexpr int kLargeTableRows = 20000;  // still past 512 pages; the sanitizers make each row ~20x dearer
#else
constexpr int kLargeTableRows = 100000;
#endif

// 100,000 rows: far past the 512 pages an inline usage map covers, so the global map and the
// table's maps become reference maps; mdbtools must still see every row.
TEST(LargeTable, HundredThousandRowsStayConsistentAndReadable) {
    TempFolder folder;
    std::string path = folder.File("config.dat");
    auto db = CreateProductDb(NativeFileSystem(), path);
    ASSERT_TRUE(db);
    auto table = db->GetTable("zk_auto_qqlist");
    ASSERT_TRUE(table.ok());
    constexpr int kRows = kLargeTableRows;
    auto start = std::chrono::steady_clock::now();
    for (int batch = 0; batch < kRows / 1000; ++batch) {
        ASSERT_TRUE(db->Begin().ok());
        for (int n = batch * 1000 + 1; n <= (batch + 1) * 1000; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok()) << n;
        ASSERT_TRUE(db->Commit().ok());
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "inserted " << kRows << " rows in " << seconds << " s\n";
    EXPECT_EQ(Joined(Problems(*db)), "");
    EXPECT_EQ((*table)->RowCount(), uint32_t(kRows));
    auto found = (*table)->FindEqual(2, Value(std::to_string(10000 + kRows * 3 / 4)));
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->size(), 1u);
    db.reset();
    auto size = std::filesystem::file_size(path);
    EXPECT_GT(size, 512u * 4096u);
    std::cout << "file size " << size << " bytes\n";
    SKIP_WITHOUT_MDBTOOLS();
    EXPECT_EQ(RunCommand("mdb-count " + path + " zk_auto_qqlist"), std::to_string(kRows) + "\n");
    std::string exported = RunCommand("mdb-export " + path + " zk_auto_qqlist");
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), kRows + 1);
    std::string last = std::to_string(10000 + kRows);
    EXPECT_NE(exported.find("\n" + std::to_string(kRows) + ",\"name" + last + "\",\"" + last + "\",1,0,"),
              std::string::npos);
}

}  // namespace
}  // namespace jet::test

namespace jet::test {
namespace {

TEST(Types, EveryWritableTypeRoundTripsAndMdbtoolsReadsIt) {
    TempFolder folder;
    std::string path = folder.File("types.mdb");
    auto created = Database::Create(NativeFileSystem(), path, "", CreateOptions{kFixedNow, 0, OpenMode::CreateNew});
    ASSERT_TRUE(created.ok()) << created.status().ToString();
    auto& db = *created;
    TableSchema schema;
    schema.name = "types";
    schema.columns = {{"flag", ColumnType::Boolean, 1, false},   {"small", ColumnType::Byte, 1, false},
                      {"money", ColumnType::Currency, 8, false}, {"ratio", ColumnType::Double, 8, false},
                      {"single", ColumnType::Single, 4, false},  {"stamp", ColumnType::DateTime, 8, false},
                      {"notes", ColumnType::Memo, 0, false},     {"blob", ColumnType::Binary, 10, false}};
    schema.indexes = {{"by_stamp", {5}, false, false}};
    ASSERT_TRUE(db->CreateTable(schema).ok());
    auto table = db->GetTable("types");
    ASSERT_TRUE(table.ok());
    std::vector<Value> values{Value(true),
                              Value(int64_t(200)),
                              Value(Currency{123456}),
                              Value(-2.5),
                              Value(0.25),
                              Value(ToJetDate({2026, 12, 7, 9, 7, 3})),
                              Value(std::string(1000, 'm')),
                              Value(Bytes{1, 2, 3})};
    ColumnValues change;
    for (size_t i = 0; i < values.size(); ++i) change.push_back({i, values[i]});
    auto row = (*table)->Insert(change);
    ASSERT_TRUE(row.ok()) << row.status().ToString();
    ASSERT_TRUE((*table)->Insert({{0, Value(false)}}).ok());
    auto back = (*table)->ReadRow(*row);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, values);
    auto found = (*table)->FindEqual(5, values[5]);
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->size(), 1u);
    EXPECT_EQ(Joined(Problems(*db)), "");
    EXPECT_EQ((*table)->Insert({{6, Value(std::string(5000, 'x'))}}).code(), ErrorCode::TooLarge);
    db.reset();
    SKIP_WITHOUT_MDBTOOLS();
    std::string exported = RunCommand("mdb-export " + path + " types");
    EXPECT_NE(exported.find("1,200,12.3456,-2.5,0.25,\"12/07/26 09:07:03\",\"" + std::string(1000, 'm')),
              std::string::npos)
        << exported.substr(0, 300);
    EXPECT_NE(exported.find("\n0,,,,,,,"), std::string::npos) << exported.substr(0, 300);
}

TEST(Types, TableWithADefinitionOverSeveralPagesIsCreatedAndRead) {
    TempFolder folder;
    std::string path = folder.File("wide.mdb");
    {
        auto db =
            Database::Create(NativeFileSystem(), path, kPassword, CreateOptions{kFixedNow, 0, OpenMode::CreateNew});
        ASSERT_TRUE(db.ok());
        TableSchema schema;
        schema.name = "wide";
        for (int i = 0; i < 150; ++i)
            schema.columns.push_back({"column_with_a_long_name_" + std::to_string(i), ColumnType::Long, 4, false});
        ASSERT_TRUE((*db)->CreateTable(schema).ok());
        auto table = (*db)->GetTable("wide");
        ASSERT_TRUE(table.ok());
        ASSERT_TRUE((*table)->Insert({{0, Value(int64_t(7))}, {149, Value(int64_t(9))}}).ok());
        EXPECT_EQ(Joined(Problems(**db)), "");
    }
    auto db = Database::Open(NativeFileSystem(), path, kPassword, OpenMode::ReadOnly);
    ASSERT_TRUE(db.ok());
    auto table = (*db)->GetTable("wide");
    ASSERT_TRUE(table.ok());
    EXPECT_EQ((*table)->Columns().size(), 150u);
    SKIP_WITHOUT_MDBTOOLS();
    EXPECT_EQ(RunCommand("mdb-export " + path + " wide").substr(0, 26), "column_with_a_long_name_0,");
    EXPECT_EQ(RunCommand("mdb-count " + path + " wide"), "1\n");
}

}  // namespace
}  // namespace jet::test
