// QQ_set: the dialog class behind ShowQQ_set. Two pages share one window; Command1 and Command2
// act as the page tabs. The decisions (path check, statements, filter) are in settings_logic.h.
#include "settings/qq_set.h"

#include "resources/resource_ids.h"
#include "settings/password_box.h"
#include "settings/settings_for_test.h"
#include "settings/settings_logic.h"
#include "store/account_db.h"
#include "win/dialog.h"
#include "win/dialog_window.h"
#include "win/globals.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

class QQ_setDialog;
QQ_setDialog* openQQ_set = nullptr;  // borrowed: the one QQ_set open now, set while its window lives

class QQ_setDialog : public DialogWindow {
  public:
    QQ_setDialog(MainWindow& main, bool modal) : main_(main), modal_(modal) {}
    QQ_setDialog(const QQ_setDialog&) = delete;
    QQ_setDialog& operator=(const QQ_setDialog&) = delete;

    void Unload();
    void RestoreCheckButton();

  private:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnWindowGone() override;
    void OnInit();
    void OnCommand(int id, int code);
    void ShowPage();
    void SetPage(int16_t page);
    void OnBrowse();
    void OnOk();
    bool StorePathPage();
    bool StorePasswordPage();
    void OnCheckUpdates();
    void ShowItem(int id, bool shown);
    void Message(UINT textId);
    std::wstring Text(UINT id) const { return LoadResString(id); }

    MainWindow& main_;  // borrowed
    bool modal_;
    int16_t settingsPage_ = 1;
};

void QQ_setDialog::OnWindowGone() {
    if (openQQ_set == this) openQQ_set = nullptr;
    if (!modal_) delete this;  // the modeless one was made for a test
}

INT_PTR QQ_setDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            openQQ_set = this;
            OnInit();
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:  // the close box and Alt+F4 cancel, as Command7 does
            Unload();
            return TRUE;
        default:
            return FALSE;
    }
}

void QQ_setDialog::OnInit() {
    settingsPage_ = 1;
    ShowPage();
    SetWindowTextW(hwnd_, (ToWide(main_.Globals().AppTitle) + Text(IDS_QQ_SET_CAPTION)).c_str());
    SetItemText(hwnd_, IDC_QQ_SET_TEXT1, ToWide(main_.Globals().QQPath));
    SetUpPasswordBox(hwnd_, IDC_QQ_SET_TEXT2);
}

void QQ_setDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_QQ_SET_COMMAND1:
            if (code == BN_CLICKED) SetPage(1);
            break;
        case IDC_QQ_SET_COMMAND2:
            if (code == BN_CLICKED) SetPage(2);
            break;
        case IDC_QQ_SET_COMMAND3:
            if (code == BN_CLICKED) OnBrowse();
            break;
        case IDC_QQ_SET_COMMAND4:
            if (code == BN_CLICKED) SetItemText(hwnd_, IDC_QQ_SET_TEXT2, L"");
            break;
        case IDC_QQ_SET_COMMAND5:
            if (code == BN_CLICKED) OnCheckUpdates();
            break;
        case IDC_QQ_SET_COMMAND6:
            if (code == BN_CLICKED) OnOk();
            break;
        case IDC_QQ_SET_COMMAND7:
        case IDCANCEL:  // Esc
            if (code == BN_CLICKED) Unload();
            break;
        case IDC_QQ_SET_TEXT2:
            if (code == EN_CHANGE) FilterPasswordBox(hwnd_, IDC_QQ_SET_TEXT2);
            break;
        default:
            break;
    }
}

void QQ_setDialog::SetPage(int16_t page) {
    settingsPage_ = page;
    ShowPage();
}

// A page button disables itself; the focus moves on first, or the keyboard would have nowhere to go.
void QQ_setDialog::ShowPage() {
    if (settingsPage_ != 1 && settingsPage_ != 2) return;
    bool first = settingsPage_ == 1;
    HWND pageButton = GetDlgItem(hwnd_, first ? IDC_QQ_SET_COMMAND1 : IDC_QQ_SET_COMMAND2);
    if (GetFocus() == pageButton) SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
    EnableItem(hwnd_, IDC_QQ_SET_COMMAND1, !first);
    EnableItem(hwnd_, IDC_QQ_SET_COMMAND2, first);
    SetItemText(hwnd_, IDC_QQ_SET_LABEL1, Text(first ? IDS_QQ_SET_LABEL1_PAGE1 : IDS_QQ_SET_LABEL1_PAGE2));
    ShowItem(IDC_QQ_SET_TEXT1, first);
    ShowItem(IDC_QQ_SET_TEXT2, !first);
    ShowItem(IDC_QQ_SET_COMMAND3, first);
    ShowItem(IDC_QQ_SET_COMMAND4, !first);
}

void QQ_setDialog::ShowItem(int id, bool shown) {
    ShowWindow(GetDlgItem(hwnd_, id), shown ? SW_SHOW : SW_HIDE);
}

// A cancelled dialog leaves Text1 as it was; typed text stays allowed too.
void QQ_setDialog::OnBrowse() {
    auto chosen = main_.AppServices().fileDialogs->OpenFile(hwnd_, ToUtf8(Text(IDS_QQ_SET_BROWSE_TITLE)),
                                                            ToUtf8(Text(IDS_QQ_SET_BROWSE_FILTER)));
    if (chosen) SetItemText(hwnd_, IDC_QQ_SET_TEXT1, ToWide(*chosen));
}

// Only the showing page's value is stored. A failed write is told, then the dialog closes as it
// always has; when config.dat cannot be opened the program has ended and nothing more happens.
void QQ_setDialog::OnOk() {
    bool goOn = true;
    if (settingsPage_ == 1) {
        goOn = StorePathPage();
    } else if (settingsPage_ == 2) {
        goOn = StorePasswordPage();
    }
    if (goOn) Unload();
}

// QQPath changes only with the stored value: a rejected or unstored path must not reach a login.
bool QQ_setDialog::StorePathPage() {
    std::string path = ToUtf8(GetItemText(hwnd_, IDC_QQ_SET_TEXT1));
    if (!PathAccepted(path)) {
        Message(IDS_QQ_SET_BAD_PATH);
        SetFocus(GetDlgItem(hwnd_, IDC_QQ_SET_TEXT1));
        return false;
    }
    switch (StoreQQPath(main_.Db(), path)) {
        case DbOutcome::Done:
            main_.Globals().QQPath = path;
            return true;
        case DbOutcome::Failed:
            Message(IDS_QQ_SET_NOT_STORED);
            return true;
        case DbOutcome::Unusable:
            return false;
    }
    return false;
}

// The placeholder keeps the typed password out of sight while it is written.
bool QQ_setDialog::StorePasswordPage() {
    std::string password = ToUtf8(GetItemText(hwnd_, IDC_QQ_SET_TEXT2));
    SetItemText(hwnd_, IDC_QQ_SET_TEXT2, Text(IDS_QQ_SET_PLACEHOLDER));
    DbOutcome outcome = StoreStartupPassword(main_.Db(), password);
    if (outcome == DbOutcome::Unusable) return false;
    SetItemText(hwnd_, IDC_QQ_SET_TEXT2, L"");
    if (outcome == DbOutcome::Failed) Message(IDS_QQ_SET_NOT_STORED);
    return true;
}

void QQ_setDialog::OnCheckUpdates() {
    HWND button = GetDlgItem(hwnd_, IDC_QQ_SET_COMMAND5);
    SetItemText(hwnd_, IDC_QQ_SET_COMMAND5, Text(IDS_QQ_SET_CHECKING));
    if (GetFocus() == button) SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
    EnableItem(hwnd_, IDC_QQ_SET_COMMAND5, false);
    main_.StartUpdateCheck(2, 4);
}

void QQ_setDialog::RestoreCheckButton() {
    SetItemText(hwnd_, IDC_QQ_SET_COMMAND5, Text(IDS_QQ_SET_CHECK_UPDATES));
    EnableItem(hwnd_, IDC_QQ_SET_COMMAND5, true);
}

void QQ_setDialog::Message(UINT textId) {
    main_.AppServices().messages->Show(hwnd_, ToUtf8(Text(textId)), ToUtf8(Text(IDS_NOTICE_TITLE)), kMbOk);
}

void QQ_setDialog::Unload() {
    if (!hwnd_) return;
    if (modal_) {
        EndDialog(hwnd_, IDOK);
    } else {
        DestroyWindow(hwnd_);
    }
}

}  // namespace

void ShowQQ_set(MainWindow& main) {
    if (openQQ_set) return;
    QQ_setDialog dialog(main, true);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QQ_SET), static_cast<HWND>(main.Window()),
                    DialogWindow::DlgProc, dialog.CreationParam());
}

void RestoreQQ_setCheckButton() {
    if (openQQ_set) openQQ_set->RestoreCheckButton();
}

void UnloadQQ_set() {
    if (openQQ_set) openQQ_set->Unload();
}

HWND CreateQQ_setForTest(MainWindow& main) {
    if (openQQ_set) return nullptr;
    auto* dialog = new QQ_setDialog(main, false);
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_QQ_SET),
                                   static_cast<HWND>(main.Window()), DialogWindow::DlgProc, dialog->CreationParam());
    if (!hwnd) {
        delete dialog;
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}
