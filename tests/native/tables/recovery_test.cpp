// Damaged and foreign files, and the fault and crash loops: after any failed write or crash the
// file reopens, passes Check and holds exactly the state before or after the change.
#include <map>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "jet/pages/pager.h"
#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"
#include "tests/native/tables/product_schema.h"

namespace jet::test {
namespace {

using ::jet::testing::CrashFileSystem;
using ::jet::testing::CrashLoss;
using ::jet::testing::FaultyFileSystem;
using ::jet::testing::MemoryFileSystem;
using Snapshot = std::map<int64_t, std::vector<Value>>;

constexpr char kPath[] = "config.dat";

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size() && i < 10; ++i) text += lines[i] + "\n";
    return text;
}

Snapshot Rows(Database& db) {
    Snapshot rows;
    auto table = db.GetTable("zk_auto_qqlist");
    EXPECT_TRUE(table.ok());
    if (!table.ok()) return rows;
    EXPECT_TRUE((*table)
                    ->Scan([&](RowPointer, const std::vector<Value>& row) {
                        rows[std::get<int64_t>(row[0])] = row;
                        return true;
                    })
                    .ok());
    return rows;
}

// 295 rows: the next inserts split the first leaf of the A_QQ index. `sortOrder` 2052 or 1028: the
// file labelled as Access on a Chinese system labels it.
std::vector<uint8_t> SetUpFile(uint16_t sortOrder = 1033) {
    MemoryFileSystem fs;
    auto db = CreateProductDb(fs, kPath, 32, sortOrder);
    auto table = db->GetTable("zk_auto_qqlist");
    EXPECT_TRUE(db->Begin().ok());
    for (int n = 1; n <= 295; ++n) EXPECT_TRUE((*table)->Insert(QqRow(n)).ok());
    EXPECT_TRUE(db->Commit().ok());
    db.reset();
    return *fs.Contents(kPath);
}

// The settings row changed by a connection that keeps the log, as the product's store opens it: the
// next such open in the process takes its database up again.
Status WarmUp(FileSystem& fs) {
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite, false);
    KESTRIN_TRY(db);
    auto sys = (*db)->GetTable("zk_auto_sys");
    KESTRIN_TRY(sys);
    std::optional<RowPointer> row;
    KESTRIN_TRY((*sys)->Scan([&](RowPointer at, const std::vector<Value>&) {
        row = at;
        return false;
    }));
    if (!row) return Status(ErrorCode::NotFound, "settings row");
    return (*sys)->Update(*row, {{2, Value(int64_t(1))}});
}

// One statement's worth of every kind of change, in one transaction; `resumed`: by a connection that
// keeps the log, after WarmUp.
Status TheChange(FileSystem& fs, bool resumed = false) {
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite, !resumed);
    KESTRIN_TRY(db);
    auto table = (*db)->GetTable("zk_auto_qqlist");
    KESTRIN_TRY(table);
    KESTRIN_TRY((*db)->Begin());
    for (int n = 296; n <= 330; ++n) KESTRIN_TRY((*table)->Insert(QqRow(n)));
    for (int n : {3, 150, 296}) {
        auto found = (*table)->FindEqual(2, Value(std::to_string(10000 + n)));
        KESTRIN_TRY(found);
        if (found->size() != 1) return Status(ErrorCode::NotFound, "row " + std::to_string(n));
        KESTRIN_TRY(
            (*table)->Update((*found)[0], {{6, Value(std::string(200, 'u'))}, {2, Value("u" + std::to_string(n))}}));
    }
    for (int n : {4, 151, 297}) {
        auto found = (*table)->FindEqual(2, Value(std::to_string(10000 + n)));
        KESTRIN_TRY(found);
        if (found->size() != 1) return Status(ErrorCode::NotFound, "row " + std::to_string(n));
        KESTRIN_TRY((*table)->Delete((*found)[0]));
    }
    return (*db)->Commit();
}

// The file before the change and the rows before and after it, once per sort order.
struct RecoveryStates {
    std::vector<uint8_t> before;
    Snapshot beforeRows, afterRows;
};

class Recovery : public ::testing::TestWithParam<uint16_t> {
  protected:
    void SetUp() override {
        auto& states = States();
        if (!states.count(GetParam())) {
            RecoveryStates state;
            state.before = SetUpFile(GetParam());
            MemoryFileSystem fs;
            fs.SetFile(kPath, state.before);
            auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadOnly);
            state.beforeRows = Rows(**db);
            db->reset();
            ASSERT_TRUE(TheChange(fs).ok());
            auto after = Database::Open(fs, kPath, kPassword, OpenMode::ReadOnly);
            state.afterRows = Rows(**after);
            ASSERT_EQ(state.afterRows.size(), state.beforeRows.size() + 35 - 3);
            states[GetParam()] = std::move(state);
        }
        const RecoveryStates& state = states[GetParam()];
        before_ = &state.before;
        beforeRows_ = &state.beforeRows;
        afterRows_ = &state.afterRows;
    }
    static std::map<uint16_t, RecoveryStates>& States() {
        static std::map<uint16_t, RecoveryStates> states;
        return states;
    }
    // Reopens through `fs` (which completes the file from the log) and checks the file is one of
    // the two states; the after state when the change was reported done.
    void ExpectBeforeOrAfter(FileSystem& fs, const std::string& trace, bool changeDone = false) {
        auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite);
        ASSERT_TRUE(db.ok()) << trace << ": " << db.status().ToString();
        EXPECT_EQ(Joined(Problems(**db)), "") << trace;
        Snapshot rows = Rows(**db);
        EXPECT_TRUE(rows == *afterRows_ || (!changeDone && rows == *beforeRows_))
            << trace << ": " << rows.size() << " rows";
    }

    const std::vector<uint8_t>* before_ = nullptr;
    const Snapshot* beforeRows_ = nullptr;
    const Snapshot* afterRows_ = nullptr;
};

// Also for a change made by a database taken up again from an earlier connection (whose own
// change, to the settings row, the rows compared here do not see).
TEST_P(Recovery, EveryFailedFileCallLeavesTheBeforeOrAfterState) {
    for (bool resumed : {false, true}) {
        uint64_t n = 1;
        for (;; ++n) {
            MemoryFileSystem base;
            base.SetFile(kPath, *before_);
            FaultyFileSystem fs(base);
            ASSERT_TRUE(!resumed || WarmUp(fs).ok());
            fs.FailCall(n);
            Status changed = TheChange(fs, resumed);
            if (!fs.Triggered()) {
                ASSERT_TRUE(changed.ok()) << changed.ToString();
                break;
            }
            // A failure while closing (the file's checkpoint) comes after the commit: the change stays.
            ExpectBeforeOrAfter(base, (resumed ? "resumed, call " : "call ") + std::to_string(n), changed.ok());
            if (HasFatalFailure()) return;
        }
        EXPECT_GT(n, 20u);
    }
}

TEST_P(Recovery, CrashAtAnySyncLeavesTheBeforeOrAfterState) {
    const uint32_t seeds[] = {1, 2, 3, 4};
    for (bool resumed : {false, true}) {
        for (uint64_t sync = 1;; ++sync) {
            bool crashed = false;
            for (uint32_t seed : seeds) {
                CrashFileSystem fs;
                fs.SetFile(kPath, *before_);
                ASSERT_TRUE(!resumed || WarmUp(fs).ok());
                fs.CrashAtSync(sync);
                (void)TheChange(fs, resumed);
                if (!fs.Crashed()) break;
                crashed = true;
                fs.Restart(seed);
                ExpectBeforeOrAfter(fs, std::string(resumed ? "resumed, " : "") + "sync " + std::to_string(sync) +
                                            " seed " + std::to_string(seed));
                if (HasFatalFailure()) return;
            }
            if (!crashed) break;
        }
    }
}

// Our own General file, and the same file labelled with each Chinese sort order.
INSTANTIATE_TEST_SUITE_P(SortOrders, Recovery, ::testing::Values(uint16_t(1033), uint16_t(2052), uint16_t(1028)));

TEST(DamagedFile, ForeignAndDamagedFilesGiveTypedErrorsAndAreNeverWritten) {
    std::vector<uint8_t> good;
    {
        MemoryFileSystem fs;
        CreateProductDb(fs, kPath);
        good = *fs.Contents(kPath);
    }
    auto with = [&](size_t offset, std::vector<uint8_t> bytes) {
        auto file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + offset);
        return file;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        std::string password;
        ErrorCode code;
    } cases[] = {
        {"empty file", {}, kPassword, ErrorCode::NotJet4},
        {"Jet 3 version byte", with(0x14, {0x00}), kPassword, ErrorCode::NotJet4},
        {"ACE version byte", with(0x14, {0x02}), kPassword, ErrorCode::NotJet4},
        {"not a database", std::vector<uint8_t>(8192, 'x'), kPassword, ErrorCode::NotJet4},
        {"wrong password", good, "Tq4wnBkdy.rHsLmZXJo", ErrorCode::BadPassword},
        {"no password given", good, "", ErrorCode::BadPassword},
        {"truncated inside a page", std::vector<uint8_t>(good.begin(), good.begin() + 10000), kPassword,
         ErrorCode::Corrupt},
        {"truncated before the catalog's data", std::vector<uint8_t>(good.begin(), good.begin() + 8 * 4096), kPassword,
         ErrorCode::Corrupt},
        {"catalog TDEF overwritten", with(2 * 4096, std::vector<uint8_t>(4096, 0x5A)), kPassword, ErrorCode::Corrupt},
        {"catalog slot table broken", with(14 * 4096 + 12, {0xFF, 0x7F}), kPassword, ErrorCode::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        fs.SetFile(kPath, c.file);
        for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
            auto db = Database::Open(fs, kPath, c.password, mode);
            EXPECT_EQ(db.code(), c.code) << db.status().ToString();
        }
        EXPECT_TRUE(*fs.Contents(kPath) == c.file);
    }
}

TEST(DamagedFile, RandomBytesInTheCatalogNeverCrashOrGetWritten) {
    std::vector<uint8_t> good;
    {
        MemoryFileSystem fs;
        CreateProductDb(fs, kPath);
        good = *fs.Contents(kPath);
    }
    std::mt19937 random(11);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        auto file = good;
        uint32_t page = 2 + random() % 21;
        for (int k = 0; k < 1 + int(random() % 16); ++k) file[page * 4096 + random() % 4096] = uint8_t(random());
        MemoryFileSystem fs;
        fs.SetFile(kPath, file);
        auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadOnly);
        if (!db.ok()) {
            ++refused;
            EXPECT_EQ(db.code(), ErrorCode::Corrupt) << db.status().ToString();
            continue;
        }
        // Whatever opened is read fully: reads may fail, but only as Corrupt.
        for (const auto& name : (*db)->TableNames(true)) {
            auto table = (*db)->GetTable(name);
            if (!table.ok()) {
                EXPECT_EQ(table.code(), ErrorCode::Corrupt) << table.status().ToString();
                continue;
            }
            Status scanned = (*table)->Scan([](RowPointer, const std::vector<Value>&) { return true; });
            if (!scanned.ok()) {
                EXPECT_EQ(scanned.code(), ErrorCode::Corrupt) << scanned.ToString();
            }
        }
        std::vector<std::string> problems;
        (void)(*db)->Check(problems);  // may report anything; it must not crash or write
        EXPECT_TRUE(*fs.Contents(kPath) == file);
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace jet::test

#include "jet/format/db_header.h"
#include "jet/format/jet4_layout.h"

namespace jet::test {
namespace {

// Files with page encryption (a non-zero database key) are read through the RC4 page transform
// and refused for writing.
TEST(EncryptedFile, PagesAreDecryptedOnReadAndWritesRefused) {
    MemoryFileSystem fs;
    {
        auto db = CreateProductDb(fs, kPath);
        auto table = db->GetTable("zk_auto_qqlist");
        ASSERT_TRUE((*table)->Insert(QqRow(1)).ok());
    }
    auto file = *fs.Contents(kPath);
    const uint32_t dbKey = 0x5EED1234;
    uint8_t key[4];
    PutLe32(key, dbKey);
    for (int i = 0; i < 4; ++i) file[Jet4Layout::kHeaderDbKey + i] ^= key[i];
    for (uint32_t page = 1; page < file.size() / 4096; ++page)
        PageDecryptTransform(dbKey)(PageNo(page), &file[page * 4096]);
    fs.SetFile(kPath, file);
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadOnly);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    auto table = (*db)->GetTable("zk_auto_qqlist");
    ASSERT_TRUE(table.ok());
    EXPECT_EQ((*table)->RowCount(), 1u);
    auto found = (*table)->FindEqual(2, Value(std::string("10001")));
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->size(), 1u);
    db->reset();
    auto writable = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite);
    ASSERT_TRUE(writable.ok());
    auto again = (*writable)->GetTable("zk_auto_qqlist");
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE((*again)->Insert(QqRow(2)).ok());
    EXPECT_TRUE(*fs.Contents(kPath) == file);
}

}  // namespace
}  // namespace jet::test

namespace jet::test {
namespace {

// Creating a table writes a TDEF, a holder page, index roots, a catalog row and two ACEs: a failure
// anywhere leaves the table wholly there or wholly absent.
TEST(CreateTableRecovery, EveryFailedFileCallLeavesTheTableWhollyThereOrAbsent) {
    std::vector<uint8_t> before;
    {
        MemoryFileSystem fs;
        CreateProductDb(fs, kPath);
        before = *fs.Contents(kPath);
    }
    TableSchema schema = AccountTableSchema();
    schema.name = "zk_auto_more";
    for (uint64_t n = 1;; ++n) {
        MemoryFileSystem base;
        base.SetFile(kPath, before);
        FaultyFileSystem fs(base);
        fs.FailCall(n);
        Status created = [&]() -> Status {
            auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite);
            KESTRIN_TRY(db);
            return (*db)->CreateTable(schema);
        }();
        if (!fs.Triggered()) {
            ASSERT_TRUE(created.ok()) << created.ToString();
            break;
        }
        auto db = Database::Open(base, kPath, kPassword, OpenMode::ReadWrite);
        ASSERT_TRUE(db.ok()) << n << ": " << db.status().ToString();
        EXPECT_EQ(Joined(Problems(**db)), "") << "call " << n;
        size_t tables = (*db)->TableNames(false).size();
        // A failure while closing (the file's checkpoint) comes after the commit: the table stays.
        EXPECT_TRUE(tables == 3 || (!created.ok() && tables == 2)) << "call " << n;
        if (tables == 3) {
            auto table = (*db)->GetTable("zk_auto_more");
            ASSERT_TRUE(table.ok());
            EXPECT_TRUE((*table)->Insert(QqRow(1)).ok());
        }
    }
}

// Inserts row `n` through a connection that keeps the log, as the product's store does.
void InsertKeepingLog(FileSystem& fs, int n) {
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite, false);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    ASSERT_TRUE((*(*db)->GetTable("zk_auto_qqlist"))->Insert(QqRow(n)).ok());
}

// Kestrin killed while its log is live, then config.dat deleted and written anew from the template
// (which sets aside the log beside it first, or else the log no longer fits the file): the new file
// opens empty, as it is, and the log is kept aside unplayed. A log that does fit its file is played
// only once the header shows the password: a wrong one leaves the file and the log as they were.
TEST(StaleLog, IsSetAsideBesideANewTemplateAndPlayedOnlyBehindTheRightPassword) {
    MemoryFileSystem scratch;
    CreateProductDb(scratch, kPath).reset();
    const std::vector<uint8_t> fresh = *scratch.Contents(kPath);
    struct Case {
        const char* name;
        bool checkpointFirst;  // the log's generation began after a first change
        bool setAsideFirst;    // as the start-up does before it writes the template
    } cases[] = {{"generation began from the template", false, true},
                 {"generation began from a later state", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CrashFileSystem fs;
        fs.SetFile(kPath, fresh);
        if (c.checkpointFirst) {
            auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite);
            ASSERT_TRUE((*(*db)->GetTable("zk_auto_qqlist"))->Insert(QqRow(1)).ok());
        }
        InsertKeepingLog(fs, 2);
        fs.CrashNow();
        fs.Restart(0, CrashLoss::DropAll);
        const std::vector<uint8_t> log = *fs.Contents(std::string(kPath) + "-journal");
        if (c.setAsideFirst) {
            ASSERT_TRUE(Pager::SetAsideLog(fs, kPath).ok());
        }
        fs.SetFile(kPath, fresh);
        auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite);
        ASSERT_TRUE(db.ok()) << db.status().ToString();
        EXPECT_TRUE(Rows(**db).empty());
        db->reset();
        EXPECT_EQ(*fs.Contents(kPath), fresh);
        EXPECT_FALSE(fs.Exists(std::string(kPath) + "-journal").value());
        EXPECT_EQ(*fs.Contents(std::string(kPath) + "-journal.unplayed-1"), log);
    }

    CrashFileSystem fs;
    fs.SetFile(kPath, fresh);
    InsertKeepingLog(fs, 3);
    fs.CrashNow();
    fs.Restart(0, CrashLoss::DropAll);
    const std::vector<uint8_t> file = *fs.Contents(kPath);
    const std::vector<uint8_t> log = *fs.Contents(std::string(kPath) + "-journal");
    EXPECT_EQ(Database::Open(fs, kPath, "not the password", OpenMode::ReadWrite).code(), ErrorCode::BadPassword);
    EXPECT_EQ(*fs.Contents(kPath), file);
    EXPECT_EQ(*fs.Contents(std::string(kPath) + "-journal"), log);
    auto db = Database::Open(fs, kPath, kPassword, OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    EXPECT_EQ(Rows(**db).size(), 1u);
}

}  // namespace
}  // namespace jet::test
