// kestrin-bench: runs the registered benchmarks and prints one line per figure, "name: value unit".
// A benchmark names its unit with state.SetLabel("ms"), ("us") or ("s") for the mean wall time of one
// iteration, or reports a size through the counter "bytes" (printed as "name: N bytes").
// Google Benchmark's own flags work as usual (--benchmark_filter=..., --benchmark_repetitions=...).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

class FigureReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                std::printf("%s: skipped (%s)\n", run.benchmark_name().c_str(), run.error_message.c_str());
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
            std::printf("%s: %.3f %s\n", run.run_name.function_name.c_str(), seconds * scale, unit.c_str());
        }
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
