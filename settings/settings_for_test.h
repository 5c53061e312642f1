#pragma once
// Modeless ways into QQ_set and QQ_login for the Windows tests, which drive the real dialogs with
// messages instead of entering their modal loops. Production code uses qq_set.h and qq_login.h.
// Invariants:
//   1. A dialog made here behaves exactly as the modal one, except that unloading destroys the
//      window instead of ending a modal loop.
//   2. At most one QQ_set and one QQ_login exist at a time, however they were made.

#include <windows.h>

#include "win/main_window.h"

// QQ_set over `main`, loaded and shown; null when one is already open or the template is missing.
HWND CreateQQ_setForTest(MainWindow& main);

// QQ_login over `main`, loaded and shown; null when one is already open.
HWND CreateQQ_loginForTest(MainWindow& main);
// The QQ_login open now (modal or modeless), or null: a test answers the modal one through it.
HWND OpenQQ_loginWindow();
// How the last QQ_login closed: true after the right password, false after "退出" (or none yet).
bool LastQQ_loginAccepted();
