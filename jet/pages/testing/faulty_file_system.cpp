#include "jet/pages/testing/faulty_file_system.h"

namespace jet::testing {

Status FaultPlan::Tick(const std::string& path, const char* what) {
    ++callCount;
    bool fail = failAt != 0 && (callCount == failAt || (persistent && callCount > failAt));
    if (!fail) return Status::Ok();
    triggered = true;
    return Status(ErrorCode::Io, path + ": " + what + ": injected fault at call " + std::to_string(callCount));
}

FaultyFileIo::FaultyFileIo(std::unique_ptr<FileIo> base, std::shared_ptr<FaultPlan> plan)
    : base_(std::move(base)), plan_(std::move(plan)) {}

Status FaultyFileIo::Read(uint64_t offset, void* data, size_t size) {
    KESTRIN_TRY(plan_->Tick(Path(), "read"));
    return base_->Read(offset, data, size);
}

Status FaultyFileIo::Write(uint64_t offset, const void* data, size_t size) {
    KESTRIN_TRY(plan_->Tick(Path(), "write"));
    return base_->Write(offset, data, size);
}

Status FaultyFileIo::Sync() {
    KESTRIN_TRY(plan_->Tick(Path(), "sync"));
    return base_->Sync();
}

Status FaultyFileIo::Truncate(uint64_t size) {
    KESTRIN_TRY(plan_->Tick(Path(), "truncate"));
    return base_->Truncate(size);
}

Result<uint64_t> FaultyFileIo::Size() {
    KESTRIN_TRY(plan_->Tick(Path(), "size"));
    return base_->Size();
}

Status FaultyFileIo::Lock(LockMode mode) {
    KESTRIN_TRY(plan_->Tick(Path(), "lock"));
    return base_->Lock(mode);
}

FaultyFileSystem::FaultyFileSystem(FileSystem& base) : base_(base), plan_(std::make_shared<FaultPlan>()) {}

Result<std::unique_ptr<FileIo>> FaultyFileSystem::Open(const std::string& path, OpenMode mode) {
    KESTRIN_TRY(plan_->Tick(path, "open"));
    auto file = base_.Open(path, mode);
    KESTRIN_TRY(file);
    return std::unique_ptr<FileIo>(std::make_unique<FaultyFileIo>(std::move(file).value(), plan_));
}

Result<bool> FaultyFileSystem::Exists(const std::string& path) {
    KESTRIN_TRY(plan_->Tick(path, "exists"));
    return base_.Exists(path);
}

Status FaultyFileSystem::Remove(const std::string& path) {
    KESTRIN_TRY(plan_->Tick(path, "remove"));
    return base_.Remove(path);
}

Status FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    KESTRIN_TRY(plan_->Tick(from, "rename"));
    return base_.Rename(from, to);
}

Status FaultyFileSystem::SyncFolderOf(const std::string& path) {
    KESTRIN_TRY(plan_->Tick(path, "sync folder"));
    return base_.SyncFolderOf(path);
}

void FaultyFileSystem::FailCall(uint64_t n, bool persistent) {
    plan_->failAt = n == 0 ? 0 : plan_->callCount + n;
    plan_->persistent = persistent;
    plan_->triggered = false;
}

}  // namespace jet::testing
