#include "jet/pages/redo_log_file.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace jet {
namespace {

// The log file grows in zero-filled steps ahead of its frames: a commit then overwrites bytes inside
// the file, which changes no metadata, so its sync stays a flush of data (appending would make every
// sync a file-system journal commit as well). A step is the file's size, between these bounds, so a
// log cut back at a close costs little to start again.
constexpr uint64_t kLogGrowthMin = uint64_t(64) << 10;
constexpr uint64_t kLogGrowth = uint64_t(1) << 20;
// A log longer than this is cut back at a checkpoint, so that one big transaction does not leave
// megabytes beside the file.
constexpr uint64_t kKeptLogBytes = kLogFramesStart + kLogGenerationBytes + kLogGrowth + 64 * kLogFrameSize;
// Names tried for a log set aside, "<log>.unplayed-1" on.
constexpr int kSetAsideNames = 1000;

bool AllZero(const std::vector<uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

// Only the slot's own bytes: the rest of its block is zero, and frames start further on.
Result<std::vector<uint8_t>> ReadHead(FileIo& log, uint64_t logSize) {
    std::vector<uint8_t> head(size_t(std::min<uint64_t>(logSize, kLogSlotBytes)));
    KESTRIN_TRY(log.Read(0, head.data(), head.size()));
    return head;
}

// The generation a log's head announces, if it is valid (and the log long enough to hold frames).
std::optional<LogSlot> SlotOf(const std::vector<uint8_t>& head, uint64_t logSize) {
    if (logSize < kLogFramesStart || head.size() < kLogSlotBytes) return std::nullopt;
    return DecodeLogSlot(head.data());
}

LogReader ReaderOf(FileIo& log) {
    return [&log](uint64_t offset, uint8_t* into, size_t size) { return log.Read(offset, into, size); };
}

// The sum of PageHash over the file's first `pages` pages; a page the index holds counts with the
// hash its first frame names (the file's bytes there may be any the generation wrote, or torn).
Result<uint64_t> FileDigest(FileIo& file, uint32_t pages, const LogIndex* index) {
    constexpr uint32_t kChunk = 16;
    std::vector<uint8_t> bytes(kChunk * kPageSize);
    uint64_t digest = 0;
    for (uint32_t first = 0; first < pages; first += kChunk) {
        uint32_t count = std::min(kChunk, pages - first);
        KESTRIN_TRY(file.Read(ByteOffset(PageNo{first}), bytes.data(), count * kPageSize));
        for (uint32_t i = 0; i < count; ++i) {
            const LogIndex::Page* logged = nullptr;
            if (index) {
                auto found = index->pages.find(first + i);
                if (found != index->pages.end()) logged = &found->second;
            }
            digest += logged ? logged->baseHash : PageHash(first + i, &bytes[i * kPageSize]);
        }
    }
    return digest;
}

// Whether `file` is the state the generation began from, changed only in pages its whole
// transactions rewrite, and no longer than they made it.
Result<bool> BelongsTo(FileIo& file, const LogSlot& slot, const LogIndex& index) {
    auto size = file.Size();
    KESTRIN_TRY(size);
    if (*size < uint64_t(slot.basePages) * kPageSize || *size > uint64_t(index.pageCount) * kPageSize) return false;
    auto digest = FileDigest(file, slot.basePages, &index);
    KESTRIN_TRY(digest);
    return *digest == slot.baseDigest;
}

}  // namespace

struct RedoLog::Known {
    LogSlot slot;                         // the generation's salt; end, chain of its last commit
    std::unordered_set<uint32_t> imaged;  // pages with a frame in the generation
    FileIdentity file;                    // the database file after its last write then
};

namespace {

// What this process last left in each log it wrote or played: the generation, and the end and chain
// value of its last frame, after which the file held every logged transaction. A later open in the
// same process that finds the same generation, with no frame continuing it, needs no replay: the
// file's writes since could be lost only with the process itself (or, for the twins, their epoch).
template <typename Live>
class KnownLogs {
  public:
    // Never destroyed: a Pager closed while the process ends still finds it.
    static KnownLogs& Instance() {
        static auto* known = new KnownLogs;
        return *known;
    }
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

}  // namespace

RedoLog::RedoLog(FileSystem& fs, const std::string& dbPath, bool durable)
    : fs_(fs), logPath_(dbPath + "-journal"), durable_(durable) {}

RedoLog::~RedoLog() = default;

// A log whose slot is zero is retired: a writer keeps it for its next commit. One whose slot is
// neither zero nor valid was never synced, or is no log of ours: a writer sets it aside.
Result<RedoLog::Found> RedoLog::Find(OpenMode mode) {
    Found found;
    auto opened = fs_.Open(logPath_, mode);
    if (!opened.ok() && opened.code() == ErrorCode::NotFound) return found;
    KESTRIN_TRY(opened);
    auto size = (*opened)->Size();
    KESTRIN_TRY(size);
    auto head = ReadHead(**opened, *size);
    KESTRIN_TRY(head);
    found.file = std::move(*opened);
    found.size = *size;
    found.head = std::move(*head);
    return found;
}

Status RedoLog::Open(FileIo& file, bool writable) {
    writable_ = writable;
    auto found = Find(writable ? OpenMode::ReadWrite : OpenMode::ReadOnly);
    KESTRIN_TRY(found);
    if (!found->file) return Status::Ok();
    std::optional<LogSlot> slot = SlotOf(found->head, found->size);
    if (!slot) {
        if (!writable_) return Status::Ok();
        if (!AllZero(found->head)) return SetAside();
        log_ = std::move(found->file);
        return Status::Ok();
    }
    auto known = KnownState(*found->file, found->size, *slot);
    KESTRIN_TRY(known);
    if (!*known) return Judge(file, std::move(found->file), found->size, *slot);
    if (!writable_) {
        // A reader leaves the log as it found it: the next writer of this process still knows it.
        KnownLogs<Known>::Instance().Remember(fs_, logPath_, std::move(**known));
        return Status::Ok();
    }
    log_ = std::move(found->file);
    generationOpen_ = true;
    live_ = (*known)->slot;
    imaged_ = std::move((*known)->imaged);
    // The file holds every logged transaction, but something else wrote it (or put another in its
    // place) since: the generation's recorded start no longer describes it, so a new one begins.
    auto identity = file.Identity();
    if (!identity.ok() || *identity != (*known)->file) return Checkpoint(file, true);
    return Status::Ok();
}

// The log as this process left it: the generation it remembers, with no valid frame after the end
// it remembers (another process may have committed more).
Result<std::optional<RedoLog::Known>> RedoLog::KnownState(FileIo& log, uint64_t logSize, const LogSlot& slot) {
    std::optional<Known> known = KnownLogs<Known>::Instance().Take(fs_, logPath_, slot.salt);
    if (!known || known->slot.end > logSize) return std::optional<Known>();
    std::vector<uint8_t> next(size_t(std::min<uint64_t>(logSize - known->slot.end, kLogFrameSize)));
    KESTRIN_TRY(log.Read(known->slot.end, next.data(), next.size()));
    if (ContinuesLogChain(known->slot.chain, next.data(), next.size())) return std::optional<Known>();
    return known;
}

// A live log left by a crash, a power cut or another process: pending when it belongs to the file.
Status RedoLog::Judge(FileIo& file, std::unique_ptr<FileIo> log, uint64_t logSize, const LogSlot& slot) {
    auto index = IndexLog(slot, logSize, ReaderOf(*log));
    KESTRIN_TRY(index);
    auto belongs = BelongsTo(file, slot, *index);
    KESTRIN_TRY(belongs);
    if (!*belongs) {
        if (!writable_) return Status::Ok();
        log.reset();
        return SetAside();
    }
    pendingLog_ = std::move(log);
    pending_ = std::move(*index);
    pendingSequence_ = slot.sequence;
    return Status::Ok();
}

Status RedoLog::SetAside() {
    log_.reset();
    generationOpen_ = false;
    KnownLogs<Known>::Instance().Forget(fs_, logPath_);
    for (int n = 1; n <= kSetAsideNames; ++n) {
        std::string name = logPath_ + ".unplayed-" + std::to_string(n);
        auto exists = fs_.Exists(name);
        KESTRIN_TRY(exists);
        if (*exists) continue;
        KESTRIN_TRY(fs_.Rename(logPath_, name));
        return fs_.SyncFolderOf(logPath_);
    }
    return Status(ErrorCode::Io, logPath_ + ": a log that does not belong to this file cannot be set aside: " +
                                     std::to_string(kSetAsideNames) + " are set aside already");
}

Status RedoLog::Discard() {
    writable_ = true;
    auto found = Find(OpenMode::ReadOnly);
    KESTRIN_TRY(found);
    if (!found->file) return Status::Ok();
    found->file.reset();
    if (!AllZero(found->head)) return SetAside();
    KESTRIN_TRY(fs_.Remove(logPath_));
    return fs_.SyncFolderOf(logPath_);
}

Status RedoLog::DiscardBeside(FileSystem& fs, const std::string& dbPath) {
    return RedoLog(fs, dbPath, true).Discard();
}

std::optional<uint32_t> RedoLog::PendingPageCount() const {
    if (!pending_ || pending_->commits == 0) return std::nullopt;
    return pending_->pageCount;
}

bool RedoLog::PendingHolds(uint32_t page) const {
    return pending_ && pending_->pages.count(page) != 0;
}

Status RedoLog::ReadPending(uint32_t page, uint8_t* into) {
    return RebuildPage(pending_->pages.at(page), ReaderOf(*pendingLog_), into);
}

Status RedoLog::PlayPending(FileIo& file) {
    if (pending_->commits > 0) {
        std::vector<uint8_t> page(kPageSize);
        for (const auto& [index, entry] : pending_->pages) {
            KESTRIN_TRY(RebuildPage(entry, ReaderOf(*pendingLog_), page.data()));
            KESTRIN_TRY(file.Write(ByteOffset(PageNo{index}), page.data(), kPageSize));
        }
        auto size = file.Size();
        KESTRIN_TRY(size);
        uint64_t expected = uint64_t(pending_->pageCount) * kPageSize;
        if (*size < expected) KESTRIN_TRY(file.Truncate(expected));
    }
    KESTRIN_TRY(SyncIfDurable(file));
    KESTRIN_TRY(Retire(*pendingLog_, true));
    log_ = std::move(pendingLog_);
    live_.sequence = pendingSequence_;
    pending_.reset();
    return Status::Ok();
}

// Appends the transaction's frames (after the generation's slot, for its first commit, in the same
// write); the log's sync is the commit point. A generation past its bound is checkpointed first.
Status RedoLog::Append(FileIo& file, std::vector<LogPage> pages, uint32_t filePages, uint32_t pageCount) {
    if (generationOpen_ && live_.end - kLogFramesStart + pages.size() * kLogFrameSize > kLogGenerationBytes) {
        KESTRIN_TRY(Checkpoint(file, false));
    }
    LogSlot next = live_;
    std::vector<uint8_t> bytes;
    uint64_t writeAt = live_.end;
    if (!generationOpen_) {
        next.salt = NewLogSalt();
        next.end = kLogFramesStart;
        next.chain = LogChainStart(next.salt);
        next.basePages = filePages;
        auto digest = FileDigest(file, filePages, nullptr);
        KESTRIN_TRY(digest);
        next.baseDigest = *digest;
        bytes = EncodeLogSlot(next);
        bytes.resize(kLogFramesStart);  // and the reserved block after it, zero
        writeAt = 0;
        imaged_.clear();
    }
    // A page's first frame names its hash at the generation's start, and is whole; later ones may
    // carry only its changes.
    for (LogPage& page : pages) {
        if (imaged_.count(page.page) != 0) continue;
        if (page.page < next.basePages && page.before) page.baseHash = PageHash(page.page, page.before);
        page.before = nullptr;
    }
    bytes.reserve(bytes.size() + pages.size() * kLogFrameSize);
    next.chain = EncodeLogFrames(next.chain, pages, pageCount, bytes);
    next.end = writeAt + bytes.size();
    next.sequence += 1;

    // A log this commit creates is kept (log_) only once its name is synced too; a failure before
    // leaves the Pager Failed anyway.
    std::unique_ptr<FileIo> created;
    if (!log_) {
        auto log = fs_.Open(logPath_, OpenMode::CreateOrTruncate);
        KESTRIN_TRY(log);
        created = std::move(*log);
    }
    FileIo& log = log_ ? *log_ : *created;
    KESTRIN_TRY(Grow(log, writeAt + bytes.size()));
    KESTRIN_TRY(log.Write(writeAt, bytes.data(), bytes.size()));
    KESTRIN_TRY(SyncIfDurable(log));
    if (created) {
        if (durable_) KESTRIN_TRY(fs_.SyncFolderOf(logPath_));
        log_ = std::move(created);
    }
    generationOpen_ = true;
    live_ = std::move(next);
    for (const LogPage& page : pages) imaged_.insert(page.page);
    return Status::Ok();
}

Status RedoLog::Grow(FileIo& log, uint64_t needed) {
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
Status RedoLog::Checkpoint(FileIo& file, bool cutBack) {
    KESTRIN_TRY(SyncIfDurable(file));
    return Retire(*log_, cutBack);
}

// Zeroes the slot and makes that durable: frames of the next generation overwrite this one's,
// which must never again be taken for committed transactions.
// `cutBack`: the log is cut back to its front whatever its size (when it may stay unused a while).
Status RedoLog::Retire(FileIo& log, bool cutBack) {
    std::vector<uint8_t> zeros(kLogFramesStart);
    KESTRIN_TRY(log.Write(0, zeros.data(), zeros.size()));
    auto size = log.Size();
    KESTRIN_TRY(size);
    if (*size > (cutBack ? kLogFramesStart : kKeptLogBytes)) KESTRIN_TRY(log.Truncate(kLogFramesStart));
    generationOpen_ = false;
    return SyncIfDurable(log);
}

bool RedoLog::Leave(FileIo& file, bool checkpoint, bool clean) {
    if (!writable_ || !log_) return false;
    if (checkpoint && clean && generationOpen_) (void)Checkpoint(file, true);
    auto identity = file.Identity();
    if (clean && generationOpen_ && identity.ok()) {
        KnownLogs<Known>::Instance().Remember(fs_, logPath_, {live_, std::move(imaged_), *identity});
        return true;
    }
    KnownLogs<Known>::Instance().Forget(fs_, logPath_);
    return false;
}

// The log must hold the generation Leave left, with nothing after it (another writer of this engine
// would have played it into the file and retired it first).
Result<bool> RedoLog::Resume() {
    auto log = fs_.Open(logPath_, OpenMode::ReadWrite);
    if (!log.ok() && log.code() == ErrorCode::NotFound) return false;
    KESTRIN_TRY(log);
    auto logSize = (*log)->Size();
    KESTRIN_TRY(logSize);
    auto head = ReadHead(**log, *logSize);
    KESTRIN_TRY(head);
    std::optional<LogSlot> slot = SlotOf(*head, *logSize);
    if (!slot || slot->salt != live_.salt) return false;
    auto known = KnownState(**log, *logSize, *slot);
    KESTRIN_TRY(known);
    if (!*known || (*known)->slot.end != live_.end || (*known)->slot.chain != live_.chain) return false;
    log_ = std::move(*log);
    imaged_ = std::move((*known)->imaged);
    generationOpen_ = true;
    return true;
}

}  // namespace jet
