#pragma once
// A report-view list of another process, read and changed as a user's clicks would: the list's
// messages carry pointers, so their LVITEMW and text buffer live in the list's own process.

#include <windows.h>

#include <optional>
#include <string>

class RemoteList {
  public:
    explicit RemoteList(HWND list);
    ~RemoteList();
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;

    bool Ok() const { return memory_ != nullptr; }
    int RowCount() const;
    std::optional<std::wstring> Text(int row, int subItem) const;
    bool Checked(int row) const;
    bool SetState(int row, UINT state, UINT mask) const;

  private:
    HWND list_;                 // borrowed
    HANDLE process_ = nullptr;  // owned
    void* memory_ = nullptr;    // owned: in the list's process
};
