#pragma once
// QQ_Add, the account editor, as the entry points and the Windows tests reach it. The mode comes
// from the global EditAlias when the dialog loads: edit when it is set, add otherwise.
// Invariants:
//   1. At most one QQ_Add is open; OpenQQ_Add() is its HWND while it is, else null.
//   2. The typed password never outlives a save: it is read, replaced in the box by a placeholder,
//      hashed and wiped; the dialog keeps only the hash, and only until the statement has run.
//   3. The list row is changed before the statement that stores it runs; a failed insert takes its
//      row back so the list shows only stored accounts.
//   4. The same procedure runs modal (DialogBoxParamW, production) and modeless (tests).

#include <windows.h>

#include <string>

#include "win/main_window.h"

// Loads QQ_Add modally over the main window, as the menu commands do.
void ShowQQ_AddModal(MainWindow& main);
// Loads QQ_Add modeless over the main window, for tests. Null when loading closed it again (an
// edit target that is gone) or the template is missing.
HWND CreateQQ_AddForTest(MainWindow& main);
// The open QQ_Add, or null.
HWND OpenQQ_Add();
// The tooltip text the open dialog gives control `id` (empty when it has none).
std::wstring QQ_AddToolTip(HWND dialog, int id);
