#pragma once
// Pager: one connection's view of a database file as numbered 4096-byte pages, with a page cache,
// atomic and durable transactions through a rollback journal, and the file lock.
//
// States and transitions:
//   Open(ReadOnly)  -> Reading               shared lock held until the Pager is destroyed; a hot
//                                            journal is not played back (that would write) but read
//                                            through: the reader sees the rolled-back image
//   Open(ReadWrite) -> Reading               exclusive lock held until the Pager is destroyed, so a
//                                            second connection (any process) gets Locked at Open
//   Reading  --Begin-->    Writing
//   Writing  --Commit-->   Reading           all changes of the transaction are in the file, synced
//   Writing  --Rollback--> Reading           none are; cached pages are restored
//   any error inside Commit leaves the Pager in Failed: only destruction is allowed (Read, Begin
//   give Io), and the next Open rolls the hot journal back.
//   A commit costs 2 syncs: the journal, the database file (and a folder sync when it creates the
//   journal file, the first time only: the journal is kept between transactions, retired).
//
// Invariants:
//  1. Between transactions the file holds a consistent image: the image before or after the last
//     transaction, also after a crash at any write (the next Open with ReadWrite plays a hot journal
//     back before anything else reads the file).
//  2. The journal ("<path>-journal") is valid only while a transaction is being committed, or after a
//     crash during or just after one; between transactions it is retired (its header zeroed) and
//     kept for the next commit to rewrite in place. A valid journal holds the original bytes of
//     every page the transaction changed, the original file size and checksums of the new bytes,
//     and is synced before the database file is written. Open retires a journal whose transaction
//     landed completely, plays back any other valid journal, keeps a retired one, and removes an
//     invalid one (it was never synced, so the database was never written).
//  3. Pointers returned by Read and Write stay valid for the Pager's lifetime; their bytes change
//     only through Write.
//  4. Every page number is checked against PageCount(): reading past the end is Corrupt, never a
//     read of garbage. A file whose size is not a whole number of pages is Corrupt.
//  5. A page's check mark (MarkChecked) is dropped whenever its bytes may change: by Write, by a
//     rollback, by a new load transform. A page changed by the open transaction takes no mark.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/result.h"
#include "jet/pages/file_io.h"
#include "jet/pages/page.h"

namespace jet {

class Pager {
  public:
    struct Options {
        OpenMode mode = OpenMode::ReadWrite;  // ReadOnly or ReadWrite; Create* make an empty file
        bool syncOnCommit = true;             // false only for benchmarks of the non-durable case
    };

    static Result<std::unique_ptr<Pager>> Open(FileSystem& fs, const std::string& path, Options options);
    ~Pager();
    Pager(const Pager&) = delete;
    Pager& operator=(const Pager&) = delete;

    uint32_t PageCount() const;
    const std::string& Path() const;

    // Applied to every page but page 0 as it is loaded from disk (the format layer installs the RC4
    // page decryption of encrypted databases here). Such databases are read-only: Begin refuses.
    void SetLoadTransform(std::function<void(PageNo, uint8_t*)> transform);

    Result<const uint8_t*> Read(PageNo page);

    // A mark the layer above leaves on a page whose structure it has checked, so that it checks each
    // loaded page once rather than at every read. `kind` names the check (a page checked as one
    // structure is not thereby checked as another); 0 is no mark.
    void MarkChecked(PageNo page, uint8_t kind);
    bool IsChecked(PageNo page, uint8_t kind) const;

    Status Begin();
    bool InTransaction() const;
    // The page's bytes, writable; the first Write of a page in a transaction keeps its original.
    Result<uint8_t*> Write(PageNo page);
    // A new zeroed page after the last one; the file grows at Commit.
    Result<PageNo> Append();
    Status Commit();
    void Rollback();

  private:
    class Impl;
    explicit Pager(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
