#pragma once
// Recordset: what Connection::Execute returns, shaped like ADO's. A query gives an open Recordset
// over its rows, positioned on the first; a change gives a closed one that carries the number of
// rows it affected.
//
// Invariants:
//  1. 0 <= current <= RowCount; Eof() is current == RowCount, so an empty result is at Eof at once.
//  2. Every row has one value per field, in select-list order.
//  3. A closed Recordset has no fields and no rows; reading it is an error, never a crash.
//  4. The rows are a snapshot taken by Execute: later statements do not change them.
//  5. The cursor only moves forward, so GetRows hands over the values it passes (moved, not copied):
//     a large result is held once, never twice.
//
// (ADO calls the end flag EOF; that name is a macro of <cstdio>, so here it is Eof.)

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "jet/sql/variant.h"

namespace jet {

struct Field {
    std::string name;  // the column's name as the table spells it
    Variant value;

    // By value: Fields() returns a temporary, and a reference into it would dangle.
    Variant Value() const { return value; }
};

// Values stored column by column: columns[c][r] is field c of row r.
using ColumnValuesOf = std::vector<std::vector<Variant>>;

// GetRows' result: At(column, row), column in select-list order, as ADO's 2-D array
// (first index the field, second the record).
class RowArray {
  public:
    RowArray(size_t columnCount, size_t rowCount) : rows_(rowCount), columns_(columnCount) {
        for (auto& column : columns_) column.resize(rowCount);
    }
    // Every column `rowCount` long.
    RowArray(size_t rowCount, ColumnValuesOf columns) : rows_(rowCount), columns_(std::move(columns)) {}
    size_t ColumnCount() const { return columns_.size(); }
    size_t RowCount() const { return rows_; }
    const Variant& At(size_t column, size_t row) const { return columns_.at(column).at(row); }
    Variant& At(size_t column, size_t row) { return columns_.at(column).at(row); }

  private:
    size_t rows_;
    ColumnValuesOf columns_;
};

class Recordset {
  public:
    Recordset() = default;  // closed
    // `rows`: one vector of field values per row.
    static Recordset Query(std::vector<std::string> fieldNames, std::vector<std::vector<Variant>> rows);
    // `columns`: one vector per field, each `rowCount` long.
    static Recordset QueryColumns(std::vector<std::string> fieldNames, size_t rowCount, ColumnValuesOf columns);
    static Recordset Change(uint64_t rowsAffected);

    bool IsOpen() const { return open_; }
    // Rows a change affected; -1 for a query, as ADO reports it.
    int64_t RecordsAffected() const { return affected_; }

    bool Eof() const { return current_ >= rowCount_; }
    size_t FieldCount() const { return names_.size(); }
    size_t RowCount() const { return rowCount_; }

    // The current row's field; the name is matched case-insensitively. NotFound names the field;
    // at Eof or on a closed Recordset: NotFound.
    Result<Field> Fields(std::string_view name) const;
    Result<Field> Fields(size_t index) const;

    // At Eof: NotFound (ADO refuses too).
    Status MoveNext();
    // Up to `count` rows from the current one (-1: all the rest), leaving the Recordset after them.
    // At Eof or on a closed Recordset: NotFound, as ADO refuses when BOF or EOF is true.
    Result<RowArray> GetRows(int64_t count = -1);

    void Close();

  private:
    Status CheckRow() const;

    bool open_ = false;
    int64_t affected_ = -1;
    std::vector<std::string> names_;
    size_t rowCount_ = 0;
    ColumnValuesOf columns_;  // one per field; rows before current_ may have been moved out
    size_t current_ = 0;
};

}  // namespace jet
