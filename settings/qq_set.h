#pragma once
// QQ_set: the settings dialog, with the QQ client's path and the start-up password on two pages and
// the button that starts a user's update check. Modal, owned by the main window.
// Invariants:
//   1. At most one QQ_set exists; it always opens on the path page with an empty password box.
//   2. OK stores only the showing page's value (S_QQpath or S_pass); the path handed back changes
//      only together with a stored S_QQpath. Cancel, Esc, the close box and "清除" store nothing.
//   3. The password box never holds an apostrophe; a path is stored exactly as typed.
//   4. A failed write is told in a message box ("提示", OK); config.dat that cannot be opened ends the
//      program through the store.

#include <windows.h>

#include <functional>
#include <string>

class AccountDb;
struct Services;

// What QQ_set shows, what it may do while open, and what it changed.
struct QQ_setData {
    std::string appTitle;                    // in: the caption's first part
    std::string qqPath;                      // in: Text1's text; out: the path stored, if one was
    AccountDb* db = nullptr;                 // in, borrowed: where OK stores the page's value
    Services* services = nullptr;            // in, borrowed: message boxes and the file dialog
    std::function<void()> startUpdateCheck;  // in: Command5, a user's check from this dialog
};

// Loads QQ_set and shows it modally over `owner` (the main menu's "程序设置"). True when OK stored a
// new S_QQpath, which is then in inOut->qqPath.
bool Dialog_QQ_set(HWND owner, QQ_setData* inOut);
// Gives Command5 back its caption "检查更新" and enables it, when a check the dialog started ends;
// nothing when the dialog is not open.
void RestoreQQ_setCheckButton();
// Closes QQ_set if it is open, storing nothing (an accepted update unloads every window).
void UnloadQQ_set();
