// The import's heap, counted (this program replaces operator new): a list file of any size is read a
// piece at a time, so a 64 MiB file of blank lines needs little more than an empty one.
#include <gtest/gtest.h>

#include "accounts/import_run.h"
#include "common/testing/heap_counter.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "tests/native/temp_folder.h"
#include "tests/win/fake_services.h"

namespace {

class NoRows : public ImportRows {
  public:
    void Append(const std::string&, const std::string&) override {}
    void RemoveLast() override {}
};

}  // namespace

TEST(ImportMemory, A64MiBFileOfBlankLinesNeedsLessThan32MBOfHeap) {
    TempFolder folder;
    std::string path = folder.File("config.dat");
    ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path).ok());
    FakeServices fakes;
    AccountDb db(path, fakes.services);
    NoRows rows;

#ifdef KESTRIN_SANITIZED
    constexpr size_t kFileBytes = size_t{8} << 20;  // the sanitizers slow each line down
#else
    constexpr size_t kFileBytes = size_t{64} << 20;
#endif
    std::string blankLines(kFileBytes, '\n');  // stands for the file on disk: not counted
    ImportBytes file(blankLines);
    size_t before = heap::HeapLiveBytes();
    heap::ResetHeapPeak();
    ImportOutcome outcome = ImportAccounts(db, file, fakes.clock, rows);
    size_t peak = heap::HeapPeakBytes() - before;

    EXPECT_TRUE(outcome.failure.ok());
    EXPECT_EQ(outcome.count, 0);
    EXPECT_LT(peak, size_t{32} << 20);
}
