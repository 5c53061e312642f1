#include "app/account_list.h"

#include <algorithm>

std::string AccountList::KeyOf(std::string_view alias) {
    std::string key(alias);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

void AccountList::Assign(std::vector<AccountRow> rows) {
    rows_ = std::move(rows);
    RebuildMap();
}

void AccountList::RebuildMap() {
    byAlias_.clear();
    byAlias_.reserve(rows_.size());
    for (int row = 0; row < Count(); ++row) byAlias_[KeyOf(At(row).alias)].push_back(row);
}

void AccountList::Append(AccountRow row) {
    byAlias_[KeyOf(row.alias)].push_back(Count());
    rows_.push_back(std::move(row));
}

void AccountList::Unmap(int row) {
    auto found = byAlias_.find(KeyOf(At(row).alias));
    if (found == byAlias_.end()) return;
    std::vector<int>& rows = found->second;
    rows.erase(std::remove(rows.begin(), rows.end(), row), rows.end());
    if (rows.empty()) byAlias_.erase(found);
}

void AccountList::RemoveLast() {
    if (rows_.empty()) return;
    Unmap(Count() - 1);
    rows_.pop_back();
}

void AccountList::Remove(int row) {
    if (!Has(row)) return;
    if (row == Count() - 1) return RemoveLast();
    rows_.erase(rows_.begin() + row);
    RebuildMap();
}

std::vector<int> AccountList::RowsNamed(std::string_view alias) const {
    auto found = byAlias_.find(KeyOf(alias));
    return found == byAlias_.end() ? std::vector<int>() : found->second;
}

// The new alias's rows stay ascending: the row goes in at its place among them.
void AccountList::Rename(int row, const std::string& alias) {
    if (!Has(row)) return;
    Unmap(row);
    rows_[static_cast<size_t>(row)].alias = alias;
    std::vector<int>& rows = byAlias_[KeyOf(alias)];
    rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
}

void AccountList::TickAll() {
    for (AccountRow& row : rows_) row.ticked = true;
}

void AccountList::InvertTicks() {
    for (AccountRow& row : rows_) row.ticked = !row.ticked;
}
