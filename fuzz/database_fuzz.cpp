// Fuzzes the engine with damaged database files: opening, reading every table, looking rows up,
// checking, and one insert. Whatever the bytes, the engine must answer with a Status, never crash,
// hang or read out of bounds.
//
// The first input byte picks the mode: even, the rest of the input is the whole file; odd, the rest
// is a list of patches (2-byte page-relative offset, 1-byte page number, 1-byte value) applied to
// the product's template with a few accounts, which reaches far deeper than random files would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

std::vector<uint8_t> FileFromInput(const uint8_t* data, size_t size) {
    if (data[0] % 2 == 0) return std::vector<uint8_t>(data + 1, data + size);
    static const std::vector<uint8_t> seed = MakeSeedDatabase();
    std::vector<uint8_t> file = seed;
    if (file.empty()) return file;
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
    for (auto mode : {jet::OpenMode::ReadOnly, jet::OpenMode::ReadWrite}) {
        jet::testing::MemoryFileSystem fs;
        fs.SetFile(kPath, file);
        auto db = jet::Database::Open(fs, kPath, kDbPassword, mode);
        if (db) Exercise(**db, mode == jet::OpenMode::ReadWrite);
    }
    return 0;
}
