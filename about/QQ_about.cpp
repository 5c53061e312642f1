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
#include "win/globals.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

class QQ_aboutDialog;
QQ_aboutDialog* openQQ_about = nullptr;  // borrowed: the window open now, if any (at most one)

class QQ_aboutDialog : public DialogWindow {
  public:
    QQ_aboutDialog(MainWindow& main, bool modal, bool allowBrowser)
        : main_(main), modal_(modal), allowBrowser_(allowBrowser) {}
    QQ_aboutDialog(const QQ_aboutDialog&) = delete;
    QQ_aboutDialog& operator=(const QQ_aboutDialog&) = delete;

    void Unload();

  private:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override;
    void OnInit();
    void ShowHelpPage();
    void ShowHelpLink(const RECT& area);
    void OnNotify(const NMHDR* header);
    void OnDestroy();

    MainWindow& main_;  // borrowed
    bool modal_;
    bool allowBrowser_;
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
            Unload();
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return TRUE;
        default:
            return FALSE;
    }
}

void QQ_aboutDialog::OnWindowGone() {
    if (!modal_) delete this;  // the modeless one was made by CreateQQ_aboutForTest
}

// The window is loaded afresh for every opening, so the label shows the newest version known now.
void QQ_aboutDialog::OnInit() {
    openQQ_about = this;
    const GlobalSettings& globals = main_.Globals();
    SetWindowTextW(
        hwnd_, ToWide(globals.AppTitle + " " + globals.AppVersion).append(LoadResString(IDS_QQ_ABOUT_HELP)).c_str());
    std::wstring label = LoadResString(IDS_QQ_ABOUT_CURRENT) + ToWide(globals.AppVersion) +
                         LoadResString(IDS_QQ_ABOUT_NEWEST) + ToWide(globals.NewestVersion);
    SetDlgItemTextW(hwnd_, IDC_QQ_ABOUT_LABEL1, label.c_str());
    ShowHelpPage();
}

void QQ_aboutDialog::ShowHelpPage() {
    HWND place = GetDlgItem(hwnd_, IDC_QQ_ABOUT_WEBBROWSER1);
    RECT area{};
    GetWindowRect(place, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    if (allowBrowser_) {
        // S_FALSE: OLE was already started on this thread; each success is balanced at WM_DESTROY.
        oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
        if (oleStarted_) browser_ = BrowserHost::Create(hwnd_, area, ToWide(main_.Globals().HelpUrl));
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
    std::wstring url = ToWide(main_.Globals().HelpUrl);
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
        main_.AppServices().urls->Open(hwnd_, main_.Globals().HelpUrl);
    }
}

void QQ_aboutDialog::Unload() {
    if (modal_) {
        EndDialog(hwnd_, 0);
    } else {
        DestroyWindow(hwnd_);
    }
}

void QQ_aboutDialog::OnDestroy() {
    browser_.reset();
    if (oleStarted_) OleUninitialize();
    oleStarted_ = false;
    if (openQQ_about == this) openQQ_about = nullptr;
}

}  // namespace

void ShowQQ_about(MainWindow& main) {
    QQ_aboutDialog dialog(main, true, true);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QQ_ABOUT), static_cast<HWND>(main.Window()),
                    DialogWindow::DlgProc, dialog.CreationParam());
}

void UnloadQQ_about() {
    if (openQQ_about) openQQ_about->Unload();
}

HWND CreateQQ_aboutForTest(MainWindow& main, bool allowBrowser) {
    auto* dialog = new QQ_aboutDialog(main, false, allowBrowser);
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QQ_ABOUT),
                                   static_cast<HWND>(main.Window()), DialogWindow::DlgProc, dialog->CreationParam());
    if (!hwnd) delete dialog;
    return hwnd;
}
