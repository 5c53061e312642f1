#include "jet/sql/executor.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>

#include "jet/sql/convert.h"

namespace jet {
namespace {

std::string At(size_t position) {
    return " at position " + std::to_string(position);
}

Result<Table*> ResolveTable(Database& db, const Name& name) {
    Result<Table*> table = db.GetTable(name.text);
    if (table.ok() || table.code() != ErrorCode::NotFound) return table;
    return Status(ErrorCode::NotFound, "unknown table '" + name.text + "'" + At(name.position));
}

Result<size_t> ResolveColumn(const Table& table, const Name& name) {
    std::optional<size_t> column = table.FindColumn(name.text);
    if (!column) {
        return Status(ErrorCode::NotFound,
                      "unknown column '" + name.text + "' in table " + table.Name() + At(name.position));
    }
    return *column;
}

// Jet's catalog tables (MSysObjects, MSysACEs ...) describe every other table: a change through SQL
// could make the file unreadable, and Jet refuses it for lack of update permission.
Result<Table*> ResolveTableToChange(Database& db, const Name& name) {
    Result<Table*> table = ResolveTable(db, name);
    if (!table) return table;
    const std::string& actual = (*table)->Name();
    std::string prefix = actual.substr(0, 4);
    for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (prefix == "msys") {
        return Status(ErrorCode::InvalidArgument, "table " + actual + " is a system table and cannot be changed");
    }
    return table;
}

// Positions of `names` in the table, refusing a column named twice (Jet does too).
Result<std::vector<size_t>> ResolveColumns(const Table& table, const std::vector<Name>& names) {
    std::vector<size_t> columns;
    for (const Name& name : names) {
        Result<size_t> column = ResolveColumn(table, name);
        if (!column) return column.status();
        for (size_t earlier : columns) {
            if (earlier == *column) {
                return Status(ErrorCode::InvalidArgument,
                              "column " + table.Columns()[*column].name + " named twice" + At(name.position));
            }
        }
        columns.push_back(*column);
    }
    return columns;
}

// The values of a SET list or an INSERT, converted for their columns, before anything is written.
Result<ColumnValues> ConvertValues(const Table& table, const std::vector<size_t>& columns,
                                   const std::vector<const Literal*>& literals) {
    ColumnValues values;
    for (size_t i = 0; i < columns.size(); ++i) {
        Result<Value> value = LiteralToColumnValue(table.Columns()[columns[i]], *literals[i]);
        if (!value) return value.status().WithContext("table " + table.Name());
        values.emplace_back(columns[i], std::move(*value));
    }
    return values;
}

Result<std::vector<RowPointer>> AllRows(Table& table) {
    std::vector<RowPointer> rows;
    KESTRIN_TRY(table.Scan([&](RowPointer row, const std::vector<Value>&) {
        rows.push_back(row);
        return true;
    }));
    return rows;
}

Result<std::vector<RowPointer>> MatchingRows(Table& table, const std::optional<Comparison>& where) {
    if (!where) return AllRows(table);
    Result<size_t> column = ResolveColumn(table, where->column);
    if (!column) return column.status();
    Result<std::optional<Value>> key = LiteralToSearchKey(table.Columns()[*column], where->value);
    if (!key) return key.status().WithContext("table " + table.Name());
    if (!key->has_value()) return std::vector<RowPointer>();
    return table.FindEqual(*column, **key);
}

// Runs `change` as one transaction: committed when it succeeds, rolled back when it fails.
template <class Change>
Status InTransaction(Database& db, Change change) {
    KESTRIN_TRY(db.Begin());
    Status status = change();
    if (!status.ok()) {
        db.Rollback();
        return status;
    }
    return db.Commit();
}

Result<std::vector<size_t>> SelectedColumns(const Table& table, const std::vector<Name>& names) {
    std::vector<size_t> columns;
    if (names.empty()) {
        for (size_t i = 0; i < table.Columns().size(); ++i) columns.push_back(i);
        return columns;
    }
    for (const Name& name : names) {
        Result<size_t> column = ResolveColumn(table, name);
        if (!column) return column.status();
        columns.push_back(*column);
    }
    return columns;
}

// For each position of the select list: whether its column is named again later (then its value
// is copied there, and moved only at its last mention).
std::vector<bool> NamedAgain(const std::vector<size_t>& selected) {
    std::vector<bool> again(selected.size());
    for (size_t i = 0; i < selected.size(); ++i)
        again[i] = std::find(selected.begin() + ptrdiff_t(i) + 1, selected.end(), selected[i]) != selected.end();
    return again;
}

// Appends the selected fields of one stored row to `columns` (one vector per selected column),
// moving each value out at its last mention in the select list.
Status AppendRow(const Table& table, const std::vector<size_t>& selected, const std::vector<bool>& namedAgain,
                 std::vector<Value>& values, ColumnValuesOf& columns) {
    const std::vector<ColumnInfo>& info = table.Columns();
    if (values.size() != info.size()) {
        return Status(ErrorCode::Corrupt, "table " + table.Name() + ": a row has " + std::to_string(values.size()) +
                                              " values for " + std::to_string(info.size()) + " columns");
    }
    for (size_t i = 0; i < selected.size(); ++i) {
        bool selectedAgain = namedAgain[i];
        Value& value = values[selected[i]];
        if (auto* text = std::get_if<std::string>(&value); text && !selectedAgain) {
            columns[i].emplace_back(std::move(*text));  // straight in: no Result around it to move through
            continue;
        }
        Result<Variant> field = selectedAgain ? ColumnValueToVariant(info[selected[i]], value)
                                              : ColumnValueToVariant(info[selected[i]], std::move(value));
        if (!field) return field.status().WithContext("table " + table.Name());
        columns[i].push_back(std::move(*field));
    }
    return Status::Ok();
}

Result<ColumnValuesOf> SelectedColumnValues(Table& table, const SelectStatement& select,
                                            const std::vector<size_t>& selected) {
    ColumnValuesOf columns(selected.size());
    const std::vector<bool> namedAgain = NamedAgain(selected);
    if (!select.where) {
        // One pass over the rows with the selected values only: no second read of each row by its
        // pointer, no decoding of columns nobody asked for. The stored row count is a hint for the
        // capacity, capped: a damaged definition may claim billions.
        constexpr size_t kMostReserved = size_t(1) << 16;
        for (auto& column : columns) column.reserve(std::min<size_t>(table.RowCount(), kMostReserved));
        std::vector<bool> wanted(table.Columns().size(), false);
        for (size_t column : selected) wanted[column] = true;
        Status appended;
        KESTRIN_TRY(table.ScanColumns(wanted, [&](RowPointer, std::vector<Value>& values) {
            appended = AppendRow(table, selected, namedAgain, values, columns);
            return appended.ok();
        }));
        KESTRIN_TRY(appended);
        return columns;
    }
    Result<std::vector<RowPointer>> matches = MatchingRows(table, select.where);
    if (!matches) return matches.status();
    for (RowPointer pointer : *matches) {
        Result<std::vector<Value>> values = table.ReadRow(pointer);
        if (!values) return values.status();
        KESTRIN_TRY(AppendRow(table, selected, namedAgain, *values, columns));
    }
    return columns;
}

Result<Recordset> Select(Database& db, const SelectStatement& select) {
    Result<Table*> table = ResolveTable(db, select.table);
    if (!table) return table.status();
    Result<std::vector<size_t>> selected = SelectedColumns(**table, select.columns);
    if (!selected) return selected.status();
    Result<ColumnValuesOf> columns = SelectedColumnValues(**table, select, *selected);
    if (!columns) return columns.status();
    std::vector<std::string> names;
    for (size_t column : *selected) names.push_back((*table)->Columns()[column].name);
    size_t rowCount = columns->empty() ? 0 : columns->front().size();
    return Recordset::QueryColumns(std::move(names), rowCount, std::move(*columns));
}

Result<Recordset> Insert(Database& db, const InsertStatement& insert) {
    Result<Table*> table = ResolveTableToChange(db, insert.table);
    if (!table) return table.status();
    Result<std::vector<size_t>> columns = ResolveColumns(**table, insert.columns);
    if (!columns) return columns.status();
    std::vector<const Literal*> literals;
    for (const Literal& literal : insert.values) literals.push_back(&literal);
    Result<ColumnValues> values = ConvertValues(**table, *columns, literals);
    if (!values) return values.status();
    KESTRIN_TRY(InTransaction(db, [&]() -> Status { return (*table)->Insert(*values).status(); }));
    return Recordset::Change(1);
}

Result<Recordset> Update(Database& db, const UpdateStatement& update) {
    Result<Table*> table = ResolveTableToChange(db, update.table);
    if (!table) return table.status();
    std::vector<Name> names;
    std::vector<const Literal*> literals;
    for (const Comparison& assignment : update.assignments) {
        names.push_back(assignment.column);
        literals.push_back(&assignment.value);
    }
    Result<std::vector<size_t>> columns = ResolveColumns(**table, names);
    if (!columns) return columns.status();
    for (size_t i = 0; i < columns->size(); ++i) {
        if ((*table)->Columns()[(*columns)[i]].autoNumber) {
            return Status(ErrorCode::InvalidArgument, "column " + (*table)->Columns()[(*columns)[i]].name +
                                                          " is an AutoNumber and cannot be updated" +
                                                          At(names[i].position));
        }
    }
    Result<ColumnValues> values = ConvertValues(**table, *columns, literals);
    if (!values) return values.status();
    // Matches are collected before the first write, so that rows moved by an update are not met twice.
    Result<std::vector<RowPointer>> matches = MatchingRows(**table, update.where);
    if (!matches) return matches.status();
    if (matches->empty()) return Recordset::Change(0);
    KESTRIN_TRY(InTransaction(db, [&]() -> Status {
        for (RowPointer row : *matches) KESTRIN_TRY((*table)->Update(row, *values));
        return Status::Ok();
    }));
    return Recordset::Change(matches->size());
}

Result<Recordset> Delete(Database& db, const DeleteStatement& del) {
    Result<Table*> table = ResolveTableToChange(db, del.table);
    if (!table) return table.status();
    Result<std::vector<RowPointer>> matches = MatchingRows(**table, del.where);
    if (!matches) return matches.status();
    if (matches->empty()) return Recordset::Change(0);
    KESTRIN_TRY(InTransaction(db, [&]() -> Status {
        for (RowPointer row : *matches) KESTRIN_TRY((*table)->Delete(row));
        return Status::Ok();
    }));
    return Recordset::Change(matches->size());
}

}  // namespace

Result<Recordset> ExecuteStatement(Database& db, const Statement& statement) {
    return std::visit(
        [&](const auto& parsed) -> Result<Recordset> {
            using Parsed = std::decay_t<decltype(parsed)>;
            if constexpr (std::is_same_v<Parsed, SelectStatement>) {
                return Select(db, parsed);
            } else if constexpr (std::is_same_v<Parsed, InsertStatement>) {
                return Insert(db, parsed);
            } else if constexpr (std::is_same_v<Parsed, UpdateStatement>) {
                return Update(db, parsed);
            } else {
                return Delete(db, parsed);
            }
        },
        statement);
}

}  // namespace jet
