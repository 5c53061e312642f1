// The Pager on real files: pages in and out, transactions, the size rules, locking.

#include "jet/pages/pager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/native/pages/temp_folder.h"

namespace jet {
namespace {

using testing::TempFolder;

std::unique_ptr<Pager> OpenOrDie(const std::string& path, OpenMode mode) {
    auto pager = Pager::Open(NativeFileSystem(), path, {mode});
    EXPECT_TRUE(pager.ok()) << pager.status().ToString();
    return pager.ok() ? std::move(pager).value() : nullptr;
}

void WriteRawFile(const std::string& path, size_t size, uint8_t fill) {
    auto file = NativeFileSystem().Open(path, OpenMode::CreateOrTruncate);
    ASSERT_TRUE(file.ok());
    std::vector<uint8_t> bytes(size, fill);
    if (size > 0) {
        ASSERT_TRUE((*file)->Write(0, bytes.data(), size).ok());
    }
}

TEST(Pager, CommittedPagesReadBackAfterReopen) {
    TempFolder folder;
    std::string path = folder.File("a.dat");
    {
        auto pager = OpenOrDie(path, OpenMode::CreateNew);
        ASSERT_TRUE(pager);
        EXPECT_EQ(pager->PageCount(), 0u);
        ASSERT_TRUE(pager->Begin().ok());
        for (uint8_t fill = 1; fill <= 3; ++fill) {
            auto page = pager->Append();
            ASSERT_TRUE(page.ok());
            auto bytes = pager->Write(*page);
            ASSERT_TRUE(bytes.ok());
            std::memset(*bytes, fill, kPageSize);
        }
        ASSERT_TRUE(pager->Commit().ok());
        EXPECT_EQ(pager->PageCount(), 3u);
    }
    auto pager = OpenOrDie(path, OpenMode::ReadOnly);
    ASSERT_TRUE(pager);
    ASSERT_EQ(pager->PageCount(), 3u);
    for (uint32_t index = 0; index < 3; ++index) {
        auto bytes = pager->Read(PageNo{index});
        ASSERT_TRUE(bytes.ok());
        EXPECT_EQ((*bytes)[0], index + 1);
        EXPECT_EQ((*bytes)[kPageSize - 1], index + 1);
    }
    EXPECT_FALSE(NativeFileSystem().Exists(path + "-journal").value());
}

TEST(Pager, FileSizeMustBeWholePages) {
    TempFolder folder;
    struct Case {
        const char* name;
        size_t size;
        ErrorCode expected;
        uint32_t pageCount;
    } cases[] = {
        {"empty", 0, ErrorCode::Ok, 0},
        {"one page", kPageSize, ErrorCode::Ok, 1},
        {"one page and a byte", kPageSize + 1, ErrorCode::Corrupt, 0},
        {"half a page", kPageSize / 2, ErrorCode::Corrupt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder.File("size.dat");
        WriteRawFile(path, c.size, 0x5A);
        for (OpenMode mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
            auto pager = Pager::Open(NativeFileSystem(), path, {mode});
            EXPECT_EQ(pager.ok() ? ErrorCode::Ok : pager.code(), c.expected);
            if (pager.ok()) {
                EXPECT_EQ((*pager)->PageCount(), c.pageCount);
            }
        }
    }
}

}  // namespace
}  // namespace jet
