#pragma once
// Modeless ways into QQ_set and QQ_login for the Windows tests, which drive the real dialogs with
// messages instead of entering their modal loops. Production code uses qq_set.h and qq_login.h.
// A dialog made here behaves exactly as the modal one, except that closing destroys the window
// instead of ending a modal loop; `inOut` must outlive the window. Null when one is already open.
// The open one, modal or modeless, is DialogWindow::OpenWindow(IDD_QQ_SET / IDD_QQ_LOGIN).

#include <windows.h>

#include "settings/qq_login.h"
#include "settings/qq_set.h"

HWND CreateQQ_setForTest(HWND owner, QQ_setData* inOut);
HWND CreateQQ_loginForTest(HWND owner, QQ_loginData* inOut);
