// TableImpl: equality look-ups on a text column that no index covers. Kestrin finds every account by
// its alias, which has no index; a scan per statement would make a run over n accounts cost n scans.
// The look-up answers exactly as the scan with JetEquals does: the same key decides, text without a
// key is compared row by row, and the rows come in storage order.
#include <algorithm>

#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

bool StorageOrder(const RowPointer& a, const RowPointer& b) {
    return a.page != b.page ? a.page < b.page : a.row < b.row;
}

void Erase(std::vector<RowPointer>& rows, RowPointer row) {
    rows.erase(std::remove(rows.begin(), rows.end(), row), rows.end());
}

}  // namespace

std::optional<std::string> TableImpl::LookupKey(size_t column, const Value& value) const {
    if (!std::get_if<std::string>(&value)) return std::nullopt;
    const ColumnDef& c = def_.columns[column];
    std::vector<IndexKeyColumn> key{{ColumnType::Text, true, c.SortOrder(), c.SortVersion()}};
    auto encoded = EncodeIndexKey(key, {value});
    if (!encoded.ok()) return std::nullopt;
    return std::move(*encoded);
}

Result<TableImpl::ColumnLookup*> TableImpl::LookupFor(size_t column) {
    auto found = lookups_.find(column);
    if (found != lookups_.end()) return &found->second;
    ColumnLookup lookup;
    std::vector<bool> wanted(def_.columns.size(), false);
    wanted[column] = true;
    KESTRIN_TRY(ScanColumns(wanted, [&](RowPointer row, std::vector<Value>& values) {
        if (IsNull(values[column])) return true;
        if (auto key = LookupKey(column, values[column]))
            lookup.byKey[*key].push_back(row);
        else
            lookup.unkeyed.push_back(row);
        return true;
    }));
    return &lookups_.emplace(column, std::move(lookup)).first->second;
}

Result<std::optional<std::vector<RowPointer>>> TableImpl::FindEqualByLookup(size_t column, const Value& value) {
    if (def_.columns[column].type != ColumnType::Text) return std::optional<std::vector<RowPointer>>();
    std::optional<std::string> key = LookupKey(column, value);
    if (!key) return std::optional<std::vector<RowPointer>>();
    auto lookup = LookupFor(column);
    KESTRIN_TRY(lookup);
    std::vector<RowPointer> found;
    if (auto rows = (*lookup)->byKey.find(*key); rows != (*lookup)->byKey.end()) found = rows->second;
    for (RowPointer row : (*lookup)->unkeyed) {
        auto values = ReadRow(row);
        KESTRIN_TRY(values);
        if (JetEquals(column, (*values)[column], value)) found.push_back(row);
    }
    std::sort(found.begin(), found.end(), StorageOrder);
    return std::optional<std::vector<RowPointer>>(std::move(found));
}

void TableImpl::NoteRowChange(RowPointer row, const std::vector<Value>* before, const std::vector<Value>* after) {
    for (auto& [column, lookup] : lookups_) {
        if (before && !IsNull((*before)[column])) {
            auto key = LookupKey(column, (*before)[column]);
            if (key) {
                if (auto rows = lookup.byKey.find(*key); rows != lookup.byKey.end()) Erase(rows->second, row);
            } else {
                Erase(lookup.unkeyed, row);
            }
        }
        if (after && !IsNull((*after)[column])) {
            auto key = LookupKey(column, (*after)[column]);
            if (key)
                lookup.byKey[*key].push_back(row);
            else
                lookup.unkeyed.push_back(row);
        }
    }
}

}  // namespace jet
