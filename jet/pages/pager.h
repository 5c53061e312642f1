#pragma once
// Pager: one connection's view of a database file as numbered 4096-byte pages, with a page cache,
// atomic and durable transactions through a redo log (redo_log_file.h), and the file lock.
//
// States and transitions:
//   Open(ReadOnly)  -> Reading               shared lock held until the Pager is destroyed; pages a
//                                            crash left only in the log are not written into the
//                                            file (that would write) but read through
//   Open(ReadWrite) -> Reading               exclusive lock held until the Pager is destroyed, so a
//                                            second connection (any process) gets Locked at Open
//   Reading  --Begin-->    Writing
//   Writing  --Commit-->   Reading           the transaction is durable in the log and written to the
//                                            file (the file's own sync waits for a checkpoint)
//   Writing  --Rollback--> Reading           none are; cached pages are restored
//   Reading  --Suspend-->  Suspended         files closed, lock released, cache kept
//   Suspended --Resume-->  Reading           only when the file and its log are as Suspend left them
//   any error inside Commit leaves the Pager in Failed: only destruction is allowed (Read, Begin
//   give Io), and the next Open finds in the log what was committed.
//   A commit costs 1 sync; a checkpoint, after every few megabytes of log or at Checkpoint(), 2.
//
// Invariants:
//  1. Every committed transaction is in the log ("<path>-journal") or durably in the file: the log
//     is synced before the file is written, and retired only after the file is synced. Open with
//     ReadWrite plays a live log that belongs to the file forward (unless this process left it so)
//     before anything else reads the file, which then holds exactly the image after the last
//     committed transaction; a log that belongs to another state of the file is set aside unplayed.
//  2. Between checkpoints the log is live beside the file: the file alone may lack the last
//     transactions after a power cut. Checkpoint(), and closing with checkpointOnClose, leave the
//     file complete and durable on its own and the log retired.
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
        // Checkpoint when the Pager is destroyed, so that the file is complete on its own. A caller
        // that opens and closes for every change clears it and calls Checkpoint at its end instead.
        bool checkpointOnClose = true;
    };
    // Called at Open with the file's first page as a live log would make it, before the log is
    // played into the file; an error ends the Open and nothing is written.
    using HeaderCheck = std::function<Status(const uint8_t* firstPage)>;

    static Result<std::unique_ptr<Pager>> Open(FileSystem& fs, const std::string& path, Options options,
                                               const HeaderCheck& checkHeader = {});
    ~Pager();
    // Before a file is written anew at `path` by other means: any log beside it that holds
    // transactions is set aside unplayed ("<path>-journal.unplayed-N"), a retired one removed.
    static Status SetAsideLog(FileSystem& fs, const std::string& path);
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
    // Syncs the file and retires the log's live transactions; outside a transaction only.
    Status Checkpoint();

    // Closing with the cache kept, for a process that opens the same file again and again: Suspend
    // closes the files (and releases the lock) as destruction would, and tells whether the Pager can
    // be resumed: it holds no transaction, its log generation stays live and remembered, and its
    // cache is not too large. Afterwards only Resume or destruction are allowed.
    bool Suspend();
    // Reopens and locks the file: true when the file and its log are exactly as Suspend left them,
    // so that every cached page is current and the Pager is open again (with these options). False
    // when anything differs: the files are closed again and nothing was written. Errors are the
    // open's or the lock's (Locked when another connection holds the file).
    Result<bool> Resume(Options options);

  private:
    class Impl;
    explicit Pager(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
