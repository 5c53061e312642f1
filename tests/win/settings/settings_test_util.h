#pragma once
// Helpers of the settings dialogs' Windows tests: the settings row as config.dat holds it, the
// tab order of a dialog's controls, and a static control's text colour as the dialog paints it.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win/test_folder.h"
#include "win/dialog.h"
#include "win/strings.h"

struct SettingsRow {
    std::string qqPath;  // "<Null>" for Null
    std::string password;
};

inline std::string TextOrNull(const jet::Variant& value) {
    return value.IsNull() ? "<Null>" : value.Text();
}

inline SettingsRow ReadSettingsRow(const std::string& dbPath) {
    auto rows = QueryConfigDat(dbPath, "select S_QQpath,S_pass from zk_auto_sys");
    if (rows.size() != 1 || rows[0].size() != 2) return {"<no row>", "<no row>"};
    return {TextOrNull(rows[0][0]), TextOrNull(rows[0][1])};
}

// The ids of the controls a user reaches with Tab, in order: the z-order, which is the template's.
inline std::vector<int> TabStopIds(HWND dlg) {
    std::vector<int> ids;
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) ids.push_back(GetDlgCtrlID(child));
    }
    return ids;
}

// The text colour the dialog gives static control `id` when it is painted.
inline COLORREF StaticTextColor(HWND dlg, int id) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    return color;
}

inline std::string ItemText(HWND dlg, int id) {
    return ToUtf8(GetItemText(dlg, id));
}

inline bool ItemEnabled(HWND dlg, int id) {
    return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE;
}

inline bool ItemVisible(HWND dlg, int id) {
    return (GetWindowLongW(GetDlgItem(dlg, id), GWL_STYLE) & WS_VISIBLE) != 0;
}
