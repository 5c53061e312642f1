#include "win/dialog.h"

std::wstring GetWindowString(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

std::wstring GetItemText(HWND dlg, int id) {
    HWND item = GetDlgItem(dlg, id);
    return item ? GetWindowString(item) : std::wstring();
}

bool SetItemText(HWND dlg, int id, std::wstring_view text) {
    std::wstring terminated(text);
    return SetDlgItemTextW(dlg, id, terminated.c_str()) != FALSE;
}

bool IsItemChecked(HWND dlg, int id) {
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

void SetItemChecked(HWND dlg, int id, bool checked) {
    CheckDlgButton(dlg, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableItem(HWND dlg, int id, bool enabled) {
    EnableWindow(GetDlgItem(dlg, id), enabled ? TRUE : FALSE);
}
