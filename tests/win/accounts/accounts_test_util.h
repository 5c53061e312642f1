#pragma once
// Shared steps of the account commands' Windows tests: the editor opened modeless over a loaded main
// window, typing and clicking in it, and reading back the list and config.dat.

#include <windows.h>

#include <string>
#include <vector>

#include "accounts/qq_add_dialog.h"
#include "tests/win/qq_form_harness.h"

// The editor over `h`'s main window, given what the main window gives it; edit mode when
// `editAlias` is not empty, for list row `editRow` (from 1).
HWND OpenEditor(QQFormHarness& h, const std::string& editAlias = "", int editRow = 0);
// What the last editor opened was given, and how it ended.
QQ_AddData& EditorData();
// Characters as the keyboard gives them to the control.
void Type(HWND dialog, int id, const std::wstring& text);
void ClickItem(HWND dialog, int id);
std::wstring ItemText(HWND dialog, int id);
// The list's row texts, in order.
std::vector<std::wstring> ListRows(HWND list);
// A_Name of every stored account, in table order.
std::vector<std::string> StoredNames(const std::string& dbPath);
// One stored account by number: A_Name, A_activ, A_stat, A_last, A_pass as text ("" for none).
std::vector<std::string> StoredAccount(const std::string& dbPath, const std::string& number);
std::string Utf8(const std::wstring& text);
