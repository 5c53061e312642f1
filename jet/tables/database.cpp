// Database: opening and creating files, the table list from MSysObjects, transactions.
#include "jet/tables/database.h"

#include <algorithm>
#include <string>

#include "jet/format/jet_date.h"
#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

constexpr PageNo kCatalogPage{2};
constexpr int64_t kLocalTable = 1;
constexpr uint32_t kSystemObjectFlags = 0x80000002;

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return folded;
}

}  // namespace

DatabaseImpl::DatabaseImpl(std::unique_ptr<Pager> pager, DbHeader header)
    : pager_(std::move(pager)), header_(std::move(header)), space_(*pager_), mapStore_(*pager_, space_) {
    catalog_ = std::make_unique<TableImpl>(*this, "MSysObjects", kCatalogPage);
}

DateTime DatabaseImpl::Now() const {
    return fixedNow_ ? *fixedNow_ : JetNow();
}

Status DatabaseImpl::LoadCatalog() {
    catalogLoaded_ = false;
    entries_.clear();
    KESTRIN_TRY(catalog_->Load());
    auto column = [&](const char* name) { return catalog_->FindColumn(name); };
    auto id = column("Id"), parent = column("ParentId"), name = column("Name"), type = column("Type"),
         flags = column("Flags");
    if (!id || !parent || !name || !type || !flags) return Status(ErrorCode::Corrupt, "MSysObjects lacks its columns");
    // Only these five: the catalog's other columns include long values (properties, ACLs).
    std::vector<bool> wanted(catalog_->Columns().size(), false);
    for (size_t position : {*id, *parent, *name, *type, *flags}) wanted[position] = true;
    Status scanned = catalog_->ScanColumns(wanted, [&](RowPointer, const std::vector<Value>& row) {
        auto parentId = std::get_if<int64_t>(&row[*parent]);
        auto kind = std::get_if<int64_t>(&row[*type]);
        auto tableName = std::get_if<std::string>(&row[*name]);
        auto tdef = std::get_if<int64_t>(&row[*id]);
        if (!parentId || *parentId != kTablesContainerId || !kind || *kind != kLocalTable || !tableName || !tdef)
            return true;
        auto bits = std::get_if<int64_t>(&row[*flags]);
        bool system = (bits && (uint32_t(*bits) & kSystemObjectFlags)) || Folded(*tableName).rfind("msys", 0) == 0;
        entries_.push_back({*tableName, PageNo(uint32_t(*tdef)), system});
        return true;
    });
    if (!scanned.ok()) return scanned.WithContext("catalog");
    catalogLoaded_ = true;
    return Status::Ok();
}

bool DatabaseImpl::AccessMade() {
    if (!EnsureCatalog().ok()) return false;
    for (const Entry& entry : entries_)
        if (entry.system && (Folded(entry.name) == "msysaccessobjects" || Folded(entry.name) == "msysaccessstorage"))
            return true;
    return false;
}

Status DatabaseImpl::EnsureCatalog() {
    return catalogLoaded_ ? Status::Ok() : LoadCatalog();
}

TableImpl* DatabaseImpl::SystemTable(const std::string& name) {
    auto table = GetTable(name);
    return table.ok() ? static_cast<TableImpl*>(*table) : nullptr;
}

Result<Table*> DatabaseImpl::GetTable(std::string_view name) {
    KESTRIN_TRY(EnsureCatalog());
    for (const auto& entry : entries_) {
        if (Folded(entry.name) != Folded(name)) continue;
        if (entry.tdefPage == kCatalogPage) return static_cast<Table*>(catalog_.get());
        if (ToIndex(entry.tdefPage) < 2 || ToIndex(entry.tdefPage) >= pager_->PageCount())
            return Status(ErrorCode::Corrupt, "table " + entry.name + ": definition page out of the file");
        auto& table = tables_[ToIndex(entry.tdefPage)];
        if (!table) {
            table = std::make_unique<TableImpl>(*this, entry.name, entry.tdefPage);
            Status loaded = table->Load();
            if (!loaded.ok()) {
                tables_.erase(ToIndex(entry.tdefPage));
                return loaded;
            }
        }
        return static_cast<Table*>(table.get());
    }
    return Status(ErrorCode::NotFound, "no table named " + std::string(name));
}

std::vector<std::string> DatabaseImpl::TableNames(bool includeSystemTables) {
    std::vector<std::string> names;
    if (!EnsureCatalog().ok()) return names;
    for (const auto& entry : entries_)
        if (includeSystemTables || !entry.system) names.push_back(entry.name);
    return names;
}

Status DatabaseImpl::Begin() {
    return pager_->Begin();
}

Status DatabaseImpl::Commit() {
    Status committed = pager_->Commit();
    if (!committed.ok()) AbortChange();
    return committed;
}

void DatabaseImpl::Rollback() {
    AbortChange();
}

void DatabaseImpl::AbortChange() {
    if (pager_->InTransaction()) pager_->Rollback();
    space_.Invalidate();
    catalog_->Invalidate();
    catalogLoaded_ = false;
    for (auto& [page, table] : tables_) table->Invalidate();
}

Result<std::unique_ptr<Database>> Database::Open(FileSystem& fs, const std::string& path, const std::string& password,
                                                 OpenMode mode, bool checkpointOnClose) {
    if (mode != OpenMode::ReadOnly && mode != OpenMode::ReadWrite)
        return Status(ErrorCode::InvalidArgument, "Open takes ReadOnly or ReadWrite");
    Pager::Options options;
    options.mode = mode;
    options.checkpointOnClose = checkpointOnClose;
    // A log is played into the file only once the header it would give carries this password.
    auto checkHeader = [&password](const uint8_t* firstPage) {
        auto header = ParseDbHeader(firstPage, kPageSize);
        return header.ok() ? CheckPassword(*header, password) : header.status();
    };
    if (mode == OpenMode::ReadWrite) {
        auto idle = ResumeIdle(fs, path, password, options);
        if (!idle.ok() || *idle) return idle;
    }
    auto pager = Pager::Open(fs, path, options, checkHeader);
    if (!pager.ok()) return pager.status().WithContext(path);
    if ((*pager)->PageCount() == 0) return Status(ErrorCode::NotJet4, path + ": empty file");
    auto page0 = (*pager)->Read(PageNo(0));
    if (!page0.ok()) return page0.status().WithContext(path);
    auto header = ParseDbHeader(*page0, kPageSize);
    if (!header.ok()) return header.status().WithContext(path);
    KESTRIN_TRY(CheckPassword(*header, password).WithContext(path));
    if (header->dbKey != 0) (*pager)->SetLoadTransform(PageDecryptTransform(header->dbKey));
    if ((*pager)->PageCount() < 3) return Status(ErrorCode::Corrupt, path + ": no catalog page");
    auto db = std::make_unique<DatabaseImpl>(std::move(*pager), std::move(*header));
    Status catalog = db->LoadCatalog();
    if (!catalog.ok()) return catalog.WithContext(path);
    if (mode == OpenMode::ReadWrite) return ParkOnClose(fs, std::move(db));
    return std::unique_ptr<Database>(std::move(db));
}

Result<std::unique_ptr<Database>> Database::Create(FileSystem& fs, const std::string& path,
                                                   const std::string& password) {
    return Create(fs, path, password, CreateOptions{});
}

Result<std::unique_ptr<Database>> Database::Create(FileSystem& fs, const std::string& path, const std::string& password,
                                                   const CreateOptions& options) {
    if (options.mode != OpenMode::CreateNew && options.mode != OpenMode::CreateOrTruncate)
        return Status(ErrorCode::InvalidArgument, "Create takes CreateNew or CreateOrTruncate");
    Pager::Options pagerOptions;
    pagerOptions.mode = options.mode;
    auto pager = Pager::Open(fs, path, pagerOptions);
    if (!pager.ok()) return pager.status().WithContext(path);
    DbHeader header;
    header.sortOrder = options.sortOrder;
    auto db = std::make_unique<DatabaseImpl>(std::move(*pager), header);
    db->SetFixedNow(options.now);
    Pager& p = db->GetPager();
    KESTRIN_TRY(p.Begin());
    Status written = WriteNewDatabase(*db, password, options.minPages);
    if (written.ok()) written = p.Commit();
    if (!written.ok()) {
        db->AbortChange();
        return written.WithContext(path);
    }
    KESTRIN_TRY(db->LoadCatalog());
    return std::unique_ptr<Database>(std::move(db));
}

}  // namespace jet
