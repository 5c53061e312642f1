#include "tests/win/qq_form_harness.h"

#include <gtest/gtest.h>

#include "win/listview.h"
#include "win/strings.h"

std::string InsertAccount(const std::string& name, const std::string& qq, const std::string& activ,
                          const std::string& stat, const std::string& last) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values('" + name + "','" + qq + "'," +
           activ + "," + stat + ",'" + last + "','kAFQmDzST7DWlj99KOF/cg')";
}

QQFormHarness::QQFormHarness(const std::vector<std::string>& statements, bool writeDb) {
    globals = StartupSettings(folder.PathUtf8(), kTestSite);
    if (writeDb) MakeConfigDat(globals.DbPath, statements);
    db = std::make_unique<AccountDb>(globals.DbPath, fakes.services);
    form = std::make_unique<QQ_form>(GetModuleHandleW(nullptr), fakes.services, globals, *db);
}

QQFormHarness::~QQFormHarness() {
    form.reset();
    PumpMessages();
}

bool QQFormHarness::Load() {
    bool loaded = form->Load();
    PumpMessages();
    return loaded;
}

void QQFormHarness::Command(int id, int code) {
    SendMessageW(Hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(Hwnd(), id)));
    PumpMessages();
}

void QQFormHarness::Click(int id) {
    SendMessageW(Item(id), BM_CLICK, 0, 0);
    PumpMessages();
}

bool QQFormHarness::MenuEnabled(int id) const {
    UINT state = GetMenuState(GetMenu(Hwnd()), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

namespace {

// A point on the check box of a row: the list's own hit test says where it lies.
POINT CheckBoxPoint(HWND list, int row) {
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    for (LONG x = bounds.left; x < bounds.right; ++x) {
        POINT at{x, (bounds.top + bounds.bottom) / 2};
        bool onBox = false;
        if (ListViewRowAt(list, at, &onBox) == row && onBox) return {x + 2, at.y};
    }
    ADD_FAILURE() << "row " << row << " shows no check box";
    return {bounds.left, bounds.top};
}

}  // namespace

void QQFormHarness::ClickCheckBox(int row) {
    SendMessageW(List(), LVM_ENSUREVISIBLE, row, FALSE);
    POINT at = CheckBoxPoint(List(), row);
    LPARAM where = MAKELPARAM(at.x, at.y);
    // The list's own press handling waits for the release, so the release is queued first.
    PostMessageW(List(), WM_LBUTTONUP, 0, where);
    SendMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, where);
    PumpMessages();
}

void QQFormHarness::SetTicked(int row, bool ticked) {
    if (ListViewIsChecked(List(), row) != ticked) ClickCheckBox(row);
}

FakeFetchwell* QQFormHarness::Download() const {
    return fakes.downloads.created.empty() ? nullptr : fakes.downloads.created.back();
}

namespace {

HHOOK watchHook = nullptr;
UINT_PTR watchTimer = 0;
std::vector<std::wstring> openedMenus;

LRESULT CALLBACK WatchProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (message->message == WM_INITMENUPOPUP) {
            wchar_t text[64] = {};
            GetMenuStringW(reinterpret_cast<HMENU>(message->wParam), 0, text, 63, MF_BYPOSITION);
            openedMenus.push_back(text);
        }
        if (message->message == WM_ENTERIDLE && message->wParam == MSGF_MENU) EndMenu();
    }
    return CallNextHookEx(watchHook, code, wParam, lParam);
}

// In case the menu loop never idles: the loop dispatches timer messages, and this one ends it.
void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
}

}  // namespace

PopupWatcher::PopupWatcher() {
    openedMenus.clear();
    watchHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchProc, nullptr, GetCurrentThreadId());
    watchTimer = SetTimer(nullptr, 0, 300, EndMenuTimer);
}

PopupWatcher::~PopupWatcher() {
    KillTimer(nullptr, watchTimer);
    UnhookWindowsHookEx(watchHook);
}

std::vector<std::wstring> PopupWatcher::Opened() const {
    return openedMenus;
}
