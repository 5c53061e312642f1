#pragma once
// Reading and writing the controls of a dialog by id, in UTF-16 as Win32 holds them.
// Invariants:
//   1. Texts have no length limit: reads size their buffer from the control, never truncate.
//   2. A missing control reads as empty or unchecked; it is never an error or a crash.

#include <windows.h>

#include <string>
#include <string_view>

// The whole text of a window (no length limit).
std::wstring GetWindowString(HWND window);
// The text of control `id` of `dlg`; empty when there is no such control.
std::wstring GetItemText(HWND dlg, int id);
bool SetItemText(HWND dlg, int id, std::wstring_view text);

// Check boxes: BST_CHECKED is true, anything else false.
bool IsItemChecked(HWND dlg, int id);
void SetItemChecked(HWND dlg, int id, bool checked);

// Enables or disables a control of the dialog.
void EnableItem(HWND dlg, int id, bool enabled);
