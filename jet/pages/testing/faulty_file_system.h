#pragma once
// FaultyFileSystem and FaultyFileIo: wrappers that pass every call through to another file system
// and fail one chosen call (or every call from it on) with Io, for the fault loops of every layer.
//
// Every call counts, on the file system and on every file opened through it: Open, Exists, Remove,
// SyncFolderOf, Read, Write, Sync, Truncate, Size, Lock (not Path, nor Identity: it only decides
// whether cached pages may be used again, and a failure there costs a fresh read, never a result).
// A failed call does nothing.
//
// Typical loop:
//   for (uint64_t n = 1;; ++n) {
//       MemoryFileSystem base; Setup(base);
//       FaultyFileSystem fs(base);
//       fs.FailCall(n);
//       Status s = DoTheChange(fs);
//       if (!fs.Triggered()) { ASSERT_TRUE(s.ok()); break; }   // n is past the last call: done
//       ASSERT_FALSE(s.ok());
//       ...reopen through `base` and check...
//   }
//
// Invariants:
//  1. With no fault armed, behaviour and results are exactly the base file system's.
//  2. CallCount() is the number of calls made so far, failed ones included.

#include <cstdint>
#include <memory>
#include <string>

#include "jet/pages/file_io.h"

namespace jet::testing {

// The counter shared by a FaultyFileSystem and the files opened through it.
struct FaultPlan {
    uint64_t callCount = 0;
    uint64_t failAt = 0;      // 1-based call number to fail; 0: none
    bool persistent = false;  // fail every call from failAt on, as a disk that went away
    bool triggered = false;

    // Counts one call; an Io status when this call is to fail.
    Status Tick(const std::string& path, const char* what);
};

class FaultyFileIo final : public FileIo {
  public:
    FaultyFileIo(std::unique_ptr<FileIo> base, std::shared_ptr<FaultPlan> plan);

    Status Read(uint64_t offset, void* data, size_t size) override;
    Status Write(uint64_t offset, const void* data, size_t size) override;
    Status Sync() override;
    Status Truncate(uint64_t size) override;
    Result<uint64_t> Size() override;
    Result<FileIdentity> Identity() override { return base_->Identity(); }
    Status Lock(LockMode mode) override;
    const std::string& Path() const override { return base_->Path(); }

  private:
    std::unique_ptr<FileIo> base_;
    std::shared_ptr<FaultPlan> plan_;
};

class FaultyFileSystem final : public FileSystem {
  public:
    explicit FaultyFileSystem(FileSystem& base);  // base: borrowed, outlives this

    Result<std::unique_ptr<FileIo>> Open(const std::string& path, OpenMode mode) override;
    Result<bool> Exists(const std::string& path) override;
    Status Remove(const std::string& path) override;
    Status Rename(const std::string& from, const std::string& to) override;
    Status SyncFolderOf(const std::string& path) override;
    uint64_t Epoch() const override { return base_.Epoch(); }  // a crash of the base ends it too

    // Fail the n-th call from now (1-based); 0 disarms. Resets Triggered().
    void FailCall(uint64_t n, bool persistent = false);
    bool Triggered() const { return plan_->triggered; }
    uint64_t CallCount() const { return plan_->callCount; }

  private:
    FileSystem& base_;
    std::shared_ptr<FaultPlan> plan_;
};

}  // namespace jet::testing
