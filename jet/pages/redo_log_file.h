#pragma once
// RedoLog: the log file "<path>-journal" beside one database file, as the Pager that holds the
// file's lock uses it: finding and judging it at open, appending commits, growing, checkpointing,
// playing forward what a crash left in it, retiring it, and setting aside one that is not the file's.
// The Pager keeps the page cache and the transactions; the bytes are redo_log.h's. Private to
// jet/pages.
//
// Commit, durable: the new bytes of every page the transaction changed or appended go to the end
// of the log as checksum-chained frames (the first commit of a generation writes the generation's
// slot, with its salt and the file state it begins from, in the same write); one Sync (plus a folder
// sync when the log file had to be created): the transaction is durable. The Pager then writes the
// same pages into the file without a sync. When the generation's frames pass kLogGenerationBytes,
// the next commit first checkpoints: syncs the database file, zeroes the slot and syncs the log.
//
// At open, a zeroed slot: nothing is pending. A live log this process left as it is now (it
// remembers the generation, its end and chain, and no frame continues the chain there) needs
// nothing: the file holds every logged transaction. Any other live log is indexed frame by frame
// and judged against the file: it belongs when the file's pages it does not rewrite are those the
// generation began from, and the file's size lies between the generation's start and its last
// transaction's end. A log that belongs is pending until the Pager has checked the file's header,
// then played (every whole transaction written into the file, the file synced, the log retired). A
// log that does not belong (another file, an older copy, a file written anew), or whose slot is
// neither zero nor valid, a writer sets aside as "<path>-journal.unplayed-N", never playing or
// deleting it; a reader ignores it. A reader never writes: it reads pending pages through the log.
//
// Invariants:
//  1. The file is never written from a log that does not belong to it, and never grows past the
//     pages the log's own frames hold.
//  2. A log is removed only when its slot is zero; every other log is retired (its slot zeroed)
//     only after its transactions are durably in the file, or set aside.
//  3. Memory for a replay is an index entry per frame, never the log's pages.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/result.h"
#include "jet/pages/file_io.h"
#include "jet/pages/redo_log.h"

namespace jet {

class RedoLog {
  public:
    RedoLog(FileSystem& fs, const std::string& dbPath, bool durable);
    ~RedoLog();
    RedoLog(const RedoLog&) = delete;
    RedoLog& operator=(const RedoLog&) = delete;

    // Finds and judges the log beside `file` (opened and locked by the caller) before anything
    // reads the file.
    Status Open(FileIo& file, bool writable);
    // Beside a file that is created anew: a retired log is removed, any other set aside.
    Status Discard();
    // Sets aside whatever log lies beside `dbPath` (a file about to be written anew from elsewhere).
    static Status DiscardBeside(FileSystem& fs, const std::string& dbPath);

    // A live log that belongs to the file and holds transactions the file may lack: the file's page
    // count after them, and their pages. Only between Open and PlayPending (for a reader, for good).
    bool HasPending() const { return pending_.has_value(); }
    std::optional<uint32_t> PendingPageCount() const;
    bool PendingHolds(uint32_t page) const;
    Status ReadPending(uint32_t page, uint8_t* into);
    // Writes the pending transactions into `file`, syncs it, and retires the log (a writer only).
    Status PlayPending(FileIo& file);

    // Logs one transaction durably: `pages` changed (`before`: their bytes before it) or appended;
    // `filePages` is the file's page count before it, `pageCount` after.
    Status Append(FileIo& file, std::vector<LogPage> pages, uint32_t filePages, uint32_t pageCount);
    // Syncs `file` and retires the generation; `cutBack` also shortens the log to its front.
    Status Checkpoint(FileIo& file, bool cutBack);
    bool Live() const { return generationOpen_; }
    void SetDurable(bool durable) { durable_ = durable; }

    // Closing: a checkpoint when asked (a failed one leaves the log live, which the next Open
    // handles); a live generation is remembered for the next Open in this process. True when one was.
    bool Leave(FileIo& file, bool checkpoint, bool clean);
    // Closes the log file; Resume opens it again.
    void Close() { log_.reset(); }
    // True when the log is exactly as Leave left it; it is then open for appending again.
    Result<bool> Resume();

  private:
    struct Known;
    // The log file as found beside the database: none (file null), or open with its size and head.
    struct Found {
        std::unique_ptr<FileIo> file;
        uint64_t size = 0;
        std::vector<uint8_t> head;
    };
    Result<Found> Find(OpenMode mode);
    Result<std::optional<Known>> KnownState(FileIo& log, uint64_t logSize, const LogSlot& slot);
    Status Judge(FileIo& file, std::unique_ptr<FileIo> log, uint64_t logSize, const LogSlot& slot);
    Status SetAside();
    Status Retire(FileIo& log, bool cutBack);
    Status Grow(FileIo& log, uint64_t needed);
    Status SyncIfDurable(FileIo& file) { return durable_ ? file.Sync() : Status::Ok(); }

    FileSystem& fs_;
    const std::string logPath_;
    bool durable_;
    bool writable_ = false;
    std::unique_ptr<FileIo> log_;          // the writer's log file once found, or created and its name synced
    bool generationOpen_ = false;          // live_ describes a generation that frames can be appended to
    LogSlot live_;                         // the generation: salt, and end, chain, sequence of its last commit
    std::unordered_set<uint32_t> imaged_;  // pages with a frame in the generation

    std::unique_ptr<FileIo> pendingLog_;  // the log the pending pages are read from
    std::optional<LogIndex> pending_;
    uint64_t pendingSequence_ = 0;
};

}  // namespace jet
