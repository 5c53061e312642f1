// What a durable commit costs, and where the time goes: the product's every operation is open, one
// small change (3-5 pages), commit, close, and the target is 1 ms for that on a local disk.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "jet/pages/pager.h"

namespace {

constexpr uint32_t kTemplatePages = 23;  // the size of a new config.dat

// A database-sized file in a fresh temporary folder, removed at the end.
class ScratchDatabase {
  public:
    ScratchDatabase() {
        folder_ = std::filesystem::temp_directory_path() / ("kestrin-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_);
        auto u8 = (folder_ / "config.dat").u8string();
        path_.assign(u8.begin(), u8.end());
        auto file = jet::NativeFileSystem().Open(path_, jet::OpenMode::CreateNew);
        std::vector<uint8_t> bytes(kTemplatePages * jet::kPageSize, 0x5A);
        if (file.ok()) (void)(*file)->Write(0, bytes.data(), bytes.size());
    }
    ~ScratchDatabase() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& Path() const { return path_; }

  private:
    std::filesystem::path folder_;
    std::string path_;
};

// `checkpointOnClose`: the file synced and the log retired at every close (two more syncs), as a
// connection does by default; the product's store keeps the log live between its operations.
void OpenChangeCommitClose(benchmark::State& state, bool durable, bool checkpointOnClose = false) {
    ScratchDatabase db;
    uint8_t counter = 0;
    for (auto _ : state) {
        auto pager = jet::Pager::Open(jet::NativeFileSystem(), db.Path(),
                                      {jet::OpenMode::ReadWrite, durable, checkpointOnClose});
        if (!pager.ok() || !(*pager)->Begin().ok()) return state.SkipWithError("open failed");
        for (uint32_t page : {1u, 5u, 9u, 17u}) std::memset((*pager)->Write(jet::PageNo{page}).value(), ++counter, 64);
        if (!(*pager)->Commit().ok()) return state.SkipWithError("commit failed");
    }
    state.SetLabel("us");
}

void pager_open_change_4_pages_commit_close_durable(benchmark::State& state) {
    OpenChangeCommitClose(state, true);
}
void pager_open_change_4_pages_commit_close_no_sync(benchmark::State& state) {
    OpenChangeCommitClose(state, false);
}
void pager_open_change_4_pages_commit_checkpoint_close(benchmark::State& state) {
    OpenChangeCommitClose(state, true, true);
}

void pager_open_read_close(benchmark::State& state) {
    ScratchDatabase db;
    for (auto _ : state) {
        auto pager = jet::Pager::Open(jet::NativeFileSystem(), db.Path(), {jet::OpenMode::ReadWrite});
        if (!pager.ok() || !(*pager)->Read(jet::PageNo{0}).ok()) return state.SkipWithError("open failed");
    }
    state.SetLabel("us");
}

// The two kinds of sync: a commit makes one of the first (a checkpoint two), the first commit that
// creates the log one of the second.
void pager_file_write_4k_sync(benchmark::State& state) {
    ScratchDatabase db;
    auto file = jet::NativeFileSystem().Open(db.Path(), jet::OpenMode::ReadWrite);
    if (!file.ok()) return state.SkipWithError("open failed");
    std::vector<uint8_t> page(jet::kPageSize, 1);
    for (auto _ : state) {
        ++page[0];
        if (!(*file)->Write(0, page.data(), page.size()).ok() || !(*file)->Sync().ok()) {
            return state.SkipWithError("sync failed");
        }
    }
    state.SetLabel("us");
}

void pager_folder_sync(benchmark::State& state) {
    ScratchDatabase db;
    for (auto _ : state) {
        if (!jet::NativeFileSystem().SyncFolderOf(db.Path()).ok()) return state.SkipWithError("sync failed");
    }
    state.SetLabel("us");
}

}  // namespace

BENCHMARK(pager_open_change_4_pages_commit_close_durable);
BENCHMARK(pager_open_change_4_pages_commit_close_no_sync);
BENCHMARK(pager_open_change_4_pages_commit_checkpoint_close);
BENCHMARK(pager_open_read_close);
BENCHMARK(pager_file_write_4k_sync);
BENCHMARK(pager_folder_sync);
