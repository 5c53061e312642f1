// Pager: the page cache, transactions and the redo log of one connection.
//
// Commit, durable, in this order:
//   1. the new bytes of every page the transaction changed or appended go to the end of
//      "<path>-journal" as checksum-chained frames (the first commit of a generation writes the
//      generation's slot, with its salt, in the same write); one Sync (plus a folder sync when the
//      log file had to be created): the transaction is durable;
//   2. the same pages into the database file, without a sync.
// So a commit costs one sync, of one contiguous write. The file's own writes become durable at the
// next checkpoint: when the generation's frames pass kCheckpointBytes, the next commit first syncs
// the database file, zeroes the slot and syncs the log, then starts a new generation (new salt) at
// the front of the log. A checkpoint costs two syncs, once per many commits.
//
// Open reads the slot. A zeroed slot: nothing is pending. Otherwise, when this process left the log
// as it is now (it remembers the generation, its end and chain, and no frame continues the chain
// there), the file already holds every logged transaction. Any other live log (left by a crash, a
// power cut, or another process) is played forward: every whole transaction whose frames validate
// is written into the file, the file synced and the log retired. Playing a transaction the file
// already holds changes nothing. A reader must not write: it reads through the played pages instead.
//
// A Pager closed by Suspend keeps its cache. Resume takes it up again only when its generation is
// still the log's, unchanged, and the file's identity (size, change time) is what Suspend saw: then
// nobody has written since, for any other writer of this engine plays the log forward and retires it
// first, and any other program's write moves the file's change time.
//
// A journal of the earlier rollback format ("KJRNL", version 2) left by a crash is still played back
// once and then removed.

#include "jet/pages/pager.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "jet/pages/journal.h"
#include "jet/pages/redo_log.h"

namespace jet {
namespace {

using PageBuffer = std::unique_ptr<uint8_t[]>;

PageBuffer NewPage() {
    return PageBuffer(new uint8_t[kPageSize]());
}

enum class State { Reading, Writing, Failed, Suspended };

// A generation of the log is checkpointed before its frames grow past this: it bounds the log file
// and a replay.
constexpr uint64_t kCheckpointBytes = uint64_t(4) << 20;
// The log file grows in zero-filled steps ahead of its frames: a commit then overwrites bytes inside
// the file, which changes no metadata, so its sync stays a flush of data (appending would make every
// sync a file-system journal commit as well). A step is the file's size, between these bounds, so a
// log cut back at a close costs little to start again.
constexpr uint64_t kLogGrowthMin = uint64_t(64) << 10;
constexpr uint64_t kLogGrowth = uint64_t(1) << 20;
// A log longer than this is cut back at a checkpoint, so that one big transaction does not leave
// megabytes beside the file.
constexpr uint64_t kKeptLogBytes = kLogFramesStart + kCheckpointBytes + kLogGrowth + 64 * kLogFrameSize;

// What this process last left in each log it wrote or played: the generation, and the end and chain
// value of its last frame, after which the file held every logged transaction. A later open in the
// same process that finds the same generation, with no frame continuing it, needs no replay: the
// file's writes since could be lost only with the process itself (or, for the twins, their epoch).
class KnownLogs {
  public:
    // Never destroyed: a Pager closed while the process ends still finds it.
    static KnownLogs& Instance() {
        static auto* known = new KnownLogs;
        return *known;
    }
    struct Live {
        LogSlot slot;                       // the generation's salt; end, chain of its last commit
        std::unordered_set<uint32_t> imaged;  // pages with a frame in the generation
    };
    void Remember(const FileSystem& fs, const std::string& path, Live live) {
        std::lock_guard<std::mutex> lock(mutex_);
        known_[fs.KeyOf(path)] = std::move(live);
    }
    void Forget(const FileSystem& fs, const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        known_.erase(fs.KeyOf(path));
    }
    // The generation's state as this process left it, if the salt is the one it left; the opener
    // owns it until it closes (and remembers it again).
    std::optional<Live> Take(const FileSystem& fs, const std::string& path, uint64_t salt) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = known_.find(fs.KeyOf(path));
        if (found == known_.end()) return std::nullopt;
        std::optional<Live> live;
        if (found->second.slot.salt == salt) live = std::move(found->second);
        known_.erase(found);
        return live;
    }

  private:
    std::mutex mutex_;
    std::map<FileSystem::FileKey, Live> known_;
};

bool AllZero(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// Only the slot's own bytes: the rest of its block is zero, and frames start further on.
Result<std::vector<uint8_t>> ReadLogHead(FileIo& log, uint64_t logSize) {
    std::vector<uint8_t> head(size_t(std::min<uint64_t>(logSize, kLogSlotBytes)));
    KESTRIN_TRY(log.Read(0, head.data(), head.size()));
    return head;
}

// The generation a log's head announces, if it is valid (and the log long enough to hold frames).
std::optional<LogSlot> SlotOf(const std::vector<uint8_t>& head, uint64_t logSize) {
    if (logSize < kLogFramesStart || head.size() < kLogSlotBytes) return std::nullopt;
    return DecodeLogSlot(head.data());
}

}  // namespace

class Pager::Impl {
  public:
    Impl(FileSystem& fs, std::string path, Options options)
        : fs_(fs), path_(std::move(path)), logPath_(path_ + "-journal"), options_(options) {}

    ~Impl() {
        if (state_ != State::Suspended) (void)LeaveLog();
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    Status Open();

    uint32_t PageCount() const { return pageCount_; }
    const std::string& Path() const { return path_; }
    void SetLoadTransform(std::function<void(PageNo, uint8_t*)> transform);
    Result<const uint8_t*> Read(PageNo page);
    void MarkChecked(PageNo page, uint8_t kind);
    bool IsChecked(PageNo page, uint8_t kind) const;
    Status Begin();
    bool InTransaction() const { return state_ == State::Writing; }
    Result<uint8_t*> Write(PageNo page);
    Result<PageNo> Append();
    Status Commit();
    void Rollback();
    Status CheckpointNow();
    bool Suspend();
    Result<bool> Resume(Options options);

  private:
    bool LeaveLog();
    Status OpenFile();
    Status CheckLog();
    Result<std::optional<KnownLogs::Live>> KnownState(FileIo& log, uint64_t logSize, const LogSlot& slot);
    Status PlayForward(std::unique_ptr<FileIo> log, uint64_t logSize, const LogSlot& slot);
    Status CheckRollbackJournal(FileIo& journal, uint64_t size);
    Result<bool> HoldsAfterImage(const DecodedJournal& journal);
    Status PlayBack(const DecodedJournal& journal);
    Status RetireLog(FileIo& log, bool cutBack);
    Status RemoveLog();
    Status ReadFileSize();
    Status LoadPage(uint32_t index, uint8_t* into);
    Result<uint8_t*> CachedPage(uint32_t index);
    Status AppendToLog(std::vector<LogPage> pages);
    Status Checkpoint(bool cutBack = false);
    Status GrowLog(FileIo& log, uint64_t needed);
    Status WritePages(const std::vector<LogPage>& pages);
    Status SyncIfDurable(FileIo& file);
    Status Error(ErrorCode code, const std::string& message) const { return Status(code, path_ + ": " + message); }
    void CheckState() const;

    FileSystem& fs_;
    const std::string path_;
    const std::string logPath_;
    Options options_;
    std::unique_ptr<FileIo> file_;
    State state_ = State::Reading;
    bool writable_ = false;
    uint32_t filePageCount_ = 0;                      // pages in the file as last committed
    uint32_t pageCount_ = 0;                          // filePageCount_ + pages appended by the transaction
    std::unordered_map<uint32_t, PageBuffer> cache_;  // every page touched; buffers never move or die
    std::map<uint32_t, PageBuffer> originals_;        // file pages changed in this transaction: before-bytes
    std::unordered_map<uint32_t, uint8_t> checked_;   // check marks of cached pages, by kind

    // A reader's view of pages a crash left only in the log (or, for an old rollback journal, the
    // original bytes): page -> bytes, and the page count they make.
    std::optional<uint32_t> overlayPageCount_;
    std::map<uint32_t, std::vector<uint8_t>> overlayPages_;

    std::unique_ptr<FileIo> log_;  // the writer's log file once found, or created and its name synced
    bool generationOpen_ = false;  // live_ describes a generation that frames can be appended to
    LogSlot live_;                 // the generation: salt, and end, chain, sequence of its last commit
    std::unordered_set<uint32_t> imaged_;  // pages with a frame in the generation
    std::function<void(PageNo, uint8_t*)> transform_;

    std::optional<FileIdentity> identity_;  // the file as Suspend left it, when it can be resumed
};

Status Pager::Impl::Open() {
    KESTRIN_TRY(OpenFile());
    KESTRIN_TRY(CheckLog());
    KESTRIN_TRY(ReadFileSize());
    CheckState();
    return Status::Ok();
}

// CreateOrTruncate does not use the file system's truncating open: that would empty a database that
// another connection is using before we learn it is locked.
Status Pager::Impl::OpenFile() {
    OpenMode mode = options_.mode;
    writable_ = mode != OpenMode::ReadOnly;
    auto file = fs_.Open(path_, mode == OpenMode::CreateOrTruncate ? OpenMode::ReadWrite : mode);
    if (!file.ok() && file.code() == ErrorCode::NotFound && mode == OpenMode::CreateOrTruncate) {
        file = fs_.Open(path_, OpenMode::CreateNew);
    }
    KESTRIN_TRY(file);
    file_ = std::move(file).value();
    KESTRIN_TRY(file_->Lock(writable_ ? LockMode::Exclusive : LockMode::Shared));
    if (mode == OpenMode::CreateNew || mode == OpenMode::CreateOrTruncate) {
        // A log left beside a file of the same name belongs to that older file.
        auto exists = fs_.Exists(logPath_);
        KESTRIN_TRY(exists);
        if (*exists) KESTRIN_TRY(RemoveLog());
        if (mode == OpenMode::CreateOrTruncate) KESTRIN_TRY(file_->Truncate(0));
    }
    return Status::Ok();
}

// A log whose slot is zero is retired: a writer keeps it for its next commit. One whose slot is
// neither zero nor valid was never synced (or is no log of ours): the file was never written after
// it, so a writer removes it and a reader ignores it.
Status Pager::Impl::CheckLog() {
    if (options_.mode != OpenMode::ReadOnly && options_.mode != OpenMode::ReadWrite) return Status::Ok();
    auto file = fs_.Open(logPath_, writable_ ? OpenMode::ReadWrite : OpenMode::ReadOnly);
    if (!file.ok() && file.code() == ErrorCode::NotFound) return Status::Ok();
    KESTRIN_TRY(file);
    auto size = (*file)->Size();
    KESTRIN_TRY(size);
    auto head = ReadLogHead(**file, *size);
    KESTRIN_TRY(head);
    if (IsRollbackJournal(head->data(), head->size())) return CheckRollbackJournal(**file, *size);

    std::optional<LogSlot> slot = SlotOf(*head, *size);
    if (!slot) {
        bool retired = head->size() >= kJournalHeaderSize && AllZero(head->data(), head->size());
        if (!writable_) return Status::Ok();
        if (!retired) return RemoveLog();
        log_ = std::move(*file);
        return Status::Ok();
    }
    auto known = KnownState(**file, *size, *slot);
    KESTRIN_TRY(known);
    if (!*known) return PlayForward(std::move(*file), *size, *slot);
    if (!writable_) {
        // A reader leaves the log as it found it: the next writer of this process still knows it.
        KnownLogs::Instance().Remember(fs_, logPath_, std::move(**known));
        return Status::Ok();
    }
    log_ = std::move(*file);
    generationOpen_ = true;
    live_ = (*known)->slot;
    imaged_ = std::move((*known)->imaged);
    return Status::Ok();
}

// The log as this process left it: the generation it remembers, with no valid frame after the end
// it remembers (another process may have committed more).
Result<std::optional<KnownLogs::Live>> Pager::Impl::KnownState(FileIo& log, uint64_t logSize, const LogSlot& slot) {
    using Known = std::optional<KnownLogs::Live>;
    Known known = KnownLogs::Instance().Take(fs_, logPath_, slot.salt);
    if (!known || known->slot.end > logSize) return Known();
    std::vector<uint8_t> next(size_t(std::min<uint64_t>(logSize - known->slot.end, kLogFrameSize)));
    KESTRIN_TRY(log.Read(known->slot.end, next.data(), next.size()));
    if (ContinuesLogChain(known->slot.chain, next.data(), next.size())) return Known();
    return known;
}

// Every whole transaction of the slot's generation whose frames validate, in order, is played.
Status Pager::Impl::PlayForward(std::unique_ptr<FileIo> log, uint64_t logSize, const LogSlot& slot) {
    // A generation holds at most kCheckpointBytes of frames before its last transaction, which
    // holds at most one frame per page of the file it made.
    uint64_t longest = kKeptLogBytes + (uint64_t(slot.pageCount) + 1) * kLogFrameSize;
    uint64_t end = std::min(logSize, longest);
    std::vector<uint8_t> frames(size_t(end - std::min(end, kLogFramesStart)));
    KESTRIN_TRY(log->Read(kLogFramesStart, frames.data(), frames.size()));
    ReplayedLog replayed = ReplayLog(slot.salt, frames);
    // The file never shrinks, and its writes follow the log's: a file longer than the log's last
    // transaction made it is not the one the log was written for, and is left alone.
    auto fileSize = file_->Size();
    KESTRIN_TRY(fileSize);
    if (*fileSize > uint64_t(replayed.pageCount) * kPageSize) replayed.commits = 0;
    if (!writable_) {
        if (replayed.commits == 0) return Status::Ok();
        overlayPageCount_ = replayed.pageCount;
        overlayPages_ = std::move(replayed.pages);
        return Status::Ok();
    }
    if (replayed.commits > 0) {
        for (const auto& [index, bytes] : replayed.pages) {
            KESTRIN_TRY(file_->Write(ByteOffset(PageNo{index}), bytes.data(), kPageSize));
        }
        uint64_t expected = uint64_t(replayed.pageCount) * kPageSize;
        if (*fileSize < expected) KESTRIN_TRY(file_->Truncate(expected));
    }
    KESTRIN_TRY(SyncIfDurable(*file_));
    KESTRIN_TRY(RetireLog(*log, true));
    log_ = std::move(log);
    live_.sequence = slot.sequence;
    return Status::Ok();
}

// The rollback journal of the earlier format: a valid one whose transaction did not land is played
// back (a writer) or read through (a reader); a writer then removes it, whatever it held.
Status Pager::Impl::CheckRollbackJournal(FileIo& journalFile, uint64_t size) {
    std::optional<DecodedJournal> journal;
    if (size >= kJournalHeaderSize) {
        uint8_t header[kJournalHeaderSize];
        KESTRIN_TRY(journalFile.Read(0, header, sizeof header));
        std::optional<uint64_t> length = AnnouncedJournalLength(header);
        // At most one record per page of the file and one checksum per page a Jet file can append.
        auto fileSize = file_->Size();
        KESTRIN_TRY(fileSize);
        constexpr uint64_t kMaxAppendedPages = (uint64_t(2) << 30) / kPageSize;
        uint64_t longest = kJournalHeaderSize + 8 + (*fileSize / kPageSize) * kJournalRecordSize + kMaxAppendedPages * 8;
        if (length && *length <= size && *length <= longest) {
            std::vector<uint8_t> bytes(static_cast<size_t>(*length));
            KESTRIN_TRY(journalFile.Read(0, bytes.data(), bytes.size()));
            journal = DecodeJournal(std::move(bytes));
        }
    }
    bool landed = false;
    if (journal) {
        auto holdsAfterImage = HoldsAfterImage(*journal);
        KESTRIN_TRY(holdsAfterImage);
        landed = *holdsAfterImage;
    }
    if (!writable_) {
        if (journal && !landed) {
            overlayPageCount_ = journal->originalPageCount;
            for (const auto& record : journal->records) {
                const uint8_t* before = journal->bytes.data() + record.beforeOffset;
                overlayPages_[ToIndex(record.page)].assign(before, before + kPageSize);
            }
        }
        return Status::Ok();
    }
    if (journal) KESTRIN_TRY(landed ? file_->Sync() : PlayBack(*journal));
    return RemoveLog();
}

Result<bool> Pager::Impl::HoldsAfterImage(const DecodedJournal& journal) {
    auto size = file_->Size();
    KESTRIN_TRY(size);
    if (*size != uint64_t(journal.newPageCount) * kPageSize) return false;
    PageBuffer page = NewPage();
    for (const auto& record : journal.records) {
        KESTRIN_TRY(file_->Read(ByteOffset(record.page), page.get(), kPageSize));
        if (PageChecksum(page.get()) != record.afterChecksum) return false;
    }
    for (size_t i = 0; i < journal.appendedChecksums.size(); ++i) {
        KESTRIN_TRY(file_->Read(ByteOffset(PageNo{uint32_t(journal.originalPageCount + i)}), page.get(), kPageSize));
        if (PageChecksum(page.get()) != journal.appendedChecksums[i]) return false;
    }
    return true;
}

Status Pager::Impl::PlayBack(const DecodedJournal& journal) {
    for (const auto& record : journal.records) {
        KESTRIN_TRY(file_->Write(ByteOffset(record.page), journal.bytes.data() + record.beforeOffset, kPageSize));
    }
    KESTRIN_TRY(file_->Truncate(uint64_t(journal.originalPageCount) * kPageSize));
    return file_->Sync();
}

Status Pager::Impl::RemoveLog() {
    log_.reset();
    generationOpen_ = false;
    Status removed = fs_.Remove(logPath_);
    if (!removed.ok() && removed.code() != ErrorCode::NotFound) return removed;
    return fs_.SyncFolderOf(logPath_);
}

// Zeroes the slot and makes that durable: frames of the next generation overwrite this one's,
// which must never again be taken for committed transactions.
// `cutBack`: the log is cut back to its front whatever its size (when it may stay unused a while).
Status Pager::Impl::RetireLog(FileIo& log, bool cutBack) {
    std::vector<uint8_t> zeros(kLogFramesStart);
    KESTRIN_TRY(log.Write(0, zeros.data(), zeros.size()));
    auto size = log.Size();
    KESTRIN_TRY(size);
    if (*size > (cutBack ? kLogFramesStart : kKeptLogBytes)) KESTRIN_TRY(log.Truncate(kLogFramesStart));
    generationOpen_ = false;
    return SyncIfDurable(log);
}

Status Pager::Impl::ReadFileSize() {
    uint64_t size;
    if (overlayPageCount_) {
        size = uint64_t(*overlayPageCount_) * kPageSize;
    } else {
        auto fileSize = file_->Size();
        KESTRIN_TRY(fileSize);
        size = *fileSize;
    }
    if (size % kPageSize != 0) {
        return Error(ErrorCode::Corrupt, "file size " + std::to_string(size) + " is not a whole number of pages");
    }
    if (size / kPageSize > UINT32_MAX) return Error(ErrorCode::TooLarge, "file too large");
    filePageCount_ = pageCount_ = uint32_t(size / kPageSize);
    return Status::Ok();
}

Status Pager::Impl::LoadPage(uint32_t index, uint8_t* into) {
    auto overlaid = overlayPages_.find(index);
    if (overlaid != overlayPages_.end()) {
        std::memcpy(into, overlaid->second.data(), kPageSize);
    } else {
        KESTRIN_TRY(file_->Read(ByteOffset(PageNo{index}), into, kPageSize));
    }
    if (transform_ && index != 0) transform_(PageNo{index}, into);
    return Status::Ok();
}

void Pager::Impl::SetLoadTransform(std::function<void(PageNo, uint8_t*)> transform) {
    transform_ = std::move(transform);
    checked_.clear();
    // Pages already cached were loaded without this transform: load them again, in place, so
    // their pointers stay valid (pages changed by an open transaction keep the changes). A page that
    // fails to load keeps its old bytes; the format layer checks every page it reads anyway.
    for (auto& [index, buffer] : cache_) {
        bool changed = originals_.count(index) != 0;
        if (index != 0 && index < filePageCount_ && !changed) (void)LoadPage(index, buffer.get());
    }
}

Result<uint8_t*> Pager::Impl::CachedPage(uint32_t index) {
    if (state_ == State::Failed) return Error(ErrorCode::Io, "an earlier commit failed; reopen the database");
    if (state_ == State::Suspended) return Error(ErrorCode::InvalidArgument, "the database is closed");
    if (index >= pageCount_) {
        return Error(ErrorCode::Corrupt,
                     "page " + std::to_string(index) + " is past the end (" + std::to_string(pageCount_) + " pages)");
    }
    auto found = cache_.find(index);
    if (found != cache_.end()) return found->second.get();
    PageBuffer buffer = NewPage();
    KESTRIN_TRY(LoadPage(index, buffer.get()));
    return cache_.emplace(index, std::move(buffer)).first->second.get();
}

Result<const uint8_t*> Pager::Impl::Read(PageNo page) {
    auto buffer = CachedPage(ToIndex(page));
    KESTRIN_TRY(buffer);
    return static_cast<const uint8_t*>(*buffer);
}

void Pager::Impl::MarkChecked(PageNo page, uint8_t kind) {
    uint32_t index = ToIndex(page);
    bool changing = state_ == State::Writing && (index >= filePageCount_ || originals_.count(index) != 0);
    if (!changing && cache_.count(index) != 0) checked_[index] = kind;
}

bool Pager::Impl::IsChecked(PageNo page, uint8_t kind) const {
    auto found = checked_.find(ToIndex(page));
    return kind != 0 && found != checked_.end() && found->second == kind;
}

Status Pager::Impl::Begin() {
    if (!writable_) return Error(ErrorCode::InvalidArgument, "opened read-only");
    if (transform_) return Error(ErrorCode::Unsupported, "encrypted databases are read-only");
    if (state_ == State::Failed) return Error(ErrorCode::Io, "an earlier commit failed; reopen the database");
    if (state_ == State::Writing) return Error(ErrorCode::InvalidArgument, "a transaction is already open");
    if (state_ == State::Suspended) return Error(ErrorCode::InvalidArgument, "the database is closed");
    state_ = State::Writing;
    return Status::Ok();
}

Result<uint8_t*> Pager::Impl::Write(PageNo page) {
    if (state_ != State::Writing) return Error(ErrorCode::InvalidArgument, "Write outside a transaction");
    uint32_t index = ToIndex(page);
    auto buffer = CachedPage(index);
    KESTRIN_TRY(buffer);
    checked_.erase(index);
    if (index < filePageCount_ && originals_.find(index) == originals_.end()) {
        PageBuffer original = NewPage();
        std::memcpy(original.get(), *buffer, kPageSize);
        originals_.emplace(index, std::move(original));
    }
    return *buffer;
}

Result<PageNo> Pager::Impl::Append() {
    if (state_ != State::Writing) return Error(ErrorCode::InvalidArgument, "Append outside a transaction");
    if (pageCount_ == UINT32_MAX) return Error(ErrorCode::TooLarge, "no page numbers left");
    uint32_t index = pageCount_;
    checked_.erase(index);
    PageBuffer& buffer = cache_[index];  // a page appended by a rolled-back transaction is reused
    if (!buffer) buffer = NewPage();
    std::memset(buffer.get(), 0, kPageSize);
    ++pageCount_;
    return PageNo{index};
}

Status Pager::Impl::Commit() {
    if (state_ != State::Writing) return Error(ErrorCode::InvalidArgument, "Commit outside a transaction");
    // Only pages whose bytes changed are logged and written: a transaction that changed nothing costs
    // nothing, and every logged transaction changes a page (which Open relies on).
    std::vector<LogPage> pages;
    for (const auto& [index, before] : originals_) {
        const uint8_t* after = cache_.at(index).get();
        if (std::memcmp(after, before.get(), kPageSize) != 0) pages.push_back({index, after, before.get()});
    }
    for (uint32_t index = filePageCount_; index < pageCount_; ++index) {
        pages.push_back({index, cache_.at(index).get(), nullptr});
    }
    if (!pages.empty()) {
        state_ = State::Failed;  // until every step has succeeded
        KESTRIN_TRY(AppendToLog(pages));
        KESTRIN_TRY(WritePages(pages));
    }
    originals_.clear();
    filePageCount_ = pageCount_;
    state_ = State::Reading;
    CheckState();
    return Status::Ok();
}

// Appends the transaction's frames (after the generation's slot, for its first commit, in the same
// write); the log's sync is the commit point. A generation past its bound is checkpointed first.
Status Pager::Impl::AppendToLog(std::vector<LogPage> pages) {
    if (generationOpen_ && live_.end - kLogFramesStart + pages.size() * kLogFrameSize > kCheckpointBytes) {
        KESTRIN_TRY(Checkpoint());
    }
    LogSlot next = live_;
    std::vector<uint8_t> bytes;
    uint64_t writeAt = live_.end;
    if (!generationOpen_) {
        next.salt = NewJournalSalt();
        next.end = kLogFramesStart;
        next.chain = LogChainStart(next.salt);
        next.pageCount = pageCount_;
        bytes = EncodeLogSlot(next);
        bytes.resize(kLogFramesStart);  // and the reserved block after it, zero
        writeAt = 0;
        imaged_.clear();
    }
    // A page's frame may carry only its changes once the generation holds its bytes.
    for (LogPage& page : pages) {
        if (imaged_.count(page.page) == 0) page.before = nullptr;
    }
    bytes.reserve(bytes.size() + pages.size() * kLogFrameSize);
    next.chain = EncodeLogFrames(next.chain, pages, pageCount_, bytes);
    next.end = writeAt + bytes.size();
    next.sequence += 1;
    next.pageCount = pageCount_;

    // A log this commit creates is kept (log_) only once its name is synced too; a failure before
    // leaves the Pager Failed anyway.
    std::unique_ptr<FileIo> created;
    if (!log_) {
        auto log = fs_.Open(logPath_, OpenMode::CreateOrTruncate);
        KESTRIN_TRY(log);
        created = std::move(*log);
    }
    FileIo& log = log_ ? *log_ : *created;
    KESTRIN_TRY(GrowLog(log, writeAt + bytes.size()));
    KESTRIN_TRY(log.Write(writeAt, bytes.data(), bytes.size()));
    KESTRIN_TRY(SyncIfDurable(log));
    if (created) {
        if (options_.syncOnCommit) KESTRIN_TRY(fs_.SyncFolderOf(logPath_));
        log_ = std::move(created);
    }
    generationOpen_ = true;
    live_ = std::move(next);
    for (const LogPage& page : pages) imaged_.insert(page.page);
    return Status::Ok();
}

// What closing does to the log: a checkpoint when the options ask for one (a failed checkpoint
// leaves the log live, which the next Open handles like any other); a generation left live is
// remembered for the next Open in this process. True when one was.
bool Pager::Impl::LeaveLog() {
    if (!writable_ || !log_) return false;
    if (options_.checkpointOnClose && state_ == State::Reading && generationOpen_) (void)Checkpoint(true);
    if (state_ == State::Reading && generationOpen_) {
        KnownLogs::Instance().Remember(fs_, logPath_, {live_, std::move(imaged_)});
        return true;
    }
    KnownLogs::Instance().Forget(fs_, logPath_);
    return false;
}

// A cache larger than this is not kept past a close.
constexpr size_t kMaxSuspendedPages = 2048;

bool Pager::Impl::Suspend() {
    if (state_ == State::Suspended) return identity_.has_value();
    std::optional<FileIdentity> identity;
    if (!options_.checkpointOnClose && cache_.size() <= kMaxSuspendedPages) {
        auto read = file_->Identity();  // after the last write to the file
        if (read.ok()) identity = *read;
    }
    bool remembered = LeaveLog();
    log_.reset();
    file_.reset();  // and with it the lock
    state_ = State::Suspended;
    if (remembered) identity_ = identity;
    return identity_.has_value();
}

// The cache is current only if nobody wrote to the file, and the log holds the generation this
// Pager left, with nothing after it (another writer of this engine would have played it into the
// file and retired it first).
Result<bool> Pager::Impl::Resume(Options options) {
    if (state_ != State::Suspended) return Error(ErrorCode::InvalidArgument, "Resume of a Pager that is open");
    if (!identity_) return false;
    auto file = fs_.Open(path_, OpenMode::ReadWrite);
    KESTRIN_TRY(file);
    KESTRIN_TRY((*file)->Lock(LockMode::Exclusive));
    auto identity = (*file)->Identity();
    if (!identity.ok() || *identity != *identity_) return false;
    auto log = fs_.Open(logPath_, OpenMode::ReadWrite);
    if (!log.ok() && log.code() == ErrorCode::NotFound) return false;
    KESTRIN_TRY(log);
    auto logSize = (*log)->Size();
    KESTRIN_TRY(logSize);
    auto head = ReadLogHead(**log, *logSize);
    KESTRIN_TRY(head);
    std::optional<LogSlot> slot = SlotOf(*head, *logSize);
    if (!slot || slot->salt != live_.salt) return false;
    auto known = KnownState(**log, *logSize, *slot);
    KESTRIN_TRY(known);
    if (!*known || (*known)->slot.end != live_.end || (*known)->slot.chain != live_.chain) return false;
    file_ = std::move(*file);
    log_ = std::move(*log);
    imaged_ = std::move((*known)->imaged);
    generationOpen_ = true;
    options_ = options;
    state_ = State::Reading;
    identity_.reset();
    return true;
}

Status Pager::Impl::CheckpointNow() {
    if (state_ != State::Reading) return Error(ErrorCode::InvalidArgument, "Checkpoint inside a transaction or after a failed commit");
    return generationOpen_ ? Checkpoint(true) : Status::Ok();
}

Status Pager::Impl::GrowLog(FileIo& log, uint64_t needed) {
    auto size = log.Size();
    KESTRIN_TRY(size);
    if (needed <= *size) return Status::Ok();
    const std::vector<uint8_t> zeros(64 * 1024);
    uint64_t step = std::clamp(*size, kLogGrowthMin, kLogGrowth);
    for (uint64_t at = *size, end = needed + step; at < end; at += zeros.size()) {
        KESTRIN_TRY(log.Write(at, zeros.data(), size_t(std::min<uint64_t>(zeros.size(), end - at))));
    }
    return Status::Ok();
}

// Makes the file hold every logged transaction durably, then retires the log's generation.
Status Pager::Impl::Checkpoint(bool cutBack) {
    KESTRIN_TRY(SyncIfDurable(*file_));
    return RetireLog(*log_, cutBack);
}

Status Pager::Impl::WritePages(const std::vector<LogPage>& pages) {
    for (const LogPage& page : pages) KESTRIN_TRY(file_->Write(ByteOffset(PageNo{page.page}), page.bytes, kPageSize));
    return Status::Ok();
}

Status Pager::Impl::SyncIfDurable(FileIo& file) {
    return options_.syncOnCommit ? file.Sync() : Status::Ok();
}

void Pager::Impl::Rollback() {
    if (state_ != State::Writing) return;
    for (auto& [index, original] : originals_) {
        std::memcpy(cache_.at(index).get(), original.get(), kPageSize);
        checked_.erase(index);
    }
    originals_.clear();
    pageCount_ = filePageCount_;
    state_ = State::Reading;
    CheckState();
}

void Pager::Impl::CheckState() const {
#ifndef NDEBUG
    assert(pageCount_ >= filePageCount_);
    if (state_ == State::Reading) assert(originals_.empty() && pageCount_ == filePageCount_);
    for (const auto& [index, original] : originals_) assert(index < filePageCount_ && cache_.count(index));
    assert(!(writable_ && overlayPageCount_));
#endif
}

Result<std::unique_ptr<Pager>> Pager::Open(FileSystem& fs, const std::string& path, Options options) {
    auto impl = std::make_unique<Impl>(fs, path, options);
    KESTRIN_TRY(impl->Open());
    return std::unique_ptr<Pager>(new Pager(std::move(impl)));
}

Pager::Pager(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Pager::~Pager() = default;

uint32_t Pager::PageCount() const {
    return impl_->PageCount();
}
const std::string& Pager::Path() const {
    return impl_->Path();
}
void Pager::SetLoadTransform(std::function<void(PageNo, uint8_t*)> transform) {
    impl_->SetLoadTransform(std::move(transform));
}
Result<const uint8_t*> Pager::Read(PageNo page) {
    return impl_->Read(page);
}
void Pager::MarkChecked(PageNo page, uint8_t kind) {
    impl_->MarkChecked(page, kind);
}
bool Pager::IsChecked(PageNo page, uint8_t kind) const {
    return impl_->IsChecked(page, kind);
}
Status Pager::Begin() {
    return impl_->Begin();
}
bool Pager::InTransaction() const {
    return impl_->InTransaction();
}
Result<uint8_t*> Pager::Write(PageNo page) {
    return impl_->Write(page);
}
Result<PageNo> Pager::Append() {
    return impl_->Append();
}
Status Pager::Commit() {
    return impl_->Commit();
}
void Pager::Rollback() {
    impl_->Rollback();
}
Status Pager::Checkpoint() {
    return impl_->CheckpointNow();
}
bool Pager::Suspend() {
    return impl_->Suspend();
}
Result<bool> Pager::Resume(Options options) {
    return impl_->Resume(options);
}

}  // namespace jet
