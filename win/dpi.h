#pragma once
// Sizes given in twips (1/1440 inch) turned into pixels for a window's DPI.

#include <windows.h>

// Rounds to the nearest pixel: 1700 twips are 113 pixels at 96 DPI and 170 at 144 DPI.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

// The DPI the window is drawn at (96 at 100 %).
int WindowDpi(HWND window);
