#pragma once
// CrashFileSystem: an in-memory FileSystem that remembers what a power failure could lose, for the
// crash loops of every layer; MemoryFileSystem: the same files without that memory, for fast tests.
//
// What it models (the guarantees FileIo and FileSystem promise, and no more):
//  - each file's bytes as last made durable by Sync, plus the writes and truncations since, in order;
//  - the folder's names as last made durable by SyncFolderOf, plus creations and removals since;
//  - a crash: at sync number N (file Syncs and folder syncs count alike), or at once with CrashNow.
//    The sync that crashes does not happen and returns Io; from then on every call on the file system
//    and on every file it opened returns Io, until Restart.
//  - Restart(seed, loss): the machine comes back. Each unsynced write is kept, dropped or torn (a
//    random subset of its 512-byte sectors lands), each unsynced truncation and each unsynced name
//    change kept or dropped, as `loss` and the seed decide. Files opened before Restart stay dead;
//    locks are gone. Reopen through the file system.
//
// Typical loop:
//   for (int sync = 1;; ++sync) for (uint32_t seed : seeds) {
//       CrashFileSystem fs; Setup(fs); fs.CrashAtSync(sync);
//       (void)DoTheChange(fs);
//       if (!fs.Crashed()) break;      // the change needs fewer syncs than `sync`: done
//       fs.Restart(seed);
//       ...reopen and check before- or after-image...
//   }
//
// Invariants:
//  1. Without a crash, the files behave exactly like MemoryFileSystem's (and like real files).
//  2. Restart with CrashLoss::KeepAll gives the state just before the crash; DropAll gives the state
//     as of each file's last Sync and each folder's last SyncFolderOf.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "jet/pages/file_io.h"

namespace jet::testing {

enum class CrashLoss { Random, DropAll, KeepAll };

class CrashFileSystem : public FileSystem {
  public:
    CrashFileSystem();
    ~CrashFileSystem() override;

    Result<std::unique_ptr<FileIo>> Open(const std::string& path, OpenMode mode) override;
    Result<bool> Exists(const std::string& path) override;
    Status Remove(const std::string& path) override;
    Status Rename(const std::string& from, const std::string& to) override;
    Status SyncFolderOf(const std::string& path) override;
    uint64_t Epoch() const override;  // the number of Restarts

    // Crash when the n-th sync from now (1-based) is called; 0 cancels.
    void CrashAtSync(uint64_t n);
    void CrashNow();
    bool Crashed() const;
    uint64_t SyncCount() const;  // syncs since construction or the last Restart
    void Restart(uint32_t seed, CrashLoss loss = CrashLoss::Random);

    // For test setup and checks, bypassing locks and crash state. SetFile makes the file durable
    // (contents and name), as if created long ago.
    void SetFile(const std::string& path, std::vector<uint8_t> bytes);
    // The current bytes (what a reader sees now); NotFound when the file does not exist.
    Result<std::vector<uint8_t>> Contents(const std::string& path) const;

    struct Node;
    struct State;

  protected:
    explicit CrashFileSystem(bool trackUnsynced);

  private:
    std::shared_ptr<State> state_;  // shared with the files opened, which may outlive a Restart
};

// The same files held in memory, with no crash bookkeeping (every write is as good as synced).
class MemoryFileSystem final : public CrashFileSystem {
  public:
    MemoryFileSystem() : CrashFileSystem(false) {}
};

}  // namespace jet::testing
