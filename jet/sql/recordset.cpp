#include "jet/sql/recordset.h"

#include <algorithm>
#include <cassert>
#include <iterator>
#include <utility>

namespace jet {
namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

Recordset Recordset::Query(std::vector<std::string> fieldNames, std::vector<std::vector<Variant>> rows) {
    ColumnValuesOf columns(fieldNames.size());
    for (auto& column : columns) column.reserve(rows.size());
    for (auto& row : rows) {
        assert(row.size() == fieldNames.size());
        for (size_t c = 0; c < columns.size(); ++c) columns[c].push_back(std::move(row[c]));
    }
    return QueryColumns(std::move(fieldNames), rows.size(), std::move(columns));
}

Recordset Recordset::QueryColumns(std::vector<std::string> fieldNames, size_t rowCount, ColumnValuesOf columns) {
    Recordset recordset;
    recordset.open_ = true;
    recordset.names_ = std::move(fieldNames);
    recordset.rowCount_ = rowCount;
    recordset.columns_ = std::move(columns);
    assert(recordset.columns_.size() == recordset.names_.size());
    for ([[maybe_unused]] const auto& column : recordset.columns_) assert(column.size() == rowCount);
    return recordset;
}

Recordset Recordset::Change(uint64_t rowsAffected) {
    Recordset recordset;
    recordset.affected_ = static_cast<int64_t>(rowsAffected);
    return recordset;
}

Status Recordset::CheckRow() const {
    if (!open_) return Status(ErrorCode::NotFound, "the recordset is closed");
    if (Eof()) return Status(ErrorCode::NotFound, "no current record: the recordset is at EOF");
    return Status::Ok();
}

Result<Field> Recordset::Fields(std::string_view name) const {
    for (size_t i = 0; i < names_.size(); ++i) {
        if (SameName(names_[i], name)) return Fields(i);
    }
    if (!open_) return Status(ErrorCode::NotFound, "the recordset is closed");
    return Status(ErrorCode::NotFound, "no field '" + std::string(name) + "' in the recordset");
}

Result<Field> Recordset::Fields(size_t index) const {
    KESTRIN_TRY(CheckRow());
    if (index >= names_.size()) {
        return Status(ErrorCode::NotFound, "no field number " + std::to_string(index) + " in the recordset");
    }
    return Field{names_[index], columns_[index][current_]};
}

Status Recordset::MoveNext() {
    KESTRIN_TRY(CheckRow());
    ++current_;
    return Status::Ok();
}

Result<RowArray> Recordset::GetRows(int64_t count) {
    KESTRIN_TRY(CheckRow());
    if (count < -1 || count == 0) {
        return Status(ErrorCode::InvalidArgument, "GetRows needs a positive count or -1, not " + std::to_string(count));
    }
    const size_t remaining = rowCount_ - current_;
    const size_t taken = (count == -1) ? remaining : std::min<size_t>(remaining, static_cast<uint64_t>(count));
    if (current_ == 0 && taken == rowCount_) {
        // The whole result at once, the usual call: hand the columns over.
        current_ = rowCount_;
        return RowArray(taken, std::exchange(columns_, ColumnValuesOf(names_.size())));
    }
    ColumnValuesOf takenColumns(names_.size());
    for (size_t c = 0; c < names_.size(); ++c) {
        auto first = columns_[c].begin() + ptrdiff_t(current_);
        takenColumns[c].assign(std::make_move_iterator(first), std::make_move_iterator(first + ptrdiff_t(taken)));
    }
    current_ += taken;
    return RowArray(taken, std::move(takenColumns));
}

void Recordset::Close() {
    open_ = false;
    names_.clear();
    columns_.clear();
    rowCount_ = 0;
    current_ = 0;
}

}  // namespace jet
