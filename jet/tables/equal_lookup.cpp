// TableImpl: equality look-ups on a text column that no index covers. Kestrin finds every account by
// its alias, which has no index; a scan per statement would make a run over n accounts cost n scans.
// The look-up answers exactly as the scan with JetEquals does. JetEquals compares index keys when
// both texts have one and the texts with ASCII letters folded otherwise. Whether a text has a key
// depends on its characters (and the column's sort order), never on the case of ASCII letters, so two
// texts equal when folded either both have keys or both lack one: a text with a key can only match
// rows with keys, by key, and a text without one only rows without, by folded text. The rows come in
// storage order, as a scan yields them.
#include <algorithm>

#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

bool StorageOrder(const RowPointer& a, const RowPointer& b) {
    return a.page != b.page ? a.page < b.page : a.row < b.row;
}

std::string FoldedAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    }
    return text;
}

}  // namespace

std::pair<bool, std::string> TableImpl::LookupKey(size_t column, const std::string& text) const {
    const ColumnDef& c = def_.columns[column];
    std::vector<IndexKeyColumn> key{{ColumnType::Text, true, c.SortOrder(), c.SortVersion()}};
    auto encoded = EncodeIndexKey(key, {Value(text)});
    if (encoded.ok()) return {true, std::move(*encoded)};
    return {false, FoldedAscii(text)};
}

Result<TableImpl::ColumnLookup*> TableImpl::LookupFor(size_t column) {
    auto found = lookups_.find(column);
    if (found != lookups_.end()) return &found->second;
    ColumnLookup lookup;
    std::vector<bool> wanted(def_.columns.size(), false);
    wanted[column] = true;
    KESTRIN_TRY(ScanColumns(wanted, [&](RowPointer row, std::vector<Value>& values) {
        const auto* text = std::get_if<std::string>(&values[column]);
        if (!text) return true;  // Null never matches
        auto [keyed, key] = LookupKey(column, *text);
        (keyed ? lookup.byKey : lookup.byFolded)[key].push_back(row);
        return true;
    }));
    return &lookups_.emplace(column, std::move(lookup)).first->second;
}

Result<std::optional<std::vector<RowPointer>>> TableImpl::FindEqualByLookup(size_t column, const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (def_.columns[column].type != ColumnType::Text || !text) return std::optional<std::vector<RowPointer>>();
    auto lookup = LookupFor(column);
    KESTRIN_TRY(lookup);
    auto [keyed, key] = LookupKey(column, *text);
    auto& rows = keyed ? (*lookup)->byKey : (*lookup)->byFolded;
    std::vector<RowPointer> found;
    if (auto match = rows.find(key); match != rows.end()) found = match->second;
    std::sort(found.begin(), found.end(), StorageOrder);
    return std::optional<std::vector<RowPointer>>(std::move(found));
}

void TableImpl::NoteRowChange(RowPointer row, const std::vector<Value>* before, const std::vector<Value>* after) {
    for (auto& [column, lookup] : lookups_) {
        if (const auto* text = before ? std::get_if<std::string>(&(*before)[column]) : nullptr) {
            auto [keyed, key] = LookupKey(column, *text);
            auto& rows = keyed ? lookup.byKey : lookup.byFolded;
            if (auto match = rows.find(key); match != rows.end()) {
                auto& list = match->second;
                list.erase(std::remove(list.begin(), list.end(), row), list.end());
                if (list.empty()) rows.erase(match);
            }
        }
        if (const auto* text = after ? std::get_if<std::string>(&(*after)[column]) : nullptr) {
            auto [keyed, key] = LookupKey(column, *text);
            (keyed ? lookup.byKey : lookup.byFolded)[key].push_back(row);
        }
    }
}

}  // namespace jet
