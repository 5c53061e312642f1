#include "bench/bench_db.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "jet/sql/connection.h"
#include "jet/tables/database.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "store/sql_text.h"

namespace bench {

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("KESTRIN_BENCH_DIR");
    folder_ = std::filesystem::path(base ? base : std::filesystem::temp_directory_path().string()) /
              ("kestrin-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string InsertStatement(int n) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" +
           SqlQuote("account" + std::to_string(n)) + "," + SqlQuote(std::to_string(100000 + n)) +
           ",1,1,'2026-12-07 9:07:03','kAFQmDzST7DWlj99KOF/cg')";
}

std::string MakeDatabase(const ScratchFolder& folder, int accounts) {
    std::string path = folder.File("config.dat");
    if (!WriteTemplateDatabase(jet::NativeFileSystem(), path)) std::abort();
    auto db = jet::Database::Open(jet::NativeFileSystem(), path, kDbPassword, jet::OpenMode::ReadWrite);
    if (!db) std::abort();
    auto table = (*db)->GetTable("zk_auto_qqlist");
    if (!table || !(*db)->Begin()) std::abort();
    for (int n = 0; n < accounts; ++n) {
        jet::ColumnValues values = {{1, jet::Value("account" + std::to_string(n))},
                                    {2, jet::Value(std::to_string(100000 + n))},
                                    {3, jet::Value(int64_t(1))},
                                    {4, jet::Value(int64_t(1))},
                                    {5, jet::Value(std::string("2026-12-07 9:07:03"))},
                                    {6, jet::Value(std::string("kAFQmDzST7DWlj99KOF/cg"))}};
        if (!(*table)->Insert(values)) std::abort();
    }
    if (!(*db)->Commit()) std::abort();
    return path;
}

void RunStatement(const std::string& path, const std::string& statement) {
    jet::Connection conn;
    conn.KeepLogOnClose(true);  // as the product's store opens it
    if (!conn.Open(ConnectionStringFor(path))) std::abort();
    auto rows = conn.Execute(statement);
    if (!rows) std::abort();
    if (rows->IsOpen() && !rows->Eof()) benchmark::DoNotOptimize(rows->GetRows(-1));
    conn.Close();
}

}  // namespace bench
