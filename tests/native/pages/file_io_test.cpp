// The FileIo / FileSystem contract, checked on the native file system and on the in-memory twins
// alike: the twins are only useful if they fail where real files fail and nowhere else.

#include "jet/pages/file_io.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "jet/pages/testing/crash_file_system.h"
#include "tests/native/temp_folder.h"

namespace jet {
namespace {

using testing::CrashFileSystem;
using testing::MemoryFileSystem;

struct FileSystemKind {
    const char* name;
    std::function<std::unique_ptr<FileSystem>()> make;  // nullptr: the native one
};

class FileIoContract : public ::testing::TestWithParam<FileSystemKind> {
  protected:
    void SetUp() override {
        owned_ = GetParam().make ? GetParam().make() : nullptr;
        fs_ = owned_ ? owned_.get() : &NativeFileSystem();
    }
    std::string File(const std::string& name) const { return folder_.File(name); }
    std::unique_ptr<FileIo> OpenOrDie(const std::string& path, OpenMode mode) {
        auto file = fs_->Open(path, mode);
        EXPECT_TRUE(file.ok()) << file.status().ToString();
        return file.ok() ? std::move(file).value() : nullptr;
    }

    TempFolder folder_;
    std::unique_ptr<FileSystem> owned_;
    FileSystem* fs_ = nullptr;
};

TEST_P(FileIoContract, WritePastTheEndZeroFillsTheGapAndReadPastTheEndFails) {
    auto file = OpenOrDie(File("a"), OpenMode::CreateNew);
    ASSERT_TRUE(file);
    const uint8_t tail[3] = {7, 8, 9};
    ASSERT_TRUE(file->Write(100, tail, 3).ok());
    EXPECT_EQ(file->Size().value(), 103u);
    std::vector<uint8_t> bytes(103, 0xEE);
    ASSERT_TRUE(file->Read(0, bytes.data(), bytes.size()).ok());
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[99], 0);
    EXPECT_EQ(bytes[102], 9);
    EXPECT_EQ(file->Read(100, bytes.data(), 4).code(), ErrorCode::Io);
    EXPECT_EQ(file->Read(200, bytes.data(), 1).code(), ErrorCode::Io);
}

TEST_P(FileIoContract, TruncateShrinksAndGrowsWithZeros) {
    auto file = OpenOrDie(File("a"), OpenMode::CreateNew);
    ASSERT_TRUE(file);
    std::vector<uint8_t> ones(50, 1);
    ASSERT_TRUE(file->Write(0, ones.data(), ones.size()).ok());
    ASSERT_TRUE(file->Truncate(10).ok());
    ASSERT_TRUE(file->Truncate(20).ok());
    std::vector<uint8_t> bytes(20);
    ASSERT_TRUE(file->Read(0, bytes.data(), bytes.size()).ok());
    EXPECT_EQ(bytes[9], 1);
    EXPECT_EQ(bytes[10], 0);
    EXPECT_EQ(file->Size().value(), 20u);
}

TEST_P(FileIoContract, OpenModesCreateFailOrTruncateAsNamed) {
    std::string path = File("a");
    EXPECT_EQ(fs_->Open(path, OpenMode::ReadOnly).code(), ErrorCode::NotFound);
    EXPECT_EQ(fs_->Open(path, OpenMode::ReadWrite).code(), ErrorCode::NotFound);
    EXPECT_FALSE(fs_->Exists(path).value());
    {
        auto file = OpenOrDie(path, OpenMode::CreateNew);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write(0, "abc", 3).ok());
    }
    EXPECT_TRUE(fs_->Exists(path).value());
    EXPECT_FALSE(fs_->Open(path, OpenMode::CreateNew).ok());
    EXPECT_EQ(OpenOrDie(path, OpenMode::ReadWrite)->Size().value(), 3u);
    EXPECT_EQ(OpenOrDie(path, OpenMode::CreateOrTruncate)->Size().value(), 0u);
    ASSERT_TRUE(fs_->Remove(path).ok());
    EXPECT_FALSE(fs_->Exists(path).value());
    EXPECT_EQ(fs_->Remove(path).code(), ErrorCode::NotFound);
    EXPECT_TRUE(fs_->SyncFolderOf(path).ok());
}

// Paths are UTF-8 in the engine; the Win32 file converts them at the call.
TEST_P(FileIoContract, NonAsciiPathsNameTheSameFileEveryTime) {
    std::string path = File("\xE8\xB4\xA6\xE5\x8F\xB7 config.dat");  // "账号 config.dat"
    ASSERT_TRUE(OpenOrDie(path, OpenMode::CreateNew)->Write(0, "x", 1).ok());
    EXPECT_TRUE(fs_->Exists(path).value());
    EXPECT_EQ(OpenOrDie(path, OpenMode::ReadOnly)->Size().value(), 1u);
    EXPECT_TRUE(fs_->Remove(path).ok());
    EXPECT_FALSE(fs_->Exists(path).value());
}

TEST_P(FileIoContract, ReadOnlyFileRefusesWrites) {
    std::string path = File("a");
    OpenOrDie(path, OpenMode::CreateNew);
    auto file = OpenOrDie(path, OpenMode::ReadOnly);
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->Write(0, "x", 1).ok());
}

// Two opens in one process behave as two processes: the engine's connections rely on it.
TEST_P(FileIoContract, LocksExcludeOtherOpensOfTheSameFileInTheSameProcess) {
    struct Case {
        const char* name;
        LockMode first;
        LockMode second;
        bool secondGetsIt;
    } cases[] = {
        {"shared, shared", LockMode::Shared, LockMode::Shared, true},
        {"shared, exclusive", LockMode::Shared, LockMode::Exclusive, false},
        {"exclusive, shared", LockMode::Exclusive, LockMode::Shared, false},
        {"exclusive, exclusive", LockMode::Exclusive, LockMode::Exclusive, false},
        {"none, exclusive", LockMode::None, LockMode::Exclusive, true},
    };
    std::string path = File("a");
    OpenOrDie(path, OpenMode::CreateNew);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto first = OpenOrDie(path, OpenMode::ReadWrite);
        auto second = OpenOrDie(path, OpenMode::ReadWrite);
        ASSERT_TRUE(first && second);
        ASSERT_TRUE(first->Lock(c.first).ok());
        Status status = second->Lock(c.second);
        EXPECT_EQ(status.code(), c.secondGetsIt ? ErrorCode::Ok : ErrorCode::Locked);
        if (!c.secondGetsIt) {
            first.reset();  // closing releases
            EXPECT_TRUE(second->Lock(c.second).ok());
        }
    }
}

// Windows range locks are mandatory; the lock must sit outside the data so that a connection that
// is refused learns it from Lock, not from a failing read.
TEST_P(FileIoContract, ExclusiveLockLeavesTheDataReadableByOtherOpens) {
    std::string path = File("a");
    std::vector<uint8_t> page(8192, 0x3C);
    ASSERT_TRUE(OpenOrDie(path, OpenMode::CreateNew)->Write(0, page.data(), page.size()).ok());
    auto holder = OpenOrDie(path, OpenMode::ReadWrite);
    ASSERT_TRUE(holder && holder->Lock(LockMode::Exclusive).ok());
    auto other = OpenOrDie(path, OpenMode::ReadOnly);
    ASSERT_TRUE(other);
    std::vector<uint8_t> read(page.size());
    EXPECT_TRUE(other->Read(0, read.data(), read.size()).ok());
    EXPECT_EQ(read, page);
    EXPECT_EQ(other->Lock(LockMode::Shared).code(), ErrorCode::Locked);
}

// A database kept idle between connections trusts this: reading leaves the identity alone, and any
// write through any open, even right after a look at it and with the size unchanged, moves it.
TEST_P(FileIoContract, IdentityStaysWhileNothingWritesAndMovesWithEveryWrite) {
    std::string path = File("a");
    std::vector<uint8_t> page(4096, 0x3C);
    ASSERT_TRUE(OpenOrDie(path, OpenMode::CreateNew)->Write(0, page.data(), page.size()).ok());
    auto mine = OpenOrDie(path, OpenMode::ReadWrite);
    ASSERT_TRUE(mine);
    FileIdentity seen = mine->Identity().value();
    EXPECT_EQ(seen.size, 4096u);
    ASSERT_TRUE(mine->Read(0, page.data(), page.size()).ok());
    EXPECT_EQ(OpenOrDie(path, OpenMode::ReadOnly)->Identity().value(), seen);
    for (uint8_t round = 1; round <= 5; ++round) {
        SCOPED_TRACE(int(round));
        ASSERT_TRUE(OpenOrDie(path, OpenMode::ReadWrite)->Write(0, &round, 1).ok());
        FileIdentity now = mine->Identity().value();
        EXPECT_NE(now, seen);
        EXPECT_EQ(now.file, seen.file);
        seen = now;
    }
    auto other = OpenOrDie(File("b"), OpenMode::CreateNew);
    ASSERT_TRUE(other && other->Write(0, page.data(), page.size()).ok());
    EXPECT_NE(other->Identity().value().file, seen.file);
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, FileIoContract,
    ::testing::Values(FileSystemKind{"Native", nullptr},
                      FileSystemKind{"Memory", [] { return std::unique_ptr<FileSystem>(new MemoryFileSystem); }},
                      FileSystemKind{"Crash", [] { return std::unique_ptr<FileSystem>(new CrashFileSystem); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jet
