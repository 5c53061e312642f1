// Idle databases: a file opened for every statement is read, parsed and checked once per process
// rather than once per statement. Closing a read-write Database suspends its Pager (files closed,
// lock released, pages and parsed tables kept); the next read-write Open of the same path takes it up
// again when the file and its log are exactly as it left them, and opens afresh otherwise.
#include <algorithm>
#include <deque>
#include <mutex>

#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

// One idle database per path is all a caller that opens one file at a time needs; a few paths at once
// (tests, tools) share the rest. The oldest goes first.
constexpr size_t kMaxIdle = 4;

class IdleDatabases {
  public:
    // Never destroyed: a database closed while the process ends still finds it.
    static IdleDatabases& Instance() {
        static auto* idle = new IdleDatabases;
        return *idle;
    }
    using Key = FileSystem::FileKey;

    void Put(Key key, std::unique_ptr<DatabaseImpl> db) {
        std::unique_ptr<DatabaseImpl> dropped;
        std::lock_guard<std::mutex> lock(mutex_);
        Erase(key, dropped);
        if (idle_.size() == kMaxIdle) {
            dropped = std::move(idle_.front().second);
            idle_.pop_front();
        }
        idle_.emplace_back(std::move(key), std::move(db));
    }
    std::unique_ptr<DatabaseImpl> Take(const Key& key) {
        std::unique_ptr<DatabaseImpl> db;
        std::lock_guard<std::mutex> lock(mutex_);
        Erase(key, db);
        return db;
    }

  private:
    void Erase(const Key& key, std::unique_ptr<DatabaseImpl>& into) {
        auto found = std::find_if(idle_.begin(), idle_.end(), [&](const auto& entry) { return entry.first == key; });
        if (found == idle_.end()) return;
        into = std::move(found->second);
        idle_.erase(found);
    }

    std::mutex mutex_;
    std::deque<std::pair<Key, std::unique_ptr<DatabaseImpl>>> idle_;
};

// The Database a read-write Open hands out: the engine's own, parked among the idle ones when the
// caller closes it.
class ParkingDatabase final : public Database {
  public:
    ParkingDatabase(FileSystem& fs, std::unique_ptr<DatabaseImpl> db) : fs_(fs), db_(std::move(db)) {}
    ~ParkingDatabase() override {
        if (!db_->GetPager().Suspend()) return;
        auto key = fs_.KeyOf(db_->GetPager().Path());
        IdleDatabases::Instance().Put(std::move(key), std::move(db_));
    }
    ParkingDatabase(const ParkingDatabase&) = delete;
    ParkingDatabase& operator=(const ParkingDatabase&) = delete;

    void SetFixedNow(std::optional<DateTime> now) override { db_->SetFixedNow(now); }
    Status CreateTable(const TableSchema& schema) override { return db_->CreateTable(schema); }
    Result<Table*> GetTable(std::string_view name) override { return db_->GetTable(name); }
    std::vector<std::string> TableNames(bool includeSystemTables) override {
        return db_->TableNames(includeSystemTables);
    }
    Status Begin() override { return db_->Begin(); }
    Status Commit() override { return db_->Commit(); }
    void Rollback() override { db_->Rollback(); }
    using Database::Check;
    Status Check(std::vector<std::string>& problems, std::vector<std::string>& notes) override {
        return db_->Check(problems, notes);
    }

  private:
    FileSystem& fs_;
    std::unique_ptr<DatabaseImpl> db_;
};

}  // namespace

std::unique_ptr<Database> ParkOnClose(FileSystem& fs, std::unique_ptr<DatabaseImpl> db) {
    return std::make_unique<ParkingDatabase>(fs, std::move(db));
}

Result<std::unique_ptr<Database>> ResumeIdle(FileSystem& fs, const std::string& path, const std::string& password,
                                             const Pager::Options& options) {
    std::unique_ptr<DatabaseImpl> db = IdleDatabases::Instance().Take(fs.KeyOf(path));
    // A password the kept header refuses is left to a fresh open to judge (and word).
    if (!db || !CheckPassword(db->Header(), password).ok()) return std::unique_ptr<Database>();
    auto resumed = db->GetPager().Resume(options);
    if (!resumed.ok()) {
        // Nothing changed (a lock held elsewhere, say): it stays idle, for a later open to judge.
        IdleDatabases::Instance().Put(fs.KeyOf(path), std::move(db));
        return resumed.status().WithContext(path);
    }
    if (!*resumed) return std::unique_ptr<Database>();
    db->SetFixedNow(std::nullopt);
    return ParkOnClose(fs, std::move(db));
}

}  // namespace jet
