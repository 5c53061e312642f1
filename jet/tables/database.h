#pragma once
// Database and Table: the engine's API for the SQL layer and the tools. A Database is one open file
// (one Pager); its Tables read and change rows and keep every index, usage map, row count and
// AutoNumber counter in step.
//
// Changes happen inside Begin/Commit: a statement's changes are wholly in the file or not at all.
// Without an explicit Begin, each Insert/Update/Delete runs as its own transaction.
// Uniqueness is enforced here: a change that would put a duplicate key into a unique index fails
// with Constraint and changes nothing.
//
// Invariants:
//  1. A change that fails before it writes (Constraint, TypeMismatch, TooLarge, Unsupported keys)
//     leaves the file and an explicit transaction as they were; one that fails while writing (Io,
//     Corrupt) rolls the whole transaction back, since part of it is already in the pages.
//  2. Table pointers from GetTable live as long as the Database; after a rollback they reload their
//     definition and maps from the pages.
//  3. A file that is not Jet 4.0, or is damaged, is refused and never written; a page-encrypted file
//     is read through the RC4 page transform and cannot be written.
//  4. Create writes Jet's own system catalog (the four system tables, their 8 + 16 rows, the header
//     date and SIDs that belong together), byte-for-byte the same for the same password and options.
// On disk: see jet/format (table_def.h, row_codec.h, usage_map.h) and jet/index.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/result.h"
#include "jet/format/value.h"
#include "jet/index/index_data.h"
#include "jet/pages/file_io.h"

namespace jet {

struct ColumnInfo {
    std::string name;
    ColumnType type = ColumnType::Long;
    uint16_t maxLength = 0;  // Text: characters; Binary: bytes; others: their size
    bool autoNumber = false;
};

struct IndexInfo {
    std::string name;
    std::vector<size_t> columns;  // positions in Table::Columns()
    bool unique = false;
    bool primaryKey = false;
};

struct TableSchema {
    std::string name;
    std::vector<ColumnInfo> columns;
    std::vector<IndexInfo> indexes;
};

// Column values of a change: (position in Columns(), value). Values have the column's kind:
// int64_t for Byte/Integer/Long, std::string (UTF-8) for Text/Memo, bool for Boolean, and so on.
using ColumnValues = std::vector<std::pair<size_t, Value>>;

class Table {
  public:
    virtual ~Table() = default;
    virtual const std::string& Name() const = 0;
    virtual const std::vector<ColumnInfo>& Columns() const = 0;  // in column-number order
    virtual const std::vector<IndexInfo>& Indexes() const = 0;
    virtual std::optional<size_t> FindColumn(std::string_view name) const = 0;  // case-insensitive
    virtual uint32_t RowCount() const = 0;

    // Live rows in storage order, values in Columns() order, until `visit` returns false.
    virtual Status Scan(const std::function<bool(RowPointer, const std::vector<Value>&)>& visit) = 0;
    // As Scan, but only the columns flagged in `wanted` (one flag per column of Columns()) are read;
    // the others come to `visit` as Null. Cheaper when a few columns of many are needed. The values
    // are the scan's own: `visit` may move them out.
    virtual Status ScanColumns(const std::vector<bool>& wanted,
                               const std::function<bool(RowPointer, std::vector<Value>&)>& visit) = 0;
    // Rows whose column equals `value` as Jet compares (text case-insensitively). Uses an index whose
    // only column is `column` when the table has one.
    virtual Result<std::vector<RowPointer>> FindEqual(size_t column, const Value& value) = 0;
    virtual Result<std::vector<Value>> ReadRow(RowPointer row) = 0;

    // Columns not named are Null; an AutoNumber column gets the next number.
    virtual Result<RowPointer> Insert(const ColumnValues& values) = 0;
    virtual Status Update(RowPointer row, const ColumnValues& values) = 0;
    virtual Status Delete(RowPointer row) = 0;
};

// How Create writes a new file. Everything Create writes follows from these and the password, so two
// calls with the same `now` give byte-identical files.
struct CreateOptions {
    std::optional<DateTime> now;  // catalog dates (also of CreateTable on this object); default: local time
    uint32_t minPages = 0;        // pad with free pages to this many (the product's template: 32)
    OpenMode mode = OpenMode::CreateNew;
    // The file's collating order, and so of every column (CreateTable on it included), as Access
    // writes it on the system it runs on: 1033 General, 2052 Chinese PRC, 1028 Chinese Taiwan.
    uint16_t sortOrder = 1033;
};

class Database {
  public:
    virtual ~Database() = default;

    // Opens an existing Jet 4.0 file. A wrong password is BadPassword; another format NotJet4; a
    // damaged file Corrupt; a file another connection holds Locked. ReadOnly opens never write.
    // `checkpointOnClose`: see Pager::Options. A read-write Database closed with its log kept stays
    // idle in the process, pages and tables parsed; the next read-write Open of the path takes it up
    // again when nobody changed the file or its log in between (Pager::Resume), and reads afresh
    // otherwise.
    static Result<std::unique_ptr<Database>> Open(FileSystem& fs, const std::string& path, const std::string& password,
                                                  OpenMode mode, bool checkpointOnClose = true);
    // Writes a new, empty database (system catalog only) protected by `password`.
    static Result<std::unique_ptr<Database>> Create(FileSystem& fs, const std::string& path,
                                                    const std::string& password);
    static Result<std::unique_ptr<Database>> Create(FileSystem& fs, const std::string& path,
                                                    const std::string& password, const CreateOptions& options);
    // Dates written by CreateTable from now on: `now` instead of the local time (reproducible files).
    virtual void SetFixedNow(std::optional<DateTime> now) { (void)now; }

    virtual Status CreateTable(const TableSchema& schema) = 0;
    // Case-insensitive; NotFound names the table.
    virtual Result<Table*> GetTable(std::string_view name) = 0;
    virtual std::vector<std::string> TableNames(bool includeSystemTables) = 0;

    virtual Status Begin() = 0;
    virtual Status Commit() = 0;
    virtual void Rollback() = 0;

    // Header, catalog, usage maps against pages, row counts, every index against its rows.
    // One line per problem; the Status is an error only when the check could not run. `notes` get
    // what is loose but no damage, as Access leaves it (row counts of its system tables, keys in
    // characters whose codes this engine does not know and so cannot verify).
    virtual Status Check(std::vector<std::string>& problems, std::vector<std::string>& notes) = 0;
    Status Check(std::vector<std::string>& problems) {
        std::vector<std::string> notes;
        return Check(problems, notes);
    }
};

}  // namespace jet
