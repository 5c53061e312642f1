// The list import as the handler runs it, apart from the window: a 10,000-line file into a fresh
// config.dat (one look-up and one durable insert per line), and the heap a 64 MiB file of blank lines
// needs above what was live before the import.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "accounts/import_run.h"
#include "bench/bench_db.h"
#include "common/testing/heap_counter.h"
#include "store/account_db.h"
#include "tests/win/fake_services.h"

namespace {

class NoRows : public ImportRows {
  public:
    void Append(const std::string&, const std::string&) override {}
    void RemoveLast() override {}
};

ImportOutcome Import(const std::string& path, ImportSource& file) {
    FakeServices fakes;
    AccountDb db(path, fakes.services);
    NoRows rows;
    return ImportAccounts(db, file, fakes.clock, rows);
}

void import_file_10000(benchmark::State& state) {
    std::string file;
    for (int n = 0; n < 10000; ++n) file += std::to_string(100000 + n) + " pw" + std::to_string(n) + "\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        bench::ScratchFolder folder;
        std::string path = bench::MakeDatabase(folder, 0);
        state.ResumeTiming();
        ImportBytes bytes(file);
        if (Import(path, bytes).count != 10000) state.SkipWithError("the import failed");
    }
    state.SetLabel("s");
}
BENCHMARK(import_file_10000)->Iterations(1)->Unit(benchmark::kSecond);

void import_blank_64mib(benchmark::State& state) {
    constexpr size_t kFileBytes = size_t{64} << 20;
    bench::ScratchFolder folder;
    std::string path = bench::MakeDatabase(folder, 0);
    std::string blankLines(kFileBytes, '\n');  // stands for the file on disk: not counted
    size_t peakAbove = 0;
    for (auto _ : state) {
        ImportBytes file(blankLines);
        size_t start = heap::HeapLiveBytes();
        heap::ResetHeapPeak();
        Import(path, file);
        peakAbove = std::max(peakAbove, heap::HeapPeakBytes() - start);
    }
    state.counters["ratio"] = double(peakAbove) / double(kFileBytes);
    state.counters["peak_bytes"] = double(peakAbove);
    state.counters["file_bytes"] = double(kFileBytes);
}
BENCHMARK(import_blank_64mib)->Iterations(1);

}  // namespace
