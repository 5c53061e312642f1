// FileIo and the native FileSystem for Windows. Paths are UTF-8 in the engine and UTF-16 at the call.
//
// Files are opened with FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE: exclusion between
// connections is the lock's job, not the share mode's, and a share mode that refused other opens
// would turn "locked" into an unexplained open failure (and stop the journal being deleted while a
// reader has it open).
//
// The lock is a byte-range lock on one byte past any real data (kLockOffset: 2 GB, the largest Jet
// file; below 4 GB so that every file system takes it). Windows range locks are mandatory: a lock
// over the data would make other connections' reads fail instead of their Lock. A lock belongs to
// the handle, so two connections of one process exclude each other.

#include <windows.h>

#include <string>

#include "common/text.h"
#include "jet/pages/file_io.h"

namespace jet {
namespace {

constexpr uint64_t kLockOffset = uint64_t(1) << 31;
constexpr DWORD kMaxChunk = DWORD(1) << 30;

std::wstring Wide(const std::string& utf8) {
    std::u16string utf16 = Utf8ToUtf16(utf8);
    return std::wstring(utf16.begin(), utf16.end());
}

Status WinStatus(const std::string& path, const char* what, DWORD err) {
    ErrorCode code = ErrorCode::Io;
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) code = ErrorCode::NotFound;
    if (err == ERROR_LOCK_VIOLATION || err == ERROR_SHARING_VIOLATION) code = ErrorCode::Locked;
    return Status(code, path + ": " + what + ": Windows error " + std::to_string(err));
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = DWORD(offset);
    overlapped.OffsetHigh = DWORD(offset >> 32);
    return overlapped;
}

class WinFile final : public FileIo {
  public:
    WinFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    ~WinFile() override { CloseHandle(handle_); }  // releases the lock too
    WinFile(const WinFile&) = delete;
    WinFile& operator=(const WinFile&) = delete;

    Status Read(uint64_t offset, void* data, size_t size) override {
        auto* out = static_cast<uint8_t*>(data);
        while (size > 0) {
            DWORD chunk = size > kMaxChunk ? kMaxChunk : DWORD(size);
            DWORD got = 0;
            OVERLAPPED overlapped = At(offset);
            if (!ReadFile(handle_, out, chunk, &got, &overlapped)) {
                DWORD err = GetLastError();
                if (err != ERROR_HANDLE_EOF) return WinStatus(path_, "read", err);
                got = 0;
            }
            if (got == 0) return Status(ErrorCode::Io, path_ + ": read past the end of the file");
            out += got;
            offset += got;
            size -= got;
        }
        return Status::Ok();
    }

    Status Write(uint64_t offset, const void* data, size_t size) override {
        auto* in = static_cast<const uint8_t*>(data);
        while (size > 0) {
            DWORD chunk = size > kMaxChunk ? kMaxChunk : DWORD(size);
            DWORD put = 0;
            OVERLAPPED overlapped = At(offset);
            if (!WriteFile(handle_, in, chunk, &put, &overlapped)) {
                DWORD err = GetLastError();
                return WinStatus(path_, "write", err);
            }
            if (put == 0) return Status(ErrorCode::Io, path_ + ": write made no progress");
            in += put;
            offset += put;
            size -= put;
        }
        return Status::Ok();
    }

    Status Sync() override {
        if (!FlushFileBuffers(handle_)) {
            DWORD err = GetLastError();
            return WinStatus(path_, "sync", err);
        }
        return Status::Ok();
    }

    Status Truncate(uint64_t size) override {
        FILE_END_OF_FILE_INFO info{};
        info.EndOfFile.QuadPart = LONGLONG(size);
        if (!SetFileInformationByHandle(handle_, FileEndOfFileInfo, &info, sizeof(info))) {
            DWORD err = GetLastError();
            return WinStatus(path_, "truncate", err);
        }
        return Status::Ok();
    }

    Result<uint64_t> Size() override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(handle_, &size)) {
            DWORD err = GetLastError();
            return WinStatus(path_, "size", err);
        }
        return uint64_t(size.QuadPart);
    }

    Result<FileIdentity> Identity() override {
        BY_HANDLE_FILE_INFORMATION info{};
        FILE_BASIC_INFO basic{};
        if (!GetFileInformationByHandle(handle_, &info) ||
            !GetFileInformationByHandleEx(handle_, FileBasicInfo, &basic, sizeof(basic))) {
            DWORD err = GetLastError();
            return WinStatus(path_, "file information", err);
        }
        auto join = [](DWORD high, DWORD low) { return (uint64_t(high) << 32) | low; };
        return FileIdentity{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                            join(info.nFileSizeHigh, info.nFileSizeLow),
                            join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime),
                            uint64_t(basic.ChangeTime.QuadPart)};
    }

    // LockFileEx cannot convert a lock, so a change of mode releases the old one first.
    Status Lock(LockMode mode) override {
        if (lock_ != LockMode::None) {
            OVERLAPPED overlapped = At(kLockOffset);
            UnlockFileEx(handle_, 0, 1, 0, &overlapped);
            lock_ = LockMode::None;
        }
        if (mode == LockMode::None) return Status::Ok();
        DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
        OVERLAPPED overlapped = At(kLockOffset);
        if (!LockFileEx(handle_, flags, 0, 1, 0, &overlapped)) {
            DWORD err = GetLastError();
            if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING) {
                return Status(ErrorCode::Locked, path_ + ": in use by another connection");
            }
            return WinStatus(path_, "lock", err);
        }
        lock_ = mode;
        return Status::Ok();
    }

    const std::string& Path() const override { return path_; }

  private:
    HANDLE handle_;  // owned
    std::string path_;
    LockMode lock_ = LockMode::None;
};

DWORD Disposition(OpenMode mode) {
    switch (mode) {
        case OpenMode::ReadOnly:
        case OpenMode::ReadWrite:
            return OPEN_EXISTING;
        case OpenMode::CreateNew:
            return CREATE_NEW;
        case OpenMode::CreateOrTruncate:
            return CREATE_ALWAYS;
    }
    return OPEN_EXISTING;
}

class WinFileSystem final : public FileSystem {
  public:
    Result<std::unique_ptr<FileIo>> Open(const std::string& path, OpenMode mode) override {
        DWORD access = mode == OpenMode::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
        HANDLE handle = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, Disposition(mode), FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            DWORD err = GetLastError();
            return WinStatus(path, "open", err);
        }
        return std::unique_ptr<FileIo>(std::make_unique<WinFile>(handle, path));
    }

    Result<bool> Exists(const std::string& path) override {
        if (GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return false;
        return WinStatus(path, "exists", err);
    }

    Status Remove(const std::string& path) override {
        if (!DeleteFileW(Wide(path).c_str())) {
            DWORD err = GetLastError();
            return WinStatus(path, "remove", err);
        }
        return Status::Ok();
    }

    // Without MOVEFILE_REPLACE_EXISTING, an existing `to` fails the move.
    Status Rename(const std::string& from, const std::string& to) override {
        if (!MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
            DWORD err = GetLastError();
            return WinStatus(from, "rename", err);
        }
        return Status::Ok();
    }

    // NTFS journals its own metadata: a created or deleted name is durable without a folder flush,
    // and Windows offers no way to flush a folder handle anyway.
    Status SyncFolderOf(const std::string&) override { return Status::Ok(); }
};

}  // namespace

FileSystem& NativeFileSystem() {
    static WinFileSystem fs;
    return fs;
}

}  // namespace jet
