#pragma once
// QQ_login: the start-up password dialog, shown modally over the loading main window before it is
// ever shown, when a start-up password is stored.

#include "win/main_window.h"

// Asks for the start-up password. True when the right one was entered (the dialog has then started
// the update check); false when the program ended instead ("退出").
bool ShowQQ_login(MainWindow& main);
