#include "win/dpi.h"

int WindowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; look it up so the program still starts on 7.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && window) {
        UINT dpi = getDpi(window);
        if (dpi) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? dpi : 96;
}
