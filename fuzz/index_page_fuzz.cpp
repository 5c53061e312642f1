// Arbitrary bytes as the pages of one index: the input's first 4096 bytes are the root (page 2), the
// rest the pages after it. Every IndexData entry point must return a Status on them: no crash, no
// read outside a page, no endless walk. Changes happen in a transaction that is rolled back.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "jet/index/index_data.h"
#include "jet/index/index_page.h"
#include "jet/pages/pager.h"

namespace {

constexpr size_t kMaxPages = 8;
constexpr int kMaxAllocations = 64;

class BoundedAllocator : public jet::IndexPageAllocator {
  public:
    explicit BoundedAllocator(jet::Pager& pager) : pager_(pager) {}
    Result<jet::PageNo> AllocateIndexPage() override {
        if (++allocations_ > kMaxAllocations) return Status(ErrorCode::TooLarge, "fuzz: enough pages");
        return pager_.Append();
    }
    Status FreeIndexPage(jet::PageNo) override { return Status::Ok(); }

  private:
    jet::Pager& pager_;
    int allocations_ = 0;
};

std::string KeyFrom(const uint8_t* data, size_t size, size_t at, size_t length) {
    if (size == 0) return std::string();
    std::string key;
    for (size_t i = 0; i < length; ++i) key.push_back(char(data[(at + i) % size]));
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace jet;
    size_t pages = std::min(kMaxPages, (size + kPageSize - 1) / kPageSize);
    if (pages == 0) return 0;
    std::vector<uint8_t> first(kPageSize, 0);
    std::memcpy(first.data(), data, std::min(size, kPageSize));
    (void)DecodeIndexPage(first.data(), PageNo{2});

    static const std::string path = "/tmp/kestrin-index-fuzz-" + std::to_string(getpid()) + ".dat";
    auto opened = Pager::Open(NativeFileSystem(), path, {OpenMode::CreateOrTruncate, false});
    if (!opened.ok()) return 0;
    std::unique_ptr<Pager> pager = std::move(opened).value();
    if (!pager->Begin().ok()) return 0;
    for (size_t i = 0; i < pages + 2; ++i) (void)pager->Append();
    for (size_t i = 0; i < pages; ++i) {
        uint8_t* page = pager->Write(PageNo{uint32_t(i + 2)}).value();
        size_t offset = i * kPageSize;
        std::memcpy(page, data + offset, std::min(kPageSize, size - offset));
    }
    BoundedAllocator allocator(*pager);
    IndexData index(*pager, PageNo{2}, PageNo{1}, allocator);
    std::vector<std::string> problems, notes;
    (void)index.Check(problems, notes);
    (void)index.Pages();
    size_t visited = 0;
    (void)index.Scan([&](std::string_view, RowPointer) { return ++visited < 100000; });
    for (size_t i = 0; i < 4; ++i) {
        std::string key = KeyFrom(data, size, i * 97, 1 + i * 3);
        (void)index.Find(key);
        (void)index.HasKey(key);
        (void)index.Insert(key, RowPointer{PageNo{uint32_t(10 + i)}, uint8_t(i)});
        (void)index.Remove(key, RowPointer{PageNo{uint32_t(10 + i)}, uint8_t(i)});
    }
    problems.clear();
    notes.clear();
    (void)index.Check(problems, notes);
    pager->Rollback();
    return 0;
}
