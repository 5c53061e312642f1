#pragma once
// The product's database for the engine's tests (tables, SQL, store): a fresh database with the
// product's two tables (their schema from store/schema.h), in a temporary folder or in memory, rows
// of zk_auto_qqlist, and mdbtools output.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "jet/format/jet_date.h"
#include "jet/tables/database.h"
#include "store/schema.h"

namespace jet::test {

inline constexpr const char* kPassword = kDbPassword;
inline constexpr DateTime kFixedNow{46363.379895833335};  // 2026-12-07 09:07:03

// The product's database: both tables, the one all-Null zk_auto_sys row; `sortOrder` labels it as
// Access on a Chinese system would.
inline std::unique_ptr<Database> CreateProductDb(FileSystem& fs, const std::string& path, uint32_t minPages = 32,
                                                 uint16_t sortOrder = 1033) {
    CreateOptions options;
    options.now = kFixedNow;
    options.minPages = minPages;
    options.sortOrder = sortOrder;
    auto db = Database::Create(fs, path, kPassword, options);
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    if (!db.ok()) return nullptr;
    EXPECT_TRUE((*db)->CreateTable(AccountTableSchema()).ok());
    EXPECT_TRUE((*db)->CreateTable(SettingsTableSchema()).ok());
    auto sys = (*db)->GetTable("zk_auto_sys");
    EXPECT_TRUE(sys.ok());
    if (sys.ok()) {
        EXPECT_TRUE((*sys)->Insert({}).ok());
    }
    return std::move(*db);
}

inline ColumnValues QqRow(int n) {
    std::string qq = std::to_string(10000 + n);
    return {{1, Value("name" + qq)},
            {2, Value(qq)},
            {3, Value(int64_t(1))},
            {4, Value(int64_t(0))},
            {5, Value(std::string("2026-12-07 9:07:03"))},
            {6, Value(std::string("1B2M2Y8AsgTpgAmY7PhCfg"))}};
}

// A fresh folder under the system's temporary folder, removed at the end of the test.
class TempFolder {
  public:
    TempFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("kestrin_tables_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// mdbtools, the independent reader the files are checked with, runs natively only: a Windows build
// of the tests under Wine cannot start it. The tests read back through it there and skip the rest.
#ifdef _WIN32
#define SKIP_WITHOUT_MDBTOOLS() GTEST_SKIP() << "mdbtools runs in the native build only"
#else
#define SKIP_WITHOUT_MDBTOOLS() (void)0
#endif

// Runs a command and returns its standard output (stderr discarded); the exit status in `status`.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int rc = pclose(pipe);
    if (status) *status = rc;
    return output;
}

inline std::vector<std::string> Problems(Database& db) {
    std::vector<std::string> problems;
    Status checked = db.Check(problems);
    if (!checked.ok()) problems.push_back("check failed: " + checked.ToString());
    return problems;
}

}  // namespace jet::test
