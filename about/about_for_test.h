#pragma once
// A modeless way into QQ_about for the Windows tests, which drive the real window with messages.

#include <windows.h>

#include "win/main_window.h"

// Loads QQ_about modeless, owned by the main window. `allowBrowser` false stands for a system
// without the browser control: the help link is shown. WM_CLOSE or UnloadQQ_about destroys it.
HWND CreateQQ_aboutForTest(MainWindow& main, bool allowBrowser);
