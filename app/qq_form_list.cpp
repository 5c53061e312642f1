// QQ_form: ListView1 (its set-up, mouse handling and the list commands) and the home-page label.
#include "app/qq_form.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "win/dialog.h"
#include "win/listview.h"
#include "win/strings.h"

namespace {

constexpr UINT_PTR kListSubclassId = 1;

}  // namespace

void QQ_form::SetUpListView() {
    HWND list = List();
    DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    int size = GetSystemMetrics(SM_CXSMICON);
    images_.Reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0));
    for (int id : {IDI_STATUS_ONLINE, IDI_STATUS_INVISIBLE}) {
        UniqueIcon icon(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
        ImageList_AddIcon(images_.Get(), icon.Get());
    }
    // The list keeps using the image list, which this window owns (LVS_SHAREIMAGELISTS is not needed
    // for a small image list: the list does not destroy LVSIL_SMALL unless told to).
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.Get()));
    SetWindowSubclass(list, ListSubclassProc, kListSubclassId, 0);
}

// A button press anywhere in the list first clears the selection, so a press on empty space leaves
// no row selected; the list's own handling then selects the row under the pointer.
LRESULT CALLBACK QQ_form::ListSubclassProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            int count = ListViewRowCount(list);
            for (int row = 0; row < count; ++row) ListViewSetSelected(list, row, false);
            SendMessageW(list, LVM_SETSELECTIONMARK, 0, -1);
            break;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(list, ListSubclassProc, kListSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(list, msg, wParam, lParam);
}

INT_PTR QQ_form::OnNotify(const NMHDR* header) {
    // The list reports the right button's release as NM_RCLICK: its own press handling waits for
    // the release, so WM_RBUTTONUP never reaches it as a message.
    if (header->idFrom == IDC_QQ_FORM_LISTVIEW1 && header->code == NM_RCLICK) {
        if (SingleSelected()) ShowPopup(QQ_FORM_POPUP_MENUR_MAIN);
        return TRUE;
    }
    return FALSE;
}

bool QQ_form::SingleSelected() const {
    HWND list = List();
    int count = ListViewRowCount(list);
    int selected = 0;
    for (int row = 0; row < count; ++row) {
        if (ListViewIsSelected(list, row)) ++selected;
    }
    return selected == 1;
}

void QQ_form::CheckAll() {
    HWND list = List();
    int count = ListViewRowCount(list);
    for (int row = 0; row < count; ++row) ListViewSetChecked(list, row, true);
}

void QQ_form::InvertChecks() {
    HWND list = List();
    int count = ListViewRowCount(list);
    for (int row = 0; row < count; ++row) ListViewSetChecked(list, row, !ListViewIsChecked(list, row));
}

void QQ_form::RefreshCommands() {
    bool any = ListViewRowCount(List()) > 0;
    EnableItem(hwnd_, IDC_QQ_FORM_CMD_LOGIN, any);
    HMENU bar = GetMenu(hwnd_);
    for (UINT id : {IDM_MMOPEN, IDM_MMED, IDM_MMDEL, IDM_MMCKALL, IDM_MMCKNALL}) {
        EnableMenuItem(bar, id, MF_BYCOMMAND | (any ? MF_ENABLED : MF_GRAYED));
    }
}

void QQ_form::SetUpLabel2() {
    SetItemText(hwnd_, IDC_QQ_FORM_LABEL2, ToWide(globals_.SiteUrl));
    if (!tooltip_) {
        tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    }
    std::wstring tip = Text(IDS_LABEL2_TIP);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, IDC_QQ_FORM_LABEL2));
    tool.lpszText = tip.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The link label shows the standard hand pointer while the mouse is over it.
bool QQ_form::OnSetCursor(HWND over) {
    if (over != GetDlgItem(hwnd_, IDC_QQ_FORM_LABEL2)) return false;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
    return true;
}

INT_PTR QQ_form::OnCtlColorStatic(HDC dc, HWND control) {
    if (control != GetDlgItem(hwnd_, IDC_QQ_FORM_LABEL2)) return FALSE;
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}
