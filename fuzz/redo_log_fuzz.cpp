// Fuzzes the redo log found beside a database file: whatever its bytes, opening (as a reader and as
// a writer), reading every page, one more commit and a checkpoint must answer with a Status, never
// crash, hang or read out of bounds.
//
// The first input byte picks the mode (its value modulo 3): 0, the rest of the input is the whole
// log; 1, the rest is a list of patches (2-byte offset, 1-byte value) applied to a live log of a few
// real commits, which reaches the slot and the frames' chain far more often than random bytes; 2,
// the same patches, then the slot's checksum and every frame's chain value mended, so that the
// changed bytes reach the file-state check, the index, delta application and the replay itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "jet/pages/pager.h"
#include "jet/pages/redo_log.h"
#include "jet/pages/testing/crash_file_system.h"

namespace {

constexpr char kPath[] = "fuzz.dat";
constexpr uint32_t kPages = 6;

std::vector<uint8_t> File() {
    std::vector<uint8_t> file(kPages * jet::kPageSize);
    for (size_t i = 0; i < file.size(); ++i) file[i] = uint8_t(i * 7 + i / 4096);
    return file;
}

void CommitRound(jet::FileSystem& fs, uint8_t round, bool append) {
    auto pager = jet::Pager::Open(fs, kPath, {jet::OpenMode::ReadWrite, true, false});
    if (!pager.ok() || !(*pager)->Begin().ok()) return;
    for (uint32_t page : {1u, 3u}) {
        auto bytes = (*pager)->Write(jet::PageNo{page});
        if (bytes.ok()) std::memset(*bytes + round, round, 100);
    }
    if (append) (void)(*pager)->Append();
    (void)(*pager)->Commit();
}

std::vector<uint8_t> LiveLog() {
    jet::testing::MemoryFileSystem fs;
    fs.SetFile(kPath, File());
    for (uint8_t round = 1; round <= 3; ++round) CommitRound(fs, round, round == 2);
    auto log = fs.Contents(std::string(kPath) + "-journal");
    return log.ok() ? *log : std::vector<uint8_t>{};
}

std::vector<uint8_t> LogFromInput(const uint8_t* data, size_t size) {
    if (data[0] % 3 == 0) return std::vector<uint8_t>(data + 1, data + size);
    static const std::vector<uint8_t> live = LiveLog();
    std::vector<uint8_t> log = live;
    if (log.empty()) return log;
    for (size_t i = 1; i + 3 <= size; i += 3) log[(data[i] | data[i + 1] << 8) * 7 % log.size()] = data[i + 2];
    if (data[0] % 3 == 2) jet::MendLog(log);
    return log;
}

void ReadAll(jet::Pager& pager) {
    for (uint32_t page = 0; page < pager.PageCount() && page < 64; ++page) (void)pager.Read(jet::PageNo{page});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1 << 20)) return 0;
    jet::testing::MemoryFileSystem fs;
    fs.SetFile(kPath, File());
    fs.SetFile(std::string(kPath) + "-journal", LogFromInput(data, size));
    for (jet::OpenMode mode : {jet::OpenMode::ReadOnly, jet::OpenMode::ReadWrite}) {
        auto pager = jet::Pager::Open(fs, kPath, {mode});
        if (!pager.ok()) continue;
        ReadAll(**pager);
    }
    CommitRound(fs, 9, true);
    auto pager = jet::Pager::Open(fs, kPath, {jet::OpenMode::ReadWrite});
    if (pager.ok()) {
        ReadAll(**pager);
        (void)(*pager)->Checkpoint();
    }
    return 0;
}
