#include "jet/sql/recordset.h"

#include <algorithm>

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
    Recordset recordset;
    recordset.open_ = true;
    recordset.names_ = std::move(fieldNames);
    recordset.rows_ = std::move(rows);
    for ([[maybe_unused]] const auto& row : recordset.rows_) assert(row.size() == recordset.names_.size());
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
    return Field{names_[index], rows_[current_][index]};
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
    const size_t remaining = rows_.size() - current_;
    const size_t taken = (count == -1) ? remaining : std::min<size_t>(remaining, static_cast<uint64_t>(count));
    RowArray rows(names_.size(), taken);
    for (size_t row = 0; row < taken; ++row) {
        for (size_t column = 0; column < names_.size(); ++column) rows.At(column, row) = rows_[current_ + row][column];
    }
    current_ += taken;
    return rows;
}

void Recordset::Close() {
    open_ = false;
    names_.clear();
    rows_.clear();
    current_ = 0;
}

}  // namespace jet
