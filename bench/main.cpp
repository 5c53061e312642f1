// kestrin-bench: runs the registered benchmarks and prints one line per figure, "name: value unit".
// A benchmark names its unit with state.SetLabel("ms"), ("us") or ("s") for the mean wall time of one
// iteration, or reports a size through the counter "bytes" (printed as "name: N bytes"), or a ratio
// through the counters "ratio", "peak_bytes" and "file_bytes" (printed as "name: x ratio (...)").
// With KESTRIN_BENCH_CPU set, each time is followed by the process's CPU time, "(cpu x ms)".
// Google Benchmark's own flags work as usual (--benchmark_filter=..., --benchmark_repetitions=...).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class FigureReporter : public benchmark::BenchmarkReporter {
  public:
    explicit FigureReporter(bool showCpu) : showCpu_(showCpu) {}
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                std::printf("%s: skipped (%s)\n", run.benchmark_name().c_str(), run.error_message.c_str());
                continue;
            }
            auto ratio = run.counters.find("ratio");
            if (ratio != run.counters.end()) {
                std::printf("%s: %.3f ratio (peak %.0f bytes, file %.0f bytes)\n", run.run_name.function_name.c_str(),
                            double(ratio->second), double(run.counters.at("peak_bytes")),
                            double(run.counters.at("file_bytes")));
                continue;
            }
            auto bytes = run.counters.find("bytes");
            if (bytes != run.counters.end()) {
                std::printf("%s: %.0f bytes\n", run.run_name.function_name.c_str(), double(bytes->second));
                continue;
            }
            double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::string unit = run.report_label.empty() ? "ms" : run.report_label;
            double scale = unit == "s" ? 1.0 : unit == "us" ? 1e6 : 1e3;
            std::printf("%s: %.3f %s", run.run_name.function_name.c_str(), seconds * scale, unit.c_str());
            if (showCpu_) {
                double cpu = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
                std::printf(" (cpu %.3f %s)", cpu * scale, unit.c_str());
            }
            std::printf("\n");
        }
        std::fflush(stdout);
    }

  private:
    bool showCpu_;  // also the CPU time of this process: on a busy machine the wall time says little
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter(std::getenv("KESTRIN_BENCH_CPU") != nullptr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
