// Fuzzes the engine with damaged database files: opening, reading every table, looking rows up,
// checking, and one insert. Whatever the bytes, the engine must answer with a Status, never crash,
// hang or read out of bounds.
//
// The first input byte picks the mode (its value modulo 3): 0, the rest of the input is the whole
// file; 1, the rest is a list of patches (2-byte page-relative offset, 1-byte page number, 1-byte
// value) applied to the product's template with a few accounts, which reaches far deeper than random
// files would; 2, the same database beside a live log of a few more changes, patched (3-byte offset,
// 1-byte value) and then mended (the slot's checksum, every frame's chain value), so that the
// changed pages get past the log's checks and are played into the file the engine then reads.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/pages/redo_log.h"
#include "jet/pages/testing/crash_file_system.h"
#include "jet/tables/database.h"
#include "store/schema.h"

namespace {

constexpr char kPath[] = "fuzz.dat";

std::vector<uint8_t> MakeSeedDatabase() {
    jet::testing::MemoryFileSystem fs;
    if (!WriteTemplateDatabase(fs, kPath)) return {};
    {
        auto db = jet::Database::Open(fs, kPath, kDbPassword, jet::OpenMode::ReadWrite);
        if (!db) return {};
        auto table = (*db)->GetTable("zk_auto_qqlist");
        if (!table) return {};
        for (int i = 0; i < 40; ++i) {
            (void)(*table)->Insert({{1, jet::Value(std::string("name") + std::to_string(i))},
                                    {2, jet::Value(std::to_string(10000 + i))},
                                    {3, jet::Value(int64_t(i % 2))},
                                    {6, jet::Value(std::string("kAFQmDzST7DWlj99KOF/cg"))}});
        }
    }
    auto bytes = fs.Contents(kPath);
    return bytes ? *bytes : std::vector<uint8_t>{};
}

// A few more changes to the seed database, committed and left in the log beside it.
std::vector<uint8_t> MakeSeedLog(const std::vector<uint8_t>& seed) {
    jet::testing::MemoryFileSystem fs;
    fs.SetFile(kPath, seed);
    {
        auto db = jet::Database::Open(fs, kPath, kDbPassword, jet::OpenMode::ReadWrite, false);
        if (!db) return {};
        auto table = (*db)->GetTable("zk_auto_qqlist");
        if (!table) return {};
        for (int i = 0; i < 3; ++i) {
            (void)(*table)->Insert({{1, jet::Value(std::string("late") + std::to_string(i))},
                                    {2, jet::Value(std::to_string(20000 + i))},
                                    {6, jet::Value(std::string("kAFQmDzST7DWlj99KOF/cg"))}});
        }
        auto rows = (*table)->FindEqual(2, jet::Value(std::string("10003")));
        if (rows && !rows->empty()) (void)(*table)->Delete(rows->front());
    }
    auto log = fs.Contents(std::string(kPath) + "-journal");
    return log ? *log : std::vector<uint8_t>{};
}

std::vector<uint8_t> LogFromInput(const uint8_t* data, size_t size, const std::vector<uint8_t>& seed) {
    static const std::vector<uint8_t> live = MakeSeedLog(seed);
    std::vector<uint8_t> log = live;
    if (log.empty()) return log;
    for (size_t i = 1; i + 4 <= size; i += 4)
        log[(data[i] | data[i + 1] << 8 | data[i + 2] << 16) % log.size()] = data[i + 3];
    jet::MendLog(log);
    return log;
}

std::vector<uint8_t> FileFromInput(const uint8_t* data, size_t size) {
    if (data[0] % 3 == 0) return std::vector<uint8_t>(data + 1, data + size);
    static const std::vector<uint8_t> seed = MakeSeedDatabase();
    std::vector<uint8_t> file = seed;
    if (file.empty() || data[0] % 3 == 2) return file;
    size_t pages = file.size() / 4096;
    for (size_t i = 1; i + 4 <= size; i += 4) {
        size_t offset = (data[i] | data[i + 1] << 8) % 4096;
        size_t page = data[i + 2] % pages;
        file[page * 4096 + offset] = data[i + 3];
    }
    return file;
}

void Exercise(jet::Database& db, bool write) {
    std::vector<std::string> problems;
    (void)db.Check(problems);
    for (const std::string& name : db.TableNames(true)) {
        auto table = db.GetTable(name);
        if (!table) continue;
        size_t rows = 0;
        (void)(*table)->Scan([&](jet::RowPointer, const std::vector<jet::Value>&) { return ++rows < 100000; });
        if (!(*table)->Columns().empty()) (void)(*table)->FindEqual(0, jet::Value(int64_t(1)));
    }
    if (!write) return;
    auto accounts = db.GetTable("zk_auto_qqlist");
    if (!accounts) return;
    (void)(*accounts)->FindEqual(2, jet::Value(std::string("10001")));
    (void)(*accounts)->Insert({{1, jet::Value(std::string("fuzz"))}, {2, jet::Value(std::string("99999"))}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 22)) return 0;
    std::vector<uint8_t> file = FileFromInput(data, size);
    std::vector<uint8_t> log;
    if (data[0] % 3 == 2) log = LogFromInput(data, size, file);
    for (auto mode : {jet::OpenMode::ReadOnly, jet::OpenMode::ReadWrite}) {
        jet::testing::MemoryFileSystem fs;
        fs.SetFile(kPath, file);
        if (!log.empty()) fs.SetFile(std::string(kPath) + "-journal", log);
        auto db = jet::Database::Open(fs, kPath, kDbPassword, mode);
        if (db) Exercise(**db, mode == jet::OpenMode::ReadWrite);
    }
    return 0;
}
