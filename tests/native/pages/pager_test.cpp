// The Pager on real files: pages in and out, transactions, the size rules, locking.

#include "jet/pages/pager.h"
#include "jet/pages/redo_log.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/native/temp_folder.h"

namespace jet {
namespace {

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
    // The journal stays for the next commit, retired.
    auto journal = NativeFileSystem().Open(path + "-journal", OpenMode::ReadOnly);
    ASSERT_TRUE(journal.ok());
    std::vector<uint8_t> head(kLogSlotBytes);
    ASSERT_TRUE((*journal)->Read(0, head.data(), head.size()).ok());
    EXPECT_EQ(head, std::vector<uint8_t>(kLogSlotBytes, 0));
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

// Fills every page of a new file with its own number.
void MakeFile(const std::string& path, uint32_t pageCount) {
    auto pager = OpenOrDie(path, OpenMode::CreateOrTruncate);
    ASSERT_TRUE(pager);
    ASSERT_TRUE(pager->Begin().ok());
    for (uint32_t index = 0; index < pageCount; ++index) {
        auto page = pager->Append();
        ASSERT_TRUE(page.ok());
        std::memset(pager->Write(*page).value(), int(index), kPageSize);
    }
    ASSERT_TRUE(pager->Commit().ok());
}

TEST(Pager, PageNumbersAtOrPastTheEndAreCorrupt) {
    TempFolder folder;
    std::string path = folder.File("a.dat");
    MakeFile(path, 2);
    auto pager = OpenOrDie(path, OpenMode::ReadWrite);
    ASSERT_TRUE(pager);
    EXPECT_TRUE(pager->Read(PageNo{1}).ok());
    EXPECT_EQ(pager->Read(PageNo{2}).code(), ErrorCode::Corrupt);
    EXPECT_EQ(pager->Read(PageNo{0xFFFFFFFF}).code(), ErrorCode::Corrupt);
    ASSERT_TRUE(pager->Begin().ok());
    EXPECT_EQ(pager->Write(PageNo{2}).code(), ErrorCode::Corrupt);
    ASSERT_TRUE(pager->Append().ok());
    EXPECT_TRUE(pager->Read(PageNo{2}).ok());
    pager->Rollback();
    EXPECT_EQ(pager->Read(PageNo{2}).code(), ErrorCode::Corrupt);
}

TEST(Pager, SecondConnectionIsLockedUntilTheFirstCloses) {
    struct Case {
        const char* name;
        OpenMode first;
        OpenMode second;
        bool locked;
    } cases[] = {
        {"writer, writer", OpenMode::ReadWrite, OpenMode::ReadWrite, true},
        {"writer, reader", OpenMode::ReadWrite, OpenMode::ReadOnly, true},
        {"reader, writer", OpenMode::ReadOnly, OpenMode::ReadWrite, true},
        {"reader, reader", OpenMode::ReadOnly, OpenMode::ReadOnly, false},
        {"writer, creator", OpenMode::ReadWrite, OpenMode::CreateOrTruncate, true},
    };
    TempFolder folder;
    std::string path = folder.File("a.dat");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeFile(path, 3);
        auto first = OpenOrDie(path, c.first);
        ASSERT_TRUE(first);
        auto second = Pager::Open(NativeFileSystem(), path, {c.second});
        EXPECT_EQ(second.ok() ? ErrorCode::Ok : second.code(), c.locked ? ErrorCode::Locked : ErrorCode::Ok);
        EXPECT_EQ(first->PageCount(), 3u);  // a refused CreateOrTruncate must not empty the file
        EXPECT_EQ(first->Read(PageNo{2}).value()[0], 2);
        first.reset();
        EXPECT_TRUE(OpenOrDie(path, c.second));
    }
}

TEST(Pager, RollbackRestoresBytesBehindTheSamePointers) {
    TempFolder folder;
    std::string path = folder.File("a.dat");
    MakeFile(path, 2);
    auto pager = OpenOrDie(path, OpenMode::ReadWrite);
    ASSERT_TRUE(pager);
    const uint8_t* before = pager->Read(PageNo{1}).value();
    ASSERT_TRUE(pager->Begin().ok());
    uint8_t* writable = pager->Write(PageNo{1}).value();
    EXPECT_EQ(writable, before);
    writable[5] = 0xAB;
    ASSERT_TRUE(pager->Append().ok());
    pager->Rollback();
    EXPECT_FALSE(pager->InTransaction());
    EXPECT_EQ(pager->PageCount(), 2u);
    EXPECT_EQ(pager->Read(PageNo{1}).value(), before);
    EXPECT_EQ(before[5], 1);
    pager.reset();
    EXPECT_EQ(OpenOrDie(path, OpenMode::ReadOnly)->Read(PageNo{1}).value()[5], 1);
}

TEST(Pager, WritesNeedATransactionAndAWritableOpen) {
    TempFolder folder;
    std::string path = folder.File("a.dat");
    MakeFile(path, 1);
    {
        auto pager = OpenOrDie(path, OpenMode::ReadWrite);
        EXPECT_EQ(pager->Write(PageNo{0}).code(), ErrorCode::InvalidArgument);
        EXPECT_EQ(pager->Append().code(), ErrorCode::InvalidArgument);
        EXPECT_EQ(pager->Commit().code(), ErrorCode::InvalidArgument);
        ASSERT_TRUE(pager->Begin().ok());
        EXPECT_EQ(pager->Begin().code(), ErrorCode::InvalidArgument);
    }
    EXPECT_EQ(OpenOrDie(path, OpenMode::ReadOnly)->Begin().code(), ErrorCode::InvalidArgument);
}

TEST(Pager, LoadTransformAppliesToEveryPageButTheFirstAndMakesTheFileReadOnly) {
    TempFolder folder;
    std::string path = folder.File("a.dat");
    MakeFile(path, 3);
    auto pager = OpenOrDie(path, OpenMode::ReadWrite);
    ASSERT_TRUE(pager);
    const uint8_t* cachedBefore = pager->Read(PageNo{1}).value();
    pager->SetLoadTransform([](PageNo page, uint8_t* bytes) { bytes[0] ^= uint8_t(0x80 | ToIndex(page)); });
    EXPECT_EQ(pager->Read(PageNo{0}).value()[0], 0);
    EXPECT_EQ(pager->Read(PageNo{1}).value(), cachedBefore);
    EXPECT_EQ(cachedBefore[0], 1 ^ 0x81);
    EXPECT_EQ(pager->Read(PageNo{2}).value()[0], 2 ^ 0x82);
    EXPECT_EQ(pager->Begin().code(), ErrorCode::Unsupported);
}

TEST(Pager, NewFileSetsAsideALogLeftByAnOlderFileOfTheSameName) {
    TempFolder folder;
    std::string path = folder.File("a.dat");
    std::vector<uint8_t> bytes(kPageSize, 0x77);
    {
        auto journal = NativeFileSystem().Open(path + "-journal", OpenMode::CreateNew);
        ASSERT_TRUE(journal.ok());
        ASSERT_TRUE((*journal)->Write(0, bytes.data(), bytes.size()).ok());
    }
    auto pager = OpenOrDie(path, OpenMode::CreateNew);
    ASSERT_TRUE(pager);
    EXPECT_EQ(pager->PageCount(), 0u);
    EXPECT_FALSE(NativeFileSystem().Exists(path + "-journal").value());
    EXPECT_TRUE(NativeFileSystem().Exists(path + "-journal.unplayed-1").value());
}

}  // namespace
}  // namespace jet
