// A login run over 100 ticked accounts, as Kestrin makes it, with the process start left out: the
// list, the two statements per account (one durable update, one select), the time text and the
// command line. What remains is the run's own cost per account, to set beside the cost of creating
// the client processes themselves (measured under Wine by tests/win/login/login_bench.exe).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/sql/connection.h"
#include "bench/login_bench_support.h"
#include "login/login_core.h"
#include "store/schema.h"
#include "store/sql_text.h"

namespace {

constexpr int kAccounts = kBenchAccounts;

class CountingProcesses : public Processes {
  public:
    bool Start(const std::string&, const std::string& commandLine) override {
        bytes += commandLine.size();
        return true;
    }
    size_t bytes = 0;
};

class FixedClock : public Clock {
  public:
    LocalTime Now() override { return {2026, 12, 7, 9, 7, 3}; }
    void Sleep(int) override {}
};

void login_run_100_ticked_per_account(benchmark::State& state) {
    auto folder = std::filesystem::temp_directory_path() / "kestrin-login-bench";
    std::filesystem::create_directories(folder);
    std::string path = (folder / "config.dat").string();
    std::vector<std::string> names = MakeBenchAccounts(path);
    CountingProcesses processes;
    FixedClock clock;
    BenchServices bench(clock, processes);
    Services& services = bench.services;
    const std::string qqPath = "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe";
    AccountDb db(path, services);
    AllTickedHost host(names);
    // One iteration is a whole run; the figure is its time divided by the accounts it started.
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        LoginContext run{host, qqPath, false, db, services};
        RunLoginTicked(run);
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(spent.count() / kAccounts);
    }
    if (host.messages != 0) state.SkipWithError("the run failed");
    std::filesystem::remove_all(folder);
    state.SetLabel("ms");
}

// A long list with three rows ticked, every account stored as active: the run marks 99,997 rows
// inactive and starts three clients. Prints the whole run's time.
void login_run_100000_rows_3_ticked(benchmark::State& state) {
    auto folder = std::filesystem::temp_directory_path() / "kestrin-login-bench-long";
    std::filesystem::create_directories(folder);
    std::string path = (folder / "config.dat").string();
    std::vector<std::string> names = MakeBenchAccounts(path, 100000);
    CountingProcesses processes;
    FixedClock clock;
    BenchServices bench(clock, processes);
    Services& services = bench.services;
    AccountDb db(path, services);
    ThreeTickedHost host(names);
    for (auto _ : state) {
        LoginContext run{host, "C:\\QQ\\QQ.exe", false, db, services};
        RunLoginTicked(run);
    }
    if (host.messages != 0) state.SkipWithError("the run failed");
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(login_run_100000_rows_3_ticked)->Iterations(1)->Unit(benchmark::kSecond);

// Manual time is per account: without a fixed count the library would run a hundred times longer.
BENCHMARK(login_run_100_ticked_per_account)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
