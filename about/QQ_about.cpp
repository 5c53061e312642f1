// QQ_about: the versions above the help page. The page is shown by the system's web browser control;
// where that control cannot show anything (Wine without its browser engine), the help address is
// shown as a link that opens in the default browser instead of an empty area.
#include "about/QQ_about.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "about/about_for_test.h"
#include "about/browser_host.h"
#include "resources/resource_ids.h"
#include "win/dialog_window.h"
#include "win/resources.h"
#include "common/services.h"
#include "win/strings.h"

namespace {

class QQ_aboutDialog : public DialogWindow {
  public:
    explicit QQ_aboutDialog(const QQ_aboutData& data) : data_(data) {}

  private:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnInit();
    void ShowHelpPage();
    void ShowHelpLink(const RECT& area);
    void OnNotify(const NMHDR* header);
    void OnDestroy();

    const QQ_aboutData& data_;  // borrowed from the entry point's caller
    bool oleStarted_ = false;
    std::unique_ptr<BrowserHost> browser_;
};

INT_PTR QQ_aboutDialog::HandleMessage(UINT msg, WPARAM, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_NOTIFY:
            OnNotify(reinterpret_cast<const NMHDR*>(lParam));
            return TRUE;
        case WM_CLOSE:
            Close(0);
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return TRUE;
        default:
            return FALSE;
    }
}

// The window is loaded afresh for every opening, so the label shows the newest version known now.
void QQ_aboutDialog::OnInit() {
    SetWindowTextW(
        hwnd_, ToWide(data_.appTitle + " " + data_.appVersion).append(LoadResString(IDS_QQ_ABOUT_HELP)).c_str());
    std::wstring label = LoadResString(IDS_QQ_ABOUT_CURRENT) + ToWide(data_.appVersion) +
                         LoadResString(IDS_QQ_ABOUT_NEWEST) + ToWide(data_.newestVersion);
    SetDlgItemTextW(hwnd_, IDC_QQ_ABOUT_LABEL1, label.c_str());
    ShowHelpPage();
}

void QQ_aboutDialog::ShowHelpPage() {
    HWND place = GetDlgItem(hwnd_, IDC_QQ_ABOUT_WEBBROWSER1);
    RECT area{};
    GetWindowRect(place, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    if (data_.allowBrowser) {
        // S_FALSE: OLE was already started on this thread; each success is balanced at WM_DESTROY.
        oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
        if (oleStarted_) browser_ = BrowserHost::Create(hwnd_, area, ToWide(data_.helpUrl));
    }
    if (browser_) {
        ShowWindow(place, SW_HIDE);
        return;
    }
    ShowHelpLink(area);
}

void QQ_aboutDialog::ShowHelpLink(const RECT& area) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    std::wstring url = ToWide(data_.helpUrl);
    std::wstring markup = L"<a href=\"" + url + L"\">" + url + L"</a>";
    constexpr int kMargin = 8;
    HWND link = CreateWindowExW(0, WC_LINK, markup.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, area.left + kMargin,
                                area.top + kMargin, area.right - area.left - 2 * kMargin, 40, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_QQ_ABOUT_HELPLINK)),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(link, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), FALSE);
}

void QQ_aboutDialog::OnNotify(const NMHDR* header) {
    if (header->idFrom != IDC_QQ_ABOUT_HELPLINK) return;
    if (header->code == NM_CLICK || header->code == NM_RETURN) {
        if (data_.urls) data_.urls->Open(hwnd_, data_.helpUrl);
    }
}

void QQ_aboutDialog::OnDestroy() {
    browser_.reset();
    if (oleStarted_) OleUninitialize();
    oleStarted_ = false;
}

}  // namespace

void Dialog_QQ_about(HWND owner, const QQ_aboutData& in) {
    QQ_aboutDialog dialog(in);
    DialogWindow::ShowModal(dialog, owner, IDD_QQ_ABOUT);
}

void UnloadQQ_about() {
    if (HWND open = DialogWindow::OpenWindow(IDD_QQ_ABOUT)) SendMessageW(open, WM_CLOSE, 0, 0);
}

HWND CreateQQ_aboutForTest(HWND owner, const QQ_aboutData& in) {
    return DialogWindow::CreateModeless(std::make_unique<QQ_aboutDialog>(in), owner, IDD_QQ_ABOUT);
}
