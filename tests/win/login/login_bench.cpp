// login_bench: what a login run costs per account under Wine (or Windows): over 10,000 ticked
// accounts with the process start left out (`login_run_10000`), and over 100 once more with and
// without starting the stub QQ client for real, so the run's own cost can be set beside the cost of
// creating the processes, and a run over 100,000 rows with three ticked. Prints one figure per line.
//   login_bench.exe [FOLDER [ACCOUNTS]]   (qq_stub.exe must lie beside it, as in the build tree)
// FOLDER (default: the temporary folder) holds config.dat and the client while it runs; each
// statement is durable, so the figure includes what the disk's syncs cost there.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/win32_services.h"
#include "jet/sql/connection.h"
#include "bench/login_bench_support.h"
#include "login/login_core.h"
#include "store/schema.h"
#include "store/sql_text.h"

namespace {

constexpr int kRepetitions = 3;

class NoProcesses : public Processes {
  public:
    bool Start(const std::string&, const std::string&) override { return true; }
};

std::filesystem::path ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// Milliseconds per account of one run, the median of kRepetitions runs.
double MsPerAccount(AllTickedHost& host, const std::string& qqPath, AccountDb& db, Services& services) {
    std::vector<double> runs;
    for (int i = 0; i < kRepetitions; ++i) {
        auto start = std::chrono::steady_clock::now();
        LoginContext run{host, qqPath, false, db, services};
        RunLoginTicked(run);
        std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        runs.push_back(spent.count() / host.RowCount());
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder =
        (argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
        ("kestrin login bench " + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder / "QQ client");
    std::filesystem::path client = folder / "QQ client" / "QQ.exe";
    std::error_code error;
    std::filesystem::copy_file(ProgramFolder() / "qq_stub.exe", client, error);
    if (error) {
        std::printf("qq_stub.exe not found beside login_bench.exe\n");
        return 1;
    }
    const int longList = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    std::string longPath = (folder / "long.dat").string();
    AllTickedHost longHost(MakeBenchAccounts(longPath, longList));
    std::string dbPath = (folder / "config.dat").string();
    AllTickedHost host(MakeBenchAccounts(dbPath));
    NoProcesses none;
    Win32Processes real;
    Win32Clock clock;
    BenchServices bench(clock, none);
    Services& services = bench.services;
    const std::string qqPath = client.string();
    AccountDb db(dbPath, services);
    AccountDb longDb(longPath, services);

    double longRun = MsPerAccount(longHost, qqPath, longDb, services);
    std::printf("login_run_%d, process start left out: %.3f ms per account\n", longList, longRun);
    double runOnly = MsPerAccount(host, qqPath, db, services);
    services.processes = &real;
    double withStarts = MsPerAccount(host, qqPath, db, services);
    double creation = withStarts - runOnly;
    std::printf("login run over %d, process start left out: %.3f ms per account\n", kBenchAccounts, runOnly);
    std::printf("login run over %d, starting the stub client: %.3f ms per account\n", kBenchAccounts, withStarts);
    std::printf("process creation alone: %.3f ms per account\n", creation);
    std::printf("run's own cost / process creation: %.3f\n", creation > 0 ? runOnly / creation : 0.0);
    // 100,000 rows stored active, three ticked: the whole run, the other rows marked inactive.
    std::string widePath = (folder / "wide.dat").string();
    ThreeTickedHost wideHost(MakeBenchAccounts(widePath, 100000));
    AccountDb wideDb(widePath, services);
    services.processes = &none;
    auto start = std::chrono::steady_clock::now();
    LoginContext wide{wideHost, qqPath, false, wideDb, services};
    RunLoginTicked(wide);
    std::chrono::duration<double, std::milli> wideSpent = std::chrono::steady_clock::now() - start;
    std::printf("login_run_100000_rows_3_ticked, process start left out: %.0f ms\n", wideSpent.count());
    std::printf("failed runs: %d\n", host.messages + longHost.messages + wideHost.messages);
    Sleep(2000);  // let the last clients write their lines before the folder goes
    std::filesystem::remove_all(folder, error);
    return host.messages + longHost.messages + wideHost.messages == 0 ? 0 : 1;
}
