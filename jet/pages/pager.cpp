// Pager: the page cache and the transactions of one connection; its log is a RedoLog
// (redo_log_file.h), which finds, appends, checkpoints, plays and retires "<path>-journal".
//
// Commit: the log's one sync first, then the pages into the file without one (their sync waits for
// a checkpoint). Open: the log is judged before anything reads the file; what it holds for the file
// is played only after the caller's HeaderCheck has accepted the file's first page as it will be.
//
// A Pager closed by Suspend keeps its cache. Resume takes it up again only when its generation is
// still the log's, unchanged, and the file's identity (size, change time) is what Suspend saw: then
// nobody has written since, for any other writer of this engine plays the log forward and retires it
// first, and any other program's write moves the file's change time.

#include "jet/pages/pager.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "jet/pages/redo_log_file.h"

namespace jet {
namespace {

using PageBuffer = std::unique_ptr<uint8_t[]>;

PageBuffer NewPage() {
    return PageBuffer(new uint8_t[kPageSize]());
}

enum class State { Reading, Writing, Failed, Suspended };

}  // namespace

class Pager::Impl {
  public:
    Impl(FileSystem& fs, std::string path, Options options)
        : fs_(fs), path_(std::move(path)), options_(std::move(options)), log_(fs_, path_, options_.syncOnCommit) {}

    ~Impl() {
        if (state_ != State::Suspended && file_)
            (void)log_.Leave(*file_, options_.checkpointOnClose, state_ == State::Reading);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    Status Open(const HeaderCheck& checkHeader);

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
    Status OpenFile();
    Status Recover(const HeaderCheck& checkHeader);
    Status ReadFileSize();
    Status LoadPage(uint32_t index, uint8_t* into);
    Result<uint8_t*> CachedPage(uint32_t index);
    Status WritePages(const std::vector<LogPage>& pages);
    Status Error(ErrorCode code, const std::string& message) const { return Status(code, path_ + ": " + message); }
    void CheckState() const;

    FileSystem& fs_;
    const std::string path_;
    Options options_;
    RedoLog log_;
    std::unique_ptr<FileIo> file_;
    State state_ = State::Reading;
    bool writable_ = false;
    uint32_t filePageCount_ = 0;                      // pages in the file as last committed
    uint32_t pageCount_ = 0;                          // filePageCount_ + pages appended by the transaction
    std::unordered_map<uint32_t, PageBuffer> cache_;  // every page touched; buffers never move or die
    std::map<uint32_t, PageBuffer> originals_;        // file pages changed in this transaction: before-bytes
    std::unordered_map<uint32_t, uint8_t> checked_;   // check marks of cached pages, by kind
    std::function<void(PageNo, uint8_t*)> transform_;

    std::optional<FileIdentity> identity_;  // the file as Suspend left it, when it can be resumed
};

Status Pager::Impl::Open(const HeaderCheck& checkHeader) {
    KESTRIN_TRY(OpenFile());
    if (options_.mode == OpenMode::ReadOnly || options_.mode == OpenMode::ReadWrite) {
        KESTRIN_TRY(log_.Open(*file_, writable_));
        KESTRIN_TRY(Recover(checkHeader));
    }
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
        KESTRIN_TRY(log_.Discard());
        if (mode == OpenMode::CreateOrTruncate) KESTRIN_TRY(file_->Truncate(0));
    }
    return Status::Ok();
}

// What the log holds for the file is written only once the file's first page, as it will be, passes
// the caller's check; a reader reads through the log instead.
Status Pager::Impl::Recover(const HeaderCheck& checkHeader) {
    if (!log_.HasPending()) return Status::Ok();
    if (checkHeader && log_.PendingPageCount()) {
        PageBuffer first = NewPage();
        KESTRIN_TRY(log_.PendingHolds(0) ? log_.ReadPending(0, first.get()) : file_->Read(0, first.get(), kPageSize));
        KESTRIN_TRY(checkHeader(first.get()));
    }
    return writable_ ? log_.PlayPending(*file_) : Status::Ok();
}

Status Pager::Impl::ReadFileSize() {
    uint64_t size;
    if (std::optional<uint32_t> pending = log_.PendingPageCount()) {
        size = uint64_t(*pending) * kPageSize;
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
    if (log_.PendingHolds(index)) {
        KESTRIN_TRY(log_.ReadPending(index, into));
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
        KESTRIN_TRY(log_.Append(*file_, pages, filePageCount_, pageCount_));
        KESTRIN_TRY(WritePages(pages));
    }
    originals_.clear();
    filePageCount_ = pageCount_;
    state_ = State::Reading;
    CheckState();
    return Status::Ok();
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
    bool remembered = log_.Leave(*file_, options_.checkpointOnClose, state_ == State::Reading);
    log_.Close();
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
    auto resumed = log_.Resume();
    if (!resumed.ok() || !*resumed) return resumed;
    file_ = std::move(*file);
    options_ = std::move(options);
    log_.SetDurable(options_.syncOnCommit);
    state_ = State::Reading;
    identity_.reset();
    return true;
}

Status Pager::Impl::CheckpointNow() {
    if (state_ != State::Reading)
        return Error(ErrorCode::InvalidArgument, "Checkpoint inside a transaction or after a failed commit");
    return log_.Live() ? log_.Checkpoint(*file_, true) : Status::Ok();
}

Status Pager::Impl::WritePages(const std::vector<LogPage>& pages) {
    for (const LogPage& page : pages) KESTRIN_TRY(file_->Write(ByteOffset(PageNo{page.page}), page.bytes, kPageSize));
    return Status::Ok();
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
    assert(!(writable_ && log_.HasPending()));
#endif
}

Result<std::unique_ptr<Pager>> Pager::Open(FileSystem& fs, const std::string& path, Options options,
                                           const HeaderCheck& checkHeader) {
    auto impl = std::make_unique<Impl>(fs, path, options);
    KESTRIN_TRY(impl->Open(checkHeader));
    return std::unique_ptr<Pager>(new Pager(std::move(impl)));
}

Status Pager::SetAsideLog(FileSystem& fs, const std::string& path) {
    return RedoLog::DiscardBeside(fs, path);
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
