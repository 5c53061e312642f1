#pragma once
// Private to jet/tables: the Database and Table implementations and the page space they share.
//
// Invariants:
//  1. Every cached structure (global map, table definitions, usage maps) mirrors the pages of the
//     open transaction; Rollback drops the caches and they reload from the pages.
//  2. A change first checks everything that can refuse it (types, lengths, index keys, uniqueness)
//     without writing; only then does it write pages. A failure after the first write rolls the
//     transaction back, so a statement is never half applied.
//  3. Every page has one owner: a table's owned map (data pages), an index map (index pages), a map
//     (its 0x05 pages), a TDEF chain, the catalog's holder pages; or it is free in the global map.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/format/db_header.h"
#include "jet/format/table_def.h"
#include "jet/format/usage_map.h"
#include "jet/index/index_data.h"
#include "jet/index/index_key.h"
#include "jet/pages/pager.h"
#include "jet/tables/database.h"

namespace jet {

class DatabaseImpl;

// What Check finds: damage, and what is loose but Jet and Access live with.
struct CheckReport {
    std::vector<std::string>& problems;
    std::vector<std::string>& notes;
    // Bookkeeping Access keeps loose (check.cpp): a note in a file Access made, else a problem.
    void Loose(bool accessMade, std::string line);
};

// The global usage map (page 1 row 0) and page allocation.
class PageSpace final : public MapPageStore {
  public:
    explicit PageSpace(Pager& pager) : pager_(pager) {}
    // A new page, zeroed, marked in use: a free page inside the file if there is one, else appended.
    Result<PageNo> Allocate();
    Status Free(PageNo page);
    Result<bool> IsFree(uint32_t page);
    Result<UsageMap*> Global();
    void Invalidate() { global_.reset(); }

    uint32_t PageCount() override { return pager_.PageCount(); }
    Result<const uint8_t*> ReadPage(PageNo page) override { return pager_.Read(page); }
    Result<uint8_t*> WritePage(PageNo page) override { return pager_.Write(page); }
    Result<PageNo> AllocateMapPage() override { return pager_.Append(); }

    // Writes the global map back to page 1.
    Status Store();

  private:
    Pager& pager_;
    std::optional<UsageMap> global_;
};

// Map pages of a table's, index's or column's map come from the global map like any page.
class OwnedMapStore final : public MapPageStore {
  public:
    OwnedMapStore(Pager& pager, PageSpace& space) : pager_(pager), space_(space) {}
    uint32_t PageCount() override { return pager_.PageCount(); }
    Result<const uint8_t*> ReadPage(PageNo page) override { return pager_.Read(page); }
    Result<uint8_t*> WritePage(PageNo page) override { return pager_.Write(page); }
    Result<PageNo> AllocateMapPage() override { return space_.Allocate(); }

  private:
    Pager& pager_;
    PageSpace& space_;
};

// The bytes of the usage-map row at `where`.
Result<std::span<const uint8_t>> ReadMapRow(Pager& pager, RowRef where);
Result<UsageMap> LoadMap(Pager& pager, MapPageStore& store, RowRef where);
Status StoreMap(Pager& pager, MapPageStore& store, UsageMap& map, RowRef where);

inline RowPointer ToPointer(RowRef ref) {
    return RowPointer{ref.page, ref.row};
}
inline RowRef ToRef(RowPointer p) {
    return RowRef{p.page, p.row};
}

class TableImpl final : public Table {
  public:
    TableImpl(DatabaseImpl& db, std::string name, PageNo tdefPage);
    ~TableImpl() override;

    const std::string& Name() const override { return name_; }
    const std::vector<ColumnInfo>& Columns() const override { return columnInfos_; }
    const std::vector<IndexInfo>& Indexes() const override { return indexInfos_; }
    std::optional<size_t> FindColumn(std::string_view name) const override;
    uint32_t RowCount() const override;

    Status Scan(const std::function<bool(RowPointer, const std::vector<Value>&)>& visit) override;
    Status ScanColumns(const std::vector<bool>& wanted,
                       const std::function<bool(RowPointer, std::vector<Value>&)>& visit) override;
    Result<std::vector<RowPointer>> FindEqual(size_t column, const Value& value) override;
    Result<std::vector<Value>> ReadRow(RowPointer row) override;
    Result<RowPointer> Insert(const ColumnValues& values) override;
    Status Update(RowPointer row, const ColumnValues& values) override;
    Status Delete(RowPointer row) override;

    // Loads the definition and maps (again after Invalidate).
    Status Load();
    void Invalidate() {
        loaded_ = false;
        lookups_.clear();
    }
    PageNo TdefPage() const { return tdefPage_; }
    const TableDef& Def() const { return def_; }
    // Inserts a whole row (values in column order) without a transaction of its own.
    Result<RowPointer> InsertRow(std::vector<Value> values);
    // The key of a row's values for real index `i`; nullopt when the index skips the row.
    Result<std::optional<std::string>> KeyFor(size_t i, const std::vector<Value>& values) const;
    // Appends this table's problems and notes; `claim` records that a page belongs to a structure
    // of it.
    Status CheckTable(CheckReport& report, const std::function<void(uint32_t, const std::string&)>& claim);

  private:
    // Index pages come from the global map and go into the index's own map.
    class IndexPages final : public IndexPageAllocator {
      public:
        IndexPages(TableImpl& table, size_t index) : table_(table), index_(index) {}
        Result<PageNo> AllocateIndexPage() override;
        Status FreeIndexPage(PageNo page) override;

      private:
        TableImpl& table_;
        size_t index_;
    };
    struct IndexState {
        size_t real = 0;                // position in def_.realIndexes
        std::vector<size_t> positions;  // the key's columns, positions in def_.columns
        std::vector<IndexKeyColumn> keyColumns;
        UsageMap map;
        std::unique_ptr<IndexPages> allocator;
        std::unique_ptr<IndexData> data;
    };

    Status EnsureLoaded();
    Status LoadIndexes();
    // NotFound unless `ref` names a slot of this table (a live one unless `allowDeleted`).
    Status CheckHeader(RowRef ref, bool allowDeleted);
    std::string IndexName(size_t real) const;
    using Entries = std::vector<std::pair<std::string, RowPointer>>;
    // Per index: the keys its rows must have, and the rows whose keys cannot be known here.
    struct ExpectedKeys {
        Entries entries;
        std::vector<RowPointer> unknown;
    };
    Status CheckPages(CheckReport& report, const std::function<void(uint32_t, const std::string&)>& claim,
                      std::vector<ExpectedKeys>& expected);
    void CheckIndex(size_t i, ExpectedKeys expected, CheckReport& report,
                    const std::function<void(uint32_t, const std::string&)>& claim);
    bool JetEquals(size_t column, const Value& stored, const Value& wanted) const;
    // Rows of an unindexed text column by the key Jet compares it by (equal_lookup.cpp): built by one
    // scan at the first FindEqual on the column, kept in step by this table's inserts, updates and
    // deletes, dropped with the loaded state (a rollback, a failed change, a reload).
    struct ColumnLookup {
        std::unordered_map<std::string, std::vector<RowPointer>> byKey;
        std::unordered_map<std::string, std::vector<RowPointer>> byFolded;  // text without a key
    };
    // Where a text value belongs: its index key, or (the bool false) its text with ASCII letters
    // folded when the sort order gives it no key.
    std::pair<bool, std::string> LookupKey(size_t column, const std::string& text) const;
    Result<ColumnLookup*> LookupFor(size_t column);
    // nullopt when the column or the value cannot be looked up this way (the caller scans).
    Result<std::optional<std::vector<RowPointer>>> FindEqualByLookup(size_t column, const Value& value);
    // Keeps the lookups in step with a row's change: `before` null for an insert, `after` for a delete.
    void NoteRowChange(RowPointer row, const std::vector<Value>* before, const std::vector<Value>* after);
    // A page of this file read as a data page, its slot table checked once while it stays cached.
    Result<const uint8_t*> ReadDataPage(PageNo page);
    Result<std::vector<Value>> DecodeAt(RowRef ref, std::vector<uint8_t>* bytes,
                                        const std::vector<bool>* wanted = nullptr);
    // The values of the row bytes `row`, stored at `ref` (named in errors).
    Result<std::vector<Value>> DecodeSlot(RowRef ref, std::span<const uint8_t> row, const std::vector<bool>* wanted);
    Status DecodeSlotInto(RowRef ref, std::span<const uint8_t> row, const std::vector<bool>* wanted,
                          std::vector<Value>& values);
    // The values of a row whose header slot points elsewhere.
    Result<std::vector<Value>> ReadMovedRow(RowRef header, const std::vector<bool>& wanted);
    Result<std::vector<uint8_t>> LongValueRow(RowRef ref);
    // Follows an overflow header to where the row's bytes are.
    Result<RowRef> Resolve(RowRef header);
    struct KeyChange {
        size_t index = 0;
        std::optional<std::string> oldKey, newKey;
        bool newDistinct = false;  // the new key was not in the index yet: its unique count grows
    };
    Result<std::vector<Value>> Merge(std::vector<Value> row, const ColumnValues& values) const;
    // Which index entries a change moves; Constraint when a unique index already holds a new key.
    Result<std::vector<KeyChange>> PlanKeys(const std::vector<Value>* oldValues, const std::vector<Value>* newValues);
    Status ApplyKeys(const std::vector<KeyChange>& changes, RowPointer row);
    // Stores a new row on a page with room (allocating one if none has), with the given slot flags.
    Result<RowRef> PlaceRow(const std::vector<uint8_t>& bytes, uint16_t flags);
    Status StoreUpdated(RowRef header, RowRef stored, const std::vector<uint8_t>& bytes);
    Status MarkHasRoom(PageNo page);
    Status StoreOwnMaps();
    Status WriteCounts();
    uint32_t NextAutoNumber(std::vector<Value>& values, bool assign) const;
    template <class F>
    auto Change(F&& body) -> decltype(body());
    std::string Context() const { return "table " + name_; }

    DatabaseImpl& db_;
    std::string name_;
    PageNo tdefPage_;
    bool loaded_ = false;
    TableDef def_;
    std::vector<PageNo> tdefPages_;
    std::vector<ColumnInfo> columnInfos_;
    std::vector<IndexInfo> indexInfos_;
    std::optional<UsageMap> owned_;
    std::optional<UsageMap> free_;
    std::vector<std::unique_ptr<IndexState>> indexes_;
    bool writing_ = false;                    // the running change has started writing pages
    std::map<size_t, ColumnLookup> lookups_;  // by column position
};

class DatabaseImpl final : public Database {
  public:
    DatabaseImpl(std::unique_ptr<Pager> pager, DbHeader header);

    Status CreateTable(const TableSchema& schema) override;
    Result<Table*> GetTable(std::string_view name) override;
    std::vector<std::string> TableNames(bool includeSystemTables) override;
    Status Begin() override;
    Status Commit() override;
    void Rollback() override;
    using Database::Check;
    Status Check(std::vector<std::string>& problems, std::vector<std::string>& notes) override;
    void SetFixedNow(std::optional<DateTime> now) override { fixedNow_ = now; }

    Pager& GetPager() { return *pager_; }
    const DbHeader& Header() const { return header_; }
    // The file's collating order, for the columns of new tables (General when the header has none).
    uint16_t SortOrder() const { return header_.sortOrder ? header_.sortOrder : 1033; }
    PageSpace& Space() { return space_; }
    OwnedMapStore& MapStore() { return mapStore_; }
    DateTime Now() const;
    // Loads the list of tables from MSysObjects.
    Status LoadCatalog();
    // The catalog holds Access's own system tables (MSysAccessObjects, MSysAccessStorage): the file
    // was made by Microsoft Access, not by Jet alone or by this engine.
    bool AccessMade();
    TableImpl& Catalog() { return *catalog_; }
    TableImpl* SystemTable(const std::string& name);
    // Rolls back after a failed write; for an explicit transaction the whole transaction goes.
    void AbortChange();
    Status EnsureCatalog();

  private:
    Status WriteUserTable(TableDef def, const std::string& name);

    struct Entry {
        std::string name;
        PageNo tdefPage;
        bool system;
    };
    std::unique_ptr<Pager> pager_;
    DbHeader header_;
    PageSpace space_;
    OwnedMapStore mapStore_;
    std::optional<DateTime> fixedNow_;
    std::unique_ptr<TableImpl> catalog_;
    std::vector<Entry> entries_;
    bool catalogLoaded_ = false;
    std::map<uint32_t, std::unique_ptr<TableImpl>> tables_;  // by TDEF page
};

// A read-write Database whose close parks it among the idle ones (idle_databases.cpp), and the
// idle one for `path` taken up again: null when there is none, or the file or its log changed (the
// caller then opens afresh); an error is the reopen's or the lock's.
std::unique_ptr<Database> ParkOnClose(FileSystem& fs, std::unique_ptr<DatabaseImpl> db);
Result<std::unique_ptr<Database>> ResumeIdle(FileSystem& fs, const std::string& path, const std::string& password,
                                             const Pager::Options& options);

// The system tables of a new database and the rows Jet writes into them (system_tables.cpp).
Status WriteNewDatabase(DatabaseImpl& db, const std::string& password, uint32_t minPages);
// Every column gets `sortOrder` as its collating order (Jet writes the file's order into every
// descriptor, text or not).
void LabelSortOrder(TableDef& def, uint16_t sortOrder);
// The TableDef of a new user table (its pages still zero: set by CreateTable).
Result<TableDef> BuildUserTableDef(const TableSchema& schema);
// Fixed offsets and variable slots in column-number order, as Jet and Access assign them.
void LayOutColumns(TableDef& def);
inline Value Sid(const uint8_t* sid) {
    return Value(Bytes(sid, sid + 2));
}
// An MSysObjects row (values in column order).
std::vector<Value> ObjectRow(const TableDef& def, int64_t id, int64_t parent, const char* name, int64_t type,
                             DateTime now, const uint8_t* owner, uint32_t flags);

inline constexpr uint32_t kTablesContainerId = 0x0F000001;
inline constexpr uint8_t kAdminSid[2] = {0x64, 0x8B};
inline constexpr uint8_t kUsersSid[2] = {0x65, 0x8B};
inline constexpr uint8_t kEngineSid[2] = {0x65, 0x89};
inline constexpr uint8_t kCreatorSid[2] = {0x65, 0x8E};

}  // namespace jet
