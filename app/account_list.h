#pragma once
// AccountList: the rows ListView1 shows, held by the program (the list view is an owner-data list
// that asks for what it draws). One row per stored account, in the stored order, with the alias,
// the last login, the status icon and the tick.
// Invariants:
//   1. Rows count from 0 and keep their order; an appended row goes at the end.
//   2. A row is known by its alias. RowsNamed finds every row of an alias in time that does not grow
//      with the list (an alias map), comparing as the engine compares text: ASCII letters without
//      regard to case.
//   3. Only Remove and Rename touch the map beyond one entry; Remove shifts the later rows down by one
//      and so costs a pass over the map (a delete is one such call, never one per row).
// Portable: no Win32, so its cases are tested natively.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct AccountRow {
    std::string alias;  // A_Name, UTF-8
    std::string last;   // A_last as text
    int image = -1;     // kImageOnline, kImageInvisible or kImageNone
    bool ticked = false;
};

class AccountList {
  public:
    void Assign(std::vector<AccountRow> rows);
    int Count() const { return static_cast<int>(rows_.size()); }
    bool Has(int row) const { return row >= 0 && row < Count(); }
    const AccountRow& At(int row) const { return rows_[static_cast<size_t>(row)]; }

    void Append(AccountRow row);
    void RemoveLast();
    void Remove(int row);
    // The rows of this alias, in list order.
    std::vector<int> RowsNamed(std::string_view alias) const;

    void Rename(int row, const std::string& alias);
    void SetImage(int row, int image) { rows_[static_cast<size_t>(row)].image = image; }
    void SetLast(int row, std::string last) { rows_[static_cast<size_t>(row)].last = std::move(last); }
    void SetTicked(int row, bool ticked) { rows_[static_cast<size_t>(row)].ticked = ticked; }
    void Toggle(int row) { SetTicked(row, !At(row).ticked); }
    void TickAll();
    void InvertTicks();

  private:
    static std::string KeyOf(std::string_view alias);
    void Unmap(int row);
    void RebuildMap();

    std::vector<AccountRow> rows_;
    std::unordered_map<std::string, std::vector<int>> byAlias_;  // rows ascending
};
