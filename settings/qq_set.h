#pragma once
// QQ_set: the settings dialog, with the QQ client's path and the start-up password on two pages and
// the button that starts a user's update check. Modal, owned by the main window.
// Invariants:
//   1. At most one QQ_set exists; it always opens on the path page with an empty password box.
//   2. OK stores only the showing page's value (S_QQpath or S_pass); QQPath changes only together
//      with a stored S_QQpath. Cancel, Esc, the close box and "清除" store nothing.
//   3. The password box never holds an apostrophe; a path is stored exactly as typed.
//   4. A failed write is told in a message box ("提示", OK); config.dat that cannot be opened ends the
//      program through the store.

#include "win/main_window.h"

// Loads QQ_set and shows it modally (the main menu's "程序设置").
void ShowQQ_set(MainWindow& main);
// Gives Command5 back its caption "检查更新" and enables it, when a check the dialog started ends;
// nothing when the dialog is not open.
void RestoreQQ_setCheckButton();
// Closes QQ_set if it is open (an accepted update unloads every window).
void UnloadQQ_set();
