#pragma once
// QQ_Add, the account editor, as the entry points and the Windows tests reach it. The mode comes
// from the global EditAlias when the dialog loads: edit when it is set, add otherwise.
// Invariants:
//   1. At most one QQ_Add is open; OpenQQ_Add() is its HWND while it is, else null.
//   2. The typed password never outlives a save: it is read, replaced in the box by a placeholder,
//      hashed and wiped; the dialog keeps only the hash, and only until the save is handed on.
//   3. The dialog writes neither the list nor the account: each checked save goes to the
//      AccountSaves it was given, which changes the list row before the statement that stores it
//      runs and takes an added row back when its insert fails, so the list shows only stored accounts.
//   4. The same procedure runs modal (DialogBoxParamW, production) and modeless (tests).

#include <windows.h>

#include <string>

#include "accounts/account_logic.h"
#include "common/result.h"
#include "win/main_window.h"

// One save the user made, checked and with the password hashed.
struct AccountSave {
    EditorMode mode = EditorMode::Add;
    std::string number;
    std::string alias;
    LoginStatus status = LoginStatus::Online;
    std::string hash;
};

// Where the editor's saves go: the main window applies each to its list and to config.dat.
class AccountSaves {
  public:
    virtual ~AccountSaves() = default;
    // An error when the statement failed (an added row is gone again by then).
    virtual Status Save(const AccountSave& save) = 0;
};

// Loads QQ_Add modally over the main window, as the menu commands do.
void ShowQQ_AddModal(MainWindow& main, AccountSaves& saves);
// Loads QQ_Add modeless over the main window, for tests. Null when loading closed it again (an
// edit target that is gone) or the template is missing.
HWND CreateQQ_AddForTest(MainWindow& main, AccountSaves& saves);
// The open QQ_Add, or null.
HWND OpenQQ_Add();
// The tooltip text the open dialog gives control `id` (empty when it has none).
std::wstring QQ_AddToolTip(HWND dialog, int id);
