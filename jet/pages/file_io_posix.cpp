// FileIo and the native FileSystem for POSIX systems (Linux natively; Wine programs use the Win32 file).
//
// Locks are open-file-description locks (F_OFD_SETLK): they belong to the open file, not the process,
// so two connections inside one process exclude each other exactly as two processes do. Classic fcntl
// locks would let a second open in the same process through and drop every lock on the first close.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/text.h"
#include "jet/pages/file_io.h"

namespace jet {
namespace {

Status ErrnoStatus(const std::string& path, const char* what, int err) {
    ErrorCode code = err == ENOENT ? ErrorCode::NotFound : ErrorCode::Io;
    return Status(code, path + ": " + what + ": " + std::strerror(err));
}

class PosixFile final : public FileIo {
  public:
    PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    Status Read(uint64_t offset, void* data, size_t size) override {
        auto* out = static_cast<uint8_t*>(data);
        while (size > 0) {
            ssize_t got = ::pread(fd_, out, size, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return ErrnoStatus(path_, "read", errno);
            if (got == 0) return Status(ErrorCode::Io, path_ + ": read past the end of the file");
            out += got;
            offset += uint64_t(got);
            size -= size_t(got);
        }
        return Status::Ok();
    }

    Status Write(uint64_t offset, const void* data, size_t size) override {
        auto* in = static_cast<const uint8_t*>(data);
        while (size > 0) {
            ssize_t put = ::pwrite(fd_, in, size, static_cast<off_t>(offset));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return ErrnoStatus(path_, "write", put < 0 ? errno : EIO);
            in += put;
            offset += uint64_t(put);
            size -= size_t(put);
        }
        return Status::Ok();
    }

    // fdatasync: the file's size is data for this purpose, so a grown file is durable too.
    Status Sync() override {
        while (::fdatasync(fd_) != 0) {
            if (errno != EINTR) return ErrnoStatus(path_, "sync", errno);
        }
        return Status::Ok();
    }

    Status Truncate(uint64_t size) override {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return ErrnoStatus(path_, "truncate", errno);
        return Status::Ok();
    }

    Result<uint64_t> Size() override {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) return ErrnoStatus(path_, "stat", errno);
        return uint64_t(info.st_size);
    }

    Result<FileIdentity> Identity() override {
        struct stat info {};
        if (::fstat(fd_, &info) != 0) return ErrnoStatus(path_, "stat", errno);
        auto nanoseconds = [](const timespec& at) { return uint64_t(at.tv_sec) * 1000000000u + uint64_t(at.tv_nsec); };
        return FileIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino), uint64_t(info.st_size),
                            nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
    }

    Status Lock(LockMode mode) override {
        struct flock lock {};
        lock.l_type = mode == LockMode::Exclusive ? F_WRLCK : mode == LockMode::Shared ? F_RDLCK : F_UNLCK;
        lock.l_whence = SEEK_SET;  // l_start 0, l_len 0: the whole file, however long it grows
        if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return Status::Ok();
        int err = errno;
        if (err == EAGAIN || err == EACCES) {
            return Status(ErrorCode::Locked, path_ + ": in use by another connection");
        }
        return ErrnoStatus(path_, "lock", err);
    }

    const std::string& Path() const override { return path_; }

  private:
    int fd_;  // owned
    std::string path_;
};

int OpenFlags(OpenMode mode) {
    switch (mode) {
        case OpenMode::ReadOnly:
            return O_RDONLY;
        case OpenMode::ReadWrite:
            return O_RDWR;
        case OpenMode::CreateNew:
            return O_RDWR | O_CREAT | O_EXCL;
        case OpenMode::CreateOrTruncate:
            return O_RDWR | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

// The folder to open for syncing a name in it: "." for a bare name, "/" for one at the root.
std::string FolderToSync(const std::string& path) {
    std::string folder = FolderOfPath(path);
    if (!folder.empty()) return folder;
    return path.starts_with('/') ? "/" : ".";
}

class PosixFileSystem final : public FileSystem {
  public:
    Result<std::unique_ptr<FileIo>> Open(const std::string& path, OpenMode mode) override {
        int fd;
        do {
            fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return ErrnoStatus(path, "open", errno);
        return std::unique_ptr<FileIo>(std::make_unique<PosixFile>(fd, path));
    }

    Result<bool> Exists(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) return true;
        if (errno == ENOENT || errno == ENOTDIR) return false;
        return ErrnoStatus(path, "stat", errno);
    }

    Status Remove(const std::string& path) override {
        if (::unlink(path.c_str()) != 0) return ErrnoStatus(path, "remove", errno);
        return Status::Ok();
    }

    // link then unlink: unlike rename, link refuses a name that exists.
    Status Rename(const std::string& from, const std::string& to) override {
        if (::link(from.c_str(), to.c_str()) != 0) return ErrnoStatus(to, "rename", errno);
        if (::unlink(from.c_str()) != 0) {
            int err = errno;
            (void)::unlink(to.c_str());
            return ErrnoStatus(from, "rename", err);
        }
        return Status::Ok();
    }

    Status SyncFolderOf(const std::string& path) override {
        std::string folder = FolderToSync(path);
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return ErrnoStatus(folder, "open folder", errno);
        int rc;
        do {
            rc = ::fsync(fd);
        } while (rc != 0 && errno == EINTR);
        int err = errno;
        ::close(fd);
        if (rc != 0) return ErrnoStatus(folder, "sync folder", err);
        return Status::Ok();
    }
};

}  // namespace

FileSystem& NativeFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace jet
