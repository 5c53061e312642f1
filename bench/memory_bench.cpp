// How much heap one connection needs: open config.dat with 10,000 accounts, read every account as the
// main window does (execute, fetch all rows at once), close. The peak of live heap bytes over that
// cycle, above what was live before it, against the file's size: it must stay within twice the file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>

#include "bench/bench_db.h"
#include "common/testing/heap_counter.h"

namespace {

void memory_ratio_10000(benchmark::State& state) {
    bench::ScratchFolder folder;
    std::string path = bench::MakeDatabase(folder, 10000);
    double fileBytes = double(std::filesystem::file_size(path));
    size_t peakAbove = 0;
    for (auto _ : state) {
        size_t start = heap::HeapLiveBytes();
        heap::ResetHeapPeak();
        bench::RunStatement(path, "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist");
        peakAbove = std::max(peakAbove, heap::HeapPeakBytes() - start);
    }
    state.counters["ratio"] = double(peakAbove) / fileBytes;
    state.counters["peak_bytes"] = double(peakAbove);
    state.counters["file_bytes"] = fileBytes;
}
BENCHMARK(memory_ratio_10000)->Iterations(3);

}  // namespace
