// The account database as the product uses it: every operation opens config.dat, runs its statement
// and closes it again, so the open/work/close cycle is what is measured. Files live in a fresh folder
// under $KESTRIN_BENCH_DIR (default: the system's temporary folder); durable commits cost what the
// disk's sync costs, so run it on the disk you care about.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "jet/sql/connection.h"
#include "jet/tables/database.h"
#include "store/schema.h"
#include "store/sql_text.h"

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("KESTRIN_BENCH_DIR");
        folder_ = std::filesystem::path(base ? base : std::filesystem::temp_directory_path().string()) /
                  ("kestrin-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string File(const char* name) const { return (folder_ / name).string(); }

private:
    std::filesystem::path folder_;
};

std::string ConnectionString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Jet OLEDB:Database Password=" + kDbPassword;
}

std::string InsertStatement(int n) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" +
           SqlQuote("account" + std::to_string(n)) + "," + SqlQuote(std::to_string(100000 + n)) +
           ",1,1,'2026-12-07 9:07:03','kAFQmDzST7DWlj99KOF/cg')";
}

// A template with `accounts` rows, written in one transaction (the set-up is not measured).
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

// Runs one statement on a fresh connection: open, execute, fetch, close.
void RunStatement(const std::string& path, const std::string& statement) {
    jet::Connection conn;
    if (!conn.Open(ConnectionString(path))) std::abort();
    auto rows = conn.Execute(statement);
    if (!rows) std::abort();
    if (rows->IsOpen() && !rows->Eof()) benchmark::DoNotOptimize(rows->GetRows(-1));
    conn.Close();
}

void open_read_all_1000(benchmark::State& state) {
    ScratchFolder folder;
    std::string path = MakeDatabase(folder, 1000);
    for (auto _ : state) RunStatement(path, "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist");
    state.SetLabel("ms");
}
BENCHMARK(open_read_all_1000)->Unit(benchmark::kMillisecond);

void insert_durable(benchmark::State& state) {
    ScratchFolder folder;
    std::string path = MakeDatabase(folder, 1000);
    int n = 1000;
    for (auto _ : state) RunStatement(path, InsertStatement(n++));
    state.SetLabel("ms");
}
BENCHMARK(insert_durable)->Unit(benchmark::kMillisecond);

void file_bytes_10000(benchmark::State& state) {
    for (auto _ : state) {
        ScratchFolder folder;
        std::string path = MakeDatabase(folder, 10000);
        state.counters["bytes"] = double(std::filesystem::file_size(path));
    }
}
BENCHMARK(file_bytes_10000)->Iterations(1);

void qqexists_10000(benchmark::State& state) {
    ScratchFolder folder;
    std::string path = MakeDatabase(folder, 10000);
    std::mt19937 random(7);
    for (auto _ : state) {
        std::string number = std::to_string(100000 + random() % 20000);  // half of them exist
        RunStatement(path, "select A_QQ from zk_auto_qqlist where A_QQ=" + SqlQuote(number));
    }
    state.SetLabel("ms");
}
BENCHMARK(qqexists_10000)->Unit(benchmark::kMillisecond);

// An import of 10,000 lines as the import handler does it: for each line the number look-up, then
// open, insert, close, each insert durable on its own.
void import_10000(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder folder;
        std::string path = MakeDatabase(folder, 0);
        state.ResumeTiming();
        for (int n = 0; n < 10000; ++n) {
            RunStatement(path, "select A_QQ from zk_auto_qqlist where A_QQ=" + SqlQuote(std::to_string(100000 + n)));
            RunStatement(path, InsertStatement(n));
        }
    }
    state.SetLabel("s");
}
BENCHMARK(import_10000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
