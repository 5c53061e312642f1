#pragma once
// FileIo: the engine's only path to bytes on disk. One production implementation per platform
// (POSIX, Win32) and test twins that fail or "crash" on purpose.
//
// Invariants:
//  1. Reads past the end of the file are errors (Io), never short reads that look like data.
//  2. Write at an offset past the end extends the file; the gap is zero bytes.
//  3. Only Sync makes earlier writes durable; a crash may drop or tear any write since the last Sync.
//  4. Locks are advisory between processes: an exclusive lock excludes every other lock.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

#include "common/result.h"

namespace jet {

enum class LockMode { None, Shared, Exclusive };

// Which file, and its last change: two equal identities of a path mean that nobody wrote to it in
// between, as far as the system's time stamps can tell. Linux (since 6.13) stamps a write that follows
// a look at the stamp with a finer, new time, so a stamp read after one's own last write moves with
// the next write by anyone; Windows stamps in steps of its clock tick, so a foreign write inside the
// same tick, with the size unchanged, goes unseen.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;      // inode number, or file index
    uint64_t size = 0;
    uint64_t modified = 0;  // last write to the bytes, in the system's own units
    uint64_t changed = 0;   // last change of any kind (ctime; Windows' ChangeTime)
    bool operator==(const FileIdentity&) const = default;
};

class FileIo {
public:
    virtual ~FileIo() = default;
    virtual Status Read(uint64_t offset, void* data, size_t size) = 0;
    virtual Status Write(uint64_t offset, const void* data, size_t size) = 0;
    virtual Status Sync() = 0;
    virtual Status Truncate(uint64_t size) = 0;
    virtual Result<uint64_t> Size() = 0;
    virtual Result<FileIdentity> Identity() = 0;
    // Without waiting: another process's conflicting lock gives Locked at once.
    virtual Status Lock(LockMode mode) = 0;
    virtual const std::string& Path() const = 0;
};

enum class OpenMode { ReadOnly, ReadWrite, CreateNew /* fails if the file exists */, CreateOrTruncate };

// The file system, so that journal files can be created and removed through the same seam as the
// database file (tests substitute faulty or crashing twins).
class FileSystem {
public:
    FileSystem() : serial_(NextSerial()) {}
    virtual ~FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual Result<std::unique_ptr<FileIo>> Open(const std::string& path, OpenMode mode) = 0;
    virtual Result<bool> Exists(const std::string& path) = 0;
    virtual Status Remove(const std::string& path) = 0;
    // Gives the file at `from` the name `to`, which must not exist yet (else an error, nothing moved).
    virtual Status Rename(const std::string& from, const std::string& to) = 0;
    // Makes a creation or removal in the file's folder durable (fsync of the directory on POSIX).
    virtual Status SyncFolderOf(const std::string& path) = 0;

    // What this process knows of a file's bytes holds for this file system, and (for the twins
    // that simulate crashes) for as long as its epoch stays the same: a simulated crash changes it.
    uint64_t Serial() const { return serial_; }
    virtual uint64_t Epoch() const { return 0; }
    // The key under which the process remembers what it knows of the file at `path`.
    using FileKey = std::tuple<uint64_t, uint64_t, std::string>;
    FileKey KeyOf(const std::string& path) const { return {Serial(), Epoch(), path}; }

private:
    static uint64_t NextSerial() {
        static std::atomic<uint64_t> next{1};
        return next++;
    }
    const uint64_t serial_;
};

// The real file system of the platform this engine is built for.
FileSystem& NativeFileSystem();

}  // namespace jet
