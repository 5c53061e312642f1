#include "win/listview.h"

#include <commctrl.h>

int ListViewAddColumn(HWND list, std::wstring_view header, int widthPixels) {
    std::wstring text(header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = text.data();
    column.cx = widthPixels;
    int index = ListViewColumnCount(list);
    column.iSubItem = index;
    return static_cast<int>(SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

int ListViewColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int ListViewColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
}

std::wstring ListViewColumnText(HWND list, int column) {
    wchar_t buffer[256] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = buffer;
    info.cchTextMax = static_cast<int>(std::size(buffer));
    if (!SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info))) return {};
    return buffer;
}

int ListViewRowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListViewGetText(HWND list, int row, int subItem) {
    // LVM_GETITEMTEXTW returns the length copied; grow until the text fits with room to spare.
    std::wstring buffer(128, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        auto copied = static_cast<size_t>(SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size()) {
            buffer.resize(copied);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

int ListViewGetImage(HWND list, int row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return kNoImage;
    return item.iImage < 0 ? kNoImage : item.iImage;
}

// The check box is state image 2 (ticked) or 1 (unticked), in bits 12-15 of the item state.
bool ListViewIsChecked(HWND list, int row) {
    auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

bool ListViewIsSelected(HWND list, int row) {
    return (SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void ListViewSetSelected(HWND list, int row, bool selected) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int ListViewSelectedCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
}

int ListViewNextSelected(HWND list, int after) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, after, MAKELPARAM(LVNI_SELECTED, 0)));
}

// Row -1 stands for every row.
void ListViewSelectNone(HWND list) {
    ListViewSetSelected(list, -1, false);
}

int ListViewFocusedRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_FOCUSED, 0)));
}

void ListViewSetVirtualCount(HWND list, int count) {
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
}

void ListViewRedrawRow(HWND list, int row) {
    SendMessageW(list, LVM_REDRAWITEMS, row, row);
}

int ListViewRowAt(HWND list, POINT point, bool* onStateImage) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    int row = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (onStateImage) *onStateImage = row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) != 0;
    return row;
}
