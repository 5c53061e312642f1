#pragma once
// A modeless way into QQ_about for the Windows tests, which drive the real window with messages.

#include <windows.h>

#include "about/QQ_about.h"

// Loads QQ_about modeless over `owner`; `in` must outlive the window. WM_CLOSE or UnloadQQ_about
// destroys it.
HWND CreateQQ_aboutForTest(HWND owner, const QQ_aboutData& in);
