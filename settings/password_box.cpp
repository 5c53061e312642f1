#include "settings/password_box.h"

#include <string>

#include "settings/settings_logic.h"
#include "win/dialog.h"
#include "win/strings.h"

void SetUpPasswordBox(HWND dlg, int id) {
    HWND box = GetDlgItem(dlg, id);
    // With visual styles the system's mask is a dot; the boxes have always shown "*".
    SendMessageW(box, EM_SETPASSWORDCHAR, L'*', 0);
    SendMessageW(box, EM_SETLIMITTEXT, kPasswordBoxChars, 0);
}

void FilterPasswordBox(HWND dlg, int id) {
    std::wstring text = GetItemText(dlg, id);
    std::wstring kept = ToWide(RemoveApostrophes(ToUtf8(text)));
    if (kept != text) SetItemText(dlg, id, kept);
    auto end = static_cast<WPARAM>(kept.size());
    SendDlgItemMessageW(dlg, id, EM_SETSEL, end, static_cast<LPARAM>(end));
}
