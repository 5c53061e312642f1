#pragma once
// QQ_Add, the account editor: add mode for a new account, edit mode for the account it is given.
// Invariants:
//   1. At most one QQ_Add is open (DialogWindow::OpenWindow(IDD_QQ_ADD) while it is).
//   2. The typed password never outlives a save: it is read, replaced in the box by a placeholder,
//      hashed and wiped; the dialog keeps only the hash, and only until the save is handed on.
//   3. The dialog writes neither the list nor the account: each checked save goes to the
//      AccountSaves it was given, which changes the list row before the statement that stores it
//      runs and takes an added row back when its insert fails, so the list shows only stored accounts.
//   4. The same object and procedure run modal (Dialog_QQ_Add, production) and modeless (tests).

#include <windows.h>

#include <string>

#include "accounts/account_logic.h"
#include "common/result.h"
#include "common/services.h"

class AccountDb;

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

// How the editor ended: by its own buttons (a save in edit mode, a save without continuous input,
// Cancel) or by the title bar's close, an edit target that was gone, or an unloading.
enum class QQ_AddEnd { kClosed, kCancelled, kSaved };

// What QQ_Add is given and what it tells back.
struct QQ_AddData {
    std::string editAlias;            // in: the account to edit; empty: add mode
    AccountDb* db = nullptr;          // in, borrowed: the edit target and the checks of a save
    Services* services = nullptr;     // in, borrowed: its message boxes
    AccountSaves* saves = nullptr;    // in, borrowed: where each checked save goes
    QQ_AddEnd end = QQ_AddEnd::kClosed;  // out
};

// Shows QQ_Add modally over `owner` until it ends; inOut->end says how.
void Dialog_QQ_Add(HWND owner, QQ_AddData* inOut);
// The same dialog modeless, for the Windows tests; `inOut` must outlive the window. Null when loading
// closed it again (an edit target that is gone), one is open or the template is missing.
HWND CreateQQ_AddForTest(HWND owner, QQ_AddData* inOut);
// Closes QQ_Add if it is open, as its title bar's close does (an accepted update unloads every window).
void UnloadQQ_Add();
// The tooltip text the open dialog gives control `id` (empty when it has none).
std::wstring QQ_AddToolTip(HWND dialog, int id);
