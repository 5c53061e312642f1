#pragma once
// QQ_set: the settings dialog, with the QQ client's path and the start-up password on two pages and
// the button that starts a user's update check. Modal, owned by the main window.

#include "win/main_window.h"

// Loads QQ_set and shows it modally (the main menu's "程序设置").
void ShowQQ_set(MainWindow& main);
// Gives Command5 back its caption "检查更新" and enables it, when a check the dialog started ends;
// nothing when the dialog is not open.
void RestoreQQ_setCheckButton();
// Closes QQ_set if it is open (an accepted update unloads every window).
void UnloadQQ_set();
