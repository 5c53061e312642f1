// The account database as the product uses it: every operation opens config.dat, runs its statement
// and closes it again, so the open/work/close cycle is what is measured. Files live in a fresh folder
// under $KESTRIN_BENCH_DIR (default: the system's temporary folder); durable commits cost what the
// disk's sync costs, so run it on the disk you care about.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "bench/bench_db.h"
#include "store/statements.h"

namespace {

using bench::InsertStatement;
using bench::MakeDatabase;
using bench::RunStatement;
using bench::ScratchFolder;

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
        RunStatement(path, SelectNumberStatement(number));
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
            RunStatement(path, SelectNumberStatement(std::to_string(100000 + n)));
            RunStatement(path, InsertStatement(n));
        }
    }
    state.SetLabel("s");
}
BENCHMARK(import_10000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
