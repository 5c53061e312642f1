// QQ_form: ListView1 (its set-up, what it shows of the rows, mouse and keys, the list commands) and
// the home-page label.
#include "app/qq_form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "resources/resource_ids.h"
#include "win/dialog.h"
#include "win/listview.h"
#include "win/strings.h"

namespace {

constexpr UINT_PTR kListSubclassId = 1;

// The two check-box pictures as state images 1 (empty) and 2 (ticked), drawn by the system as the
// list's own check boxes are; an owner-data list keeps no tick, so these draw the rows' ticks.
HIMAGELIST CheckBoxImages(int size) {
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32, 2, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    int box = std::min(size, 13);
    RECT whole{0, 0, size, size};
    RECT frame{(size - box) / 2, (size - box) / 2, (size - box) / 2 + box, (size - box) / 2 + box};
    for (UINT ticked : {0u, static_cast<UINT>(DFCS_CHECKED)}) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        FillRect(dc, &whole, GetSysColorBrush(COLOR_WINDOW));
        DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | ticked);
        SelectObject(dc, previous);
        ImageList_Add(images, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return images;
}

// The text of a row's column into the list's buffer, cut to fit as the list cuts its own texts.
void CopyText(const std::string& text, LVITEMW& item) {
    if (!item.pszText || item.cchTextMax <= 0) return;
    std::wstring wide = ToWide(text);
    size_t length = std::min(wide.size(), static_cast<size_t>(item.cchTextMax - 1));
    wide.copy(item.pszText, length);
    item.pszText[length] = L'\0';
}

}  // namespace

void QQ_form::SetUpListView() {
    HWND list = List();
    DWORD extended = LVS_EX_FULLROWSELECT;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    int size = GetSystemMetrics(SM_CXSMICON);
    images_.Reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0));
    for (int id : {IDI_STATUS_ONLINE, IDI_STATUS_INVISIBLE}) {
        UniqueIcon icon(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
        ImageList_AddIcon(images_.Get(), icon.Get());
    }
    // The list uses the image lists, which this window owns (the template's LVS_SHAREIMAGELISTS keeps
    // the list from destroying its state images).
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.Get()));
    checks_.Reset(CheckBoxImages(GetSystemMetrics(SM_CXSMICON)));
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(checks_.Get()));
    // The ticks are asked for with the texts, like every other part of a row.
    SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    SetWindowSubclass(list, ListSubclassProc, kListSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

// A button press anywhere in the list first clears the selection, so a press on empty space leaves
// no row selected; the list's own handling then selects the row under the pointer. A left press on a
// check box (each press of a double click too) flips that row's tick.
LRESULT CALLBACK QQ_form::ListSubclassProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            ListViewSelectNone(list);
            SendMessageW(list, LVM_SETSELECTIONMARK, 0, -1);
            [[fallthrough]];
        case WM_LBUTTONDBLCLK: {
            bool onBox = false;
            int row = ListViewRowAt(list, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, &onBox);
            if (onBox && msg != WM_RBUTTONDOWN && msg != WM_MBUTTONDOWN)
                reinterpret_cast<QQ_form*>(self)->ToggleRow(row);
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
    if (header->idFrom != IDC_QQ_FORM_LISTVIEW1) return FALSE;
    switch (header->code) {
        case LVN_GETDISPINFOW:
            OnGetDisplayInfo(const_cast<NMLVDISPINFOW*>(reinterpret_cast<const NMLVDISPINFOW*>(header))->item);
            return TRUE;
        case LVN_KEYDOWN:
            // The space bar flips the tick of the row with the focus, as a check-box list does.
            if (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_SPACE) ToggleRow(ListViewFocusedRow(List()));
            return TRUE;
        case NM_RCLICK:
            // The list reports the right button's release as NM_RCLICK: its own press handling waits
            // for the release, so WM_RBUTTONUP never reaches it as a message.
            if (SingleSelected()) ShowPopup(QQ_FORM_POPUP_MENUR_MAIN);
            return TRUE;
        default:
            return FALSE;
    }
}

void QQ_form::OnGetDisplayInfo(LVITEMW& item) const {
    if (!rows_.Has(item.iItem)) return;
    const AccountRow& row = rows_.At(item.iItem);
    if (item.mask & LVIF_TEXT) CopyText(item.iSubItem == 0 ? row.alias : item.iSubItem == 1 ? row.last : "", item);
    if (item.mask & LVIF_IMAGE) item.iImage = row.image < 0 ? I_IMAGENONE : row.image;
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.ticked ? 2 : 1);
    }
}

void QQ_form::ToggleRow(int row) {
    if (rows_.Has(row)) SetTicked(row, !rows_.At(row).ticked);
}

void QQ_form::SetTicked(int row, bool ticked) {
    if (!rows_.Has(row)) return;
    rows_.SetTicked(row, ticked);
    ListViewRedrawRow(List(), row);
}

void QQ_form::SetRowLastLogin(int row, const std::string& timeText) {
    if (!rows_.Has(row)) return;
    rows_.SetLast(row, timeText);
    ListViewRedrawRow(List(), row);
}

void QQ_form::RedrawList() {
    InvalidateRect(List(), nullptr, FALSE);
}

bool QQ_form::SingleSelected() const {
    return ListViewSelectedCount(List()) == 1;
}

void QQ_form::CheckAll() {
    rows_.TickAll();
    RedrawList();
}

void QQ_form::InvertChecks() {
    rows_.InvertTicks();
    RedrawList();
}

// Every change of the rows ends here, so this is where the list learns how many there are now.
void QQ_form::RefreshCommands() {
    if (ListViewRowCount(List()) != rows_.Count()) ListViewSetVirtualCount(List(), rows_.Count());
    bool any = rows_.Count() > 0;
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
