// Pager: the page cache, transactions and the rollback journal of one connection.
//
// Commit, durable, in this order (each step's sync is what makes the next one safe):
//   1. "<path>-journal" = header (with a fresh salt) + original bytes of every changed page +
//      checksums of every page's new bytes, written in place from offset 0 over the retired journal
//      of the last transaction, one Sync (plus a folder sync only when the file had to be created);
//   2. the changed and appended pages into the database file, one Sync: the transaction is durable;
//   3. retire the journal: zero its header, without a sync.
// A crash before step 1's Sync leaves a journal that fails its checksums (the salt keeps pieces of
// the previous transaction's journal from validating with pieces of this one), a retired journal,
// the previous transaction's complete journal (whose after-image the file holds), or no journal; in
// every case the database is untouched. A crash after it leaves a valid journal. At Open a valid
// journal whose new checksums all match the file belongs to a transaction that landed: it is only
// retired; otherwise it is played back. That is why step 3 needs no sync.
// So a commit costs 2 syncs and no change of the folder. Creating and deleting the journal on every
// commit cost a folder sync and two changes of the folder's metadata each time; a kept journal costs
// one write of 40 zero bytes.
//
// The journal's name is durable whenever the file is retired: a commit retires it only after its
// creation was synced to the folder, and Open syncs the folder before it retires a journal it found
// valid. A journal found torn or foreign is removed (as a leftover of a crash it may have been
// created without that folder sync), so the next commit creates it again.
// A large journal is cut back when it is retired, so that one big transaction does not leave megabytes
// beside the file.

#include "jet/pages/pager.h"

#include <cassert>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "jet/pages/journal.h"

namespace jet {
namespace {

using PageBuffer = std::unique_ptr<uint8_t[]>;

PageBuffer NewPage() {
    return PageBuffer(new uint8_t[kPageSize]());
}

enum class State { Reading, Writing, Failed };

// What Open finds at the journal's name.
enum class JournalFound { None, Retired, Invalid, Valid };

// A retired journal longer than this is cut back to its header.
constexpr uint64_t kKeptJournalBytes = uint64_t(1) << 20;

}  // namespace

class Pager::Impl {
  public:
    Impl(FileSystem& fs, std::string path, Options options)
        : fs_(fs), path_(std::move(path)), journalPath_(path_ + "-journal"), options_(options) {}

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

  private:
    Status OpenFile();
    Status CheckJournal();
    Result<JournalFound> ReadJournal(std::optional<DecodedJournal>& journal);
    Result<bool> HoldsAfterImage(const DecodedJournal& journal);
    Status PlayBack(const DecodedJournal& journal);
    Status RetireJournal(FileIo& journal, uint64_t length);
    Status RemoveJournal();
    Status ReadFileSize();
    Status LoadPage(uint32_t index, uint8_t* into);
    Result<uint8_t*> CachedPage(uint32_t index);
    struct WrittenJournal {
        std::unique_ptr<FileIo> file;
        uint64_t length;
    };
    Result<WrittenJournal> WriteJournal();
    Status WriteChangedPages();
    Status SyncIfDurable(FileIo& file);
    Status SyncFolderIfDurable();
    Status Error(ErrorCode code, const std::string& message) const { return Status(code, path_ + ": " + message); }
    void CheckState() const;

    FileSystem& fs_;
    const std::string path_;
    const std::string journalPath_;
    const Options options_;
    std::unique_ptr<FileIo> file_;
    State state_ = State::Reading;
    bool writable_ = false;
    uint32_t filePageCount_ = 0;                      // pages in the file as last committed
    uint32_t pageCount_ = 0;                          // filePageCount_ + pages appended by the transaction
    std::unordered_map<uint32_t, PageBuffer> cache_;  // every page touched; buffers never move or die
    std::map<uint32_t, PageBuffer> originals_;        // file pages changed in this transaction: before-bytes
    std::optional<DecodedJournal> overlay_;           // read-only view of a hot journal left by a crash
    std::unordered_map<uint32_t, uint8_t> checked_;   // check marks of cached pages, by kind
    bool journalRetired_ = false;                     // a retired journal with a durable name is there
    std::function<void(PageNo, uint8_t*)> transform_;
};

Status Pager::Impl::Open() {
    KESTRIN_TRY(OpenFile());
    KESTRIN_TRY(CheckJournal());
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
        // A journal left beside a file of the same name belongs to that older file.
        auto exists = fs_.Exists(journalPath_);
        KESTRIN_TRY(exists);
        if (*exists) KESTRIN_TRY(RemoveJournal());
        if (mode == OpenMode::CreateOrTruncate) KESTRIN_TRY(file_->Truncate(0));
    }
    return Status::Ok();
}

// A ReadWrite open plays a hot journal back into the file. A ReadOnly open must not write, so it
// reads through the journal instead: the pages it holds and the original size, in memory only.
// A journal that does not validate was never synced, so the database was never touched: a writer
// deletes it (a retired one it keeps for its next commit), a reader ignores it. A journal whose
// transaction landed is only retired, after a Sync so that what we compared is what the disk holds.
Status Pager::Impl::CheckJournal() {
    if (options_.mode != OpenMode::ReadOnly && options_.mode != OpenMode::ReadWrite) return Status::Ok();
    std::optional<DecodedJournal> journal;
    auto found = ReadJournal(journal);
    KESTRIN_TRY(found);
    bool landed = false;
    if (journal) {
        auto holdsAfterImage = HoldsAfterImage(*journal);
        KESTRIN_TRY(holdsAfterImage);
        landed = *holdsAfterImage;
    }
    if (!writable_) {
        if (journal && !landed) overlay_ = std::move(journal);
        return Status::Ok();
    }
    switch (*found) {
        case JournalFound::None:
            return Status::Ok();
        case JournalFound::Retired:
            journalRetired_ = true;
            return Status::Ok();
        case JournalFound::Invalid:
            return RemoveJournal();
        case JournalFound::Valid:
            break;
    }
    KESTRIN_TRY(landed ? file_->Sync() : PlayBack(*journal));
    auto file = fs_.Open(journalPath_, OpenMode::ReadWrite);
    KESTRIN_TRY(file);
    KESTRIN_TRY(RetireJournal(**file, journal->bytes.size()));
    KESTRIN_TRY((*file)->Sync());
    KESTRIN_TRY(fs_.SyncFolderOf(journalPath_));
    journalRetired_ = true;
    return Status::Ok();
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

// Reads the header first: a retired journal costs one small read, and only the length the header
// announces is read (the rest is left over from a longer journal of an earlier transaction).
Result<JournalFound> Pager::Impl::ReadJournal(std::optional<DecodedJournal>& journal) {
    auto file = fs_.Open(journalPath_, OpenMode::ReadOnly);
    if (!file.ok() && file.code() == ErrorCode::NotFound) return JournalFound::None;
    KESTRIN_TRY(file);
    auto size = (*file)->Size();
    KESTRIN_TRY(size);
    if (*size < kJournalHeaderSize) return JournalFound::Invalid;
    uint8_t header[kJournalHeaderSize];
    KESTRIN_TRY((*file)->Read(0, header, sizeof header));
    if (IsRetiredJournal(header)) return JournalFound::Retired;
    std::optional<uint64_t> length = AnnouncedJournalLength(header);
    // A valid journal holds at most one record per page of the file it belongs to (the file never
    // shrinks below the original size while its journal is hot) and one checksum per appended page
    // (a Jet file ends at 2 GB); anything longer is not ours and is not read into memory.
    auto fileSize = file_->Size();
    KESTRIN_TRY(fileSize);
    constexpr uint64_t kMaxAppendedPages = (uint64_t(2) << 30) / kPageSize;
    uint64_t longest = kJournalHeaderSize + 8 + (*fileSize / kPageSize) * kJournalRecordSize + kMaxAppendedPages * 8;
    if (!length || *length > *size || *length > longest) return JournalFound::Invalid;
    std::vector<uint8_t> bytes(static_cast<size_t>(*length));
    KESTRIN_TRY((*file)->Read(0, bytes.data(), bytes.size()));
    journal = DecodeJournal(std::move(bytes));
    return journal ? JournalFound::Valid : JournalFound::Invalid;
}

Status Pager::Impl::PlayBack(const DecodedJournal& journal) {
    for (const auto& record : journal.records) {
        KESTRIN_TRY(file_->Write(ByteOffset(record.page), journal.bytes.data() + record.beforeOffset, kPageSize));
    }
    KESTRIN_TRY(file_->Truncate(uint64_t(journal.originalPageCount) * kPageSize));
    return file_->Sync();  // always, even for benchmarks: the journal goes next
}

Status Pager::Impl::RemoveJournal() {
    journalRetired_ = false;
    Status removed = fs_.Remove(journalPath_);
    if (!removed.ok() && removed.code() != ErrorCode::NotFound) return removed;
    return fs_.SyncFolderOf(journalPath_);
}

Status Pager::Impl::RetireJournal(FileIo& journal, uint64_t length) {
    const uint8_t zeros[kJournalHeaderSize] = {};
    KESTRIN_TRY(journal.Write(0, zeros, sizeof zeros));
    return length > kKeptJournalBytes ? journal.Truncate(kJournalHeaderSize) : Status::Ok();
}

Status Pager::Impl::ReadFileSize() {
    uint64_t size;
    if (overlay_) {
        size = uint64_t(overlay_->originalPageCount) * kPageSize;
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
    bool fromJournal = false;
    if (overlay_) {
        for (const auto& record : overlay_->records) {
            if (ToIndex(record.page) != index) continue;
            std::memcpy(into, overlay_->bytes.data() + record.beforeOffset, kPageSize);
            fromJournal = true;
            break;
        }
    }
    if (!fromJournal) KESTRIN_TRY(file_->Read(ByteOffset(PageNo{index}), into, kPageSize));
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
    if (originals_.empty() && pageCount_ == filePageCount_) {
        state_ = State::Reading;
        return Status::Ok();
    }
    state_ = State::Failed;  // until every step has succeeded
    auto journal = WriteJournal();
    KESTRIN_TRY(journal);
    KESTRIN_TRY(WriteChangedPages());
    KESTRIN_TRY(RetireJournal(*journal->file, journal->length));
    originals_.clear();
    filePageCount_ = pageCount_;
    journalRetired_ = true;
    state_ = State::Reading;
    CheckState();
    return Status::Ok();
}

Result<Pager::Impl::WrittenJournal> Pager::Impl::WriteJournal() {
    std::vector<JournalPage> changed;
    changed.reserve(originals_.size());
    for (const auto& [index, before] : originals_)
        changed.push_back({PageNo{index}, before.get(), cache_.at(index).get()});
    std::vector<const uint8_t*> appended;
    for (uint32_t index = filePageCount_; index < pageCount_; ++index) appended.push_back(cache_.at(index).get());
    std::vector<uint8_t> bytes = EncodeJournal(filePageCount_, changed, appended, NewJournalSalt());
    // A retired journal is rewritten in place; only a journal this commit creates needs its name synced.
    bool create = !journalRetired_;
    auto journal = fs_.Open(journalPath_, create ? OpenMode::CreateOrTruncate : OpenMode::ReadWrite);
    if (!create && !journal.ok() && journal.code() == ErrorCode::NotFound) {
        create = true;
        journal = fs_.Open(journalPath_, OpenMode::CreateOrTruncate);
    }
    KESTRIN_TRY(journal);
    journalRetired_ = false;
    KESTRIN_TRY((*journal)->Write(0, bytes.data(), bytes.size()));
    KESTRIN_TRY(SyncIfDurable(**journal));
    if (create) KESTRIN_TRY(SyncFolderIfDurable());
    return WrittenJournal{std::move(*journal), bytes.size()};
}

Status Pager::Impl::WriteChangedPages() {
    for (const auto& [index, original] : originals_) {
        KESTRIN_TRY(file_->Write(ByteOffset(PageNo{index}), cache_.at(index).get(), kPageSize));
    }
    for (uint32_t index = filePageCount_; index < pageCount_; ++index) {
        KESTRIN_TRY(file_->Write(ByteOffset(PageNo{index}), cache_.at(index).get(), kPageSize));
    }
    return SyncIfDurable(*file_);
}

Status Pager::Impl::SyncIfDurable(FileIo& file) {
    return options_.syncOnCommit ? file.Sync() : Status::Ok();
}

Status Pager::Impl::SyncFolderIfDurable() {
    return options_.syncOnCommit ? fs_.SyncFolderOf(journalPath_) : Status::Ok();
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
    assert(!(writable_ && overlay_));
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

}  // namespace jet
