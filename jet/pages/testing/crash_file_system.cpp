#include "jet/pages/testing/crash_file_system.h"

#include <algorithm>
#include <random>
#include <set>

#include "common/text.h"

namespace jet::testing {

namespace {

constexpr size_t kSectorSize = 512;

struct Op {
    bool isWrite = true;
    uint64_t offset = 0;  // write: where; truncate: the new size
    std::vector<uint8_t> bytes;
};

void ApplyWrite(std::vector<uint8_t>& file, uint64_t offset, const uint8_t* data, size_t size) {
    if (offset + size > file.size()) file.resize(size_t(offset + size));
    std::copy(data, data + size, file.begin() + ptrdiff_t(offset));
}

void ApplyOp(std::vector<uint8_t>& file, const Op& op) {
    if (op.isWrite) {
        ApplyWrite(file, op.offset, op.bytes.data(), op.bytes.size());
    } else {
        file.resize(size_t(op.offset));
    }
}

// A torn write: each sector it covers lands or not, on its own.
void ApplyTorn(std::vector<uint8_t>& file, const Op& op, std::mt19937& rng) {
    uint64_t end = op.offset + op.bytes.size();
    for (uint64_t at = op.offset; at < end;) {
        uint64_t sectorEnd = std::min(end, (at / kSectorSize + 1) * kSectorSize);
        if (rng() % 2 == 0) ApplyWrite(file, at, op.bytes.data() + (at - op.offset), size_t(sectorEnd - at));
        at = sectorEnd;
    }
}

Status Dead(const std::string& path) {
    return Status(ErrorCode::Io, path + ": the machine crashed");
}

}  // namespace

struct CrashFileSystem::Node {
    uint64_t id = 0;       // stands for the inode number
    uint64_t version = 0;  // bumped by every change, for Identity
    std::vector<uint8_t> current;
    std::vector<uint8_t> durable;
    std::vector<Op> pending;  // since the last Sync, in order
    int sharedLocks = 0;
    bool exclusiveLock = false;
};

struct CrashFileSystem::State {
    bool trackUnsynced = true;
    std::map<std::string, std::shared_ptr<Node>> names;
    std::map<std::string, std::shared_ptr<Node>> durableNames;
    uint64_t generation = 0;  // bumped by Restart: files of an older generation are dead
    uint64_t syncCount = 0;
    uint64_t crashAtSync = 0;
    bool crashed = false;
    uint64_t nodes = 0;  // ids given out

    std::shared_ptr<Node> NewNode() {
        auto node = std::make_shared<Node>();
        node->id = ++nodes;
        return node;
    }

    // Counts a sync and decides whether this is the one that crashes.
    bool SyncCrashes() {
        ++syncCount;
        if (crashAtSync != 0 && syncCount == crashAtSync) crashed = true;
        return crashed;
    }

    void Record(Node& node, Op op) {
        ++node.version;
        ApplyOp(node.current, op);
        if (trackUnsynced) {
            node.pending.push_back(std::move(op));
        } else {
            node.durable = node.current;
        }
    }
};

namespace {

class CrashFile final : public FileIo {
  public:
    using Node = CrashFileSystem::Node;
    using State = CrashFileSystem::State;

    CrashFile(std::shared_ptr<State> state, std::shared_ptr<Node> node, std::string path, bool writable)
        : state_(std::move(state)),
          node_(std::move(node)),
          path_(std::move(path)),
          generation_(state_->generation),
          writable_(writable) {}
    ~CrashFile() override {
        if (Alive()) (void)Lock(LockMode::None);
    }
    CrashFile(const CrashFile&) = delete;
    CrashFile& operator=(const CrashFile&) = delete;

    Status Read(uint64_t offset, void* data, size_t size) override {
        if (!Alive()) return Dead(path_);
        const auto& bytes = node_->current;
        if (offset > bytes.size() || size > bytes.size() - offset) {
            return Status(ErrorCode::Io, path_ + ": read past the end of the file");
        }
        std::copy_n(bytes.begin() + ptrdiff_t(offset), size, static_cast<uint8_t*>(data));
        return Status::Ok();
    }

    Status Write(uint64_t offset, const void* data, size_t size) override {
        KESTRIN_TRY(CheckWritable());
        auto* begin = static_cast<const uint8_t*>(data);
        state_->Record(*node_, Op{true, offset, std::vector<uint8_t>(begin, begin + size)});
        return Status::Ok();
    }

    Status Sync() override {
        if (!Alive() || state_->SyncCrashes()) return Dead(path_);
        node_->durable = node_->current;
        node_->pending.clear();
        return Status::Ok();
    }

    Status Truncate(uint64_t size) override {
        KESTRIN_TRY(CheckWritable());
        state_->Record(*node_, Op{false, size, {}});
        return Status::Ok();
    }

    Result<uint64_t> Size() override {
        if (!Alive()) return Dead(path_);
        return uint64_t(node_->current.size());
    }

    Result<FileIdentity> Identity() override {
        if (!Alive()) return Dead(path_);
        return FileIdentity{0, node_->id, uint64_t(node_->current.size()), node_->version, node_->version};
    }

    Status Lock(LockMode mode) override {
        if (!Alive()) return Dead(path_);
        Release();
        bool conflict = node_->exclusiveLock || (mode == LockMode::Exclusive && node_->sharedLocks > 0);
        if (mode != LockMode::None && conflict) {
            return Status(ErrorCode::Locked, path_ + ": in use by another connection");
        }
        if (mode == LockMode::Shared) ++node_->sharedLocks;
        if (mode == LockMode::Exclusive) node_->exclusiveLock = true;
        lock_ = mode;
        return Status::Ok();
    }

    const std::string& Path() const override { return path_; }

  private:
    bool Alive() const { return !state_->crashed && state_->generation == generation_; }
    Status CheckWritable() const {
        if (!Alive()) return Dead(path_);
        if (!writable_) return Status(ErrorCode::Io, path_ + ": opened read-only");
        return Status::Ok();
    }
    void Release() {
        if (lock_ == LockMode::Shared) --node_->sharedLocks;
        if (lock_ == LockMode::Exclusive) node_->exclusiveLock = false;
        lock_ = LockMode::None;
    }

    std::shared_ptr<State> state_;
    std::shared_ptr<Node> node_;
    std::string path_;
    uint64_t generation_;
    bool writable_;
    LockMode lock_ = LockMode::None;
};

}  // namespace

CrashFileSystem::CrashFileSystem() : CrashFileSystem(true) {}
CrashFileSystem::CrashFileSystem(bool trackUnsynced) : state_(std::make_shared<State>()) {
    state_->trackUnsynced = trackUnsynced;
}
CrashFileSystem::~CrashFileSystem() = default;

Result<std::unique_ptr<FileIo>> CrashFileSystem::Open(const std::string& path, OpenMode mode) {
    if (state_->crashed) return Dead(path);
    auto found = state_->names.find(path);
    bool create = mode == OpenMode::CreateNew || mode == OpenMode::CreateOrTruncate;
    if (found == state_->names.end() && !create) return Status(ErrorCode::NotFound, path + ": no such file");
    if (found != state_->names.end() && mode == OpenMode::CreateNew) {
        return Status(ErrorCode::Io, path + ": already exists");
    }
    if (found == state_->names.end()) {
        found = state_->names.emplace(path, state_->NewNode()).first;
        if (!state_->trackUnsynced) state_->durableNames[path] = found->second;
    }
    auto file = std::make_unique<CrashFile>(state_, found->second, path, mode != OpenMode::ReadOnly);
    if (mode == OpenMode::CreateOrTruncate) KESTRIN_TRY(file->Truncate(0));
    return std::unique_ptr<FileIo>(std::move(file));
}

Result<bool> CrashFileSystem::Exists(const std::string& path) {
    if (state_->crashed) return Dead(path);
    return state_->names.count(path) != 0;
}

Status CrashFileSystem::Remove(const std::string& path) {
    if (state_->crashed) return Dead(path);
    if (state_->names.erase(path) == 0) return Status(ErrorCode::NotFound, path + ": no such file");
    if (!state_->trackUnsynced) state_->durableNames.erase(path);
    return Status::Ok();
}

Status CrashFileSystem::Rename(const std::string& from, const std::string& to) {
    if (state_->crashed) return Dead(from);
    auto found = state_->names.find(from);
    if (found == state_->names.end()) return Status(ErrorCode::NotFound, from + ": no such file");
    if (state_->names.count(to) != 0) return Status(ErrorCode::Io, to + ": already exists");
    std::shared_ptr<Node> node = found->second;
    state_->names.erase(found);
    state_->names.emplace(to, node);
    if (!state_->trackUnsynced) {
        state_->durableNames.erase(from);
        state_->durableNames[to] = node;
    }
    return Status::Ok();
}

Status CrashFileSystem::SyncFolderOf(const std::string& path) {
    if (state_->crashed || state_->SyncCrashes()) return Dead(path);
    std::string folder = FolderOfPath(path);
    std::erase_if(state_->durableNames, [&](const auto& entry) { return FolderOfPath(entry.first) == folder; });
    for (const auto& [name, node] : state_->names) {
        if (FolderOfPath(name) == folder) state_->durableNames[name] = node;
    }
    return Status::Ok();
}

void CrashFileSystem::CrashAtSync(uint64_t n) {
    state_->crashAtSync = n == 0 ? 0 : state_->syncCount + n;
}
void CrashFileSystem::CrashNow() {
    state_->crashed = true;
}
bool CrashFileSystem::Crashed() const {
    return state_->crashed;
}
uint64_t CrashFileSystem::SyncCount() const {
    return state_->syncCount;
}

uint64_t CrashFileSystem::Epoch() const {
    return state_->generation;
}

void CrashFileSystem::Restart(uint32_t seed, CrashLoss loss) {
    std::mt19937 rng(seed);
    auto keep = [&] { return loss == CrashLoss::KeepAll || (loss == CrashLoss::Random && rng() % 2 == 0); };
    State& state = *state_;

    std::set<std::string> allNames;
    for (const auto& entry : state.names) allNames.insert(entry.first);
    for (const auto& entry : state.durableNames) allNames.insert(entry.first);
    std::map<std::string, std::shared_ptr<Node>> survivors;
    for (const std::string& name : allNames) {
        auto now = state.names.find(name);
        auto durable = state.durableNames.find(name);
        std::shared_ptr<Node> nowNode = now == state.names.end() ? nullptr : now->second;
        std::shared_ptr<Node> durableNode = durable == state.durableNames.end() ? nullptr : durable->second;
        std::shared_ptr<Node> node = nowNode == durableNode || keep() ? nowNode : durableNode;
        if (node) survivors[name] = node;
    }

    for (auto& [name, node] : survivors) {
        std::vector<uint8_t> bytes = node->durable;
        for (const Op& op : node->pending) {
            uint32_t fate = loss == CrashLoss::Random ? rng() % 3 : loss == CrashLoss::KeepAll ? 1 : 0;
            if (fate == 1) ApplyOp(bytes, op);
            if (fate == 2 && op.isWrite) ApplyTorn(bytes, op, rng);
        }
        node->durable = node->current = std::move(bytes);
        node->pending.clear();
        ++node->version;
        node->sharedLocks = 0;
        node->exclusiveLock = false;
    }
    state.names = state.durableNames = std::move(survivors);
    state.crashed = false;
    state.syncCount = state.crashAtSync = 0;
    ++state.generation;
}

void CrashFileSystem::SetFile(const std::string& path, std::vector<uint8_t> bytes) {
    auto node = state_->NewNode();
    node->current = node->durable = std::move(bytes);
    state_->names[path] = state_->durableNames[path] = node;
}

Result<std::vector<uint8_t>> CrashFileSystem::Contents(const std::string& path) const {
    auto found = state_->names.find(path);
    if (found == state_->names.end()) return Status(ErrorCode::NotFound, path + ": no such file");
    return found->second->current;
}

}  // namespace jet::testing
