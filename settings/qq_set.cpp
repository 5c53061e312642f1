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
#include "win/resources.h"
#include "common/services.h"
#include "win/strings.h"

namespace {

// Sent by RestoreQQ_setCheckButton to the open dialog.
constexpr UINT kRestoreCheckButton = WM_APP + 1;

class QQ_setDialog : public DialogWindow {
  public:
    explicit QQ_setDialog(QQ_setData& data) : data_(data) {}

  private:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnInit();
    void OnCommand(int id, int code);
    void ShowPage();
    void SetPage(int16_t page);
    void OnBrowse();
    void OnOk();
    bool StorePathPage();
    bool StorePasswordPage();
    void OnCheckUpdates();
    void RestoreCheckButton();
    void ShowItem(int id, bool shown);
    void Message(UINT textId);
    void Unload() { Close(IDCANCEL); }
    std::wstring Text(UINT id) const { return LoadResString(id); }

    QQ_setData& data_;  // borrowed from the entry point's caller
    bool pathStored_ = false;
    int16_t settingsPage_ = 1;
};

INT_PTR QQ_setDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case kRestoreCheckButton:
            RestoreCheckButton();
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
    SetWindowTextW(hwnd_, (ToWide(data_.appTitle) + Text(IDS_QQ_SET_CAPTION)).c_str());
    SetItemText(hwnd_, IDC_QQ_SET_TEXT1, ToWide(data_.qqPath));
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
    auto chosen = data_.services->fileDialogs->OpenFile(hwnd_, ToUtf8(Text(IDS_QQ_SET_BROWSE_TITLE)),
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
    if (goOn) Close(pathStored_ ? IDOK : IDCANCEL);
}

// QQPath changes only with the stored value: a rejected or unstored path must not reach a login.
bool QQ_setDialog::StorePathPage() {
    std::string path = ToUtf8(GetItemText(hwnd_, IDC_QQ_SET_TEXT1));
    if (!PathAccepted(path)) {
        Message(IDS_QQ_SET_BAD_PATH);
        SetFocus(GetDlgItem(hwnd_, IDC_QQ_SET_TEXT1));
        return false;
    }
    switch (StoreQQPath(*data_.db, path)) {
        case DbOutcome::Done:
            data_.qqPath = path;
            pathStored_ = true;
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
    DbOutcome outcome = StoreStartupPassword(*data_.db, password);
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
    if (data_.startUpdateCheck) data_.startUpdateCheck();
}

void QQ_setDialog::RestoreCheckButton() {
    SetItemText(hwnd_, IDC_QQ_SET_COMMAND5, Text(IDS_QQ_SET_CHECK_UPDATES));
    EnableItem(hwnd_, IDC_QQ_SET_COMMAND5, true);
}

void QQ_setDialog::Message(UINT textId) {
    data_.services->messages->Show(hwnd_, ToUtf8(Text(textId)), ToUtf8(Text(IDS_NOTICE_TITLE)), kMbOk);
}

}  // namespace

bool Dialog_QQ_set(HWND owner, QQ_setData* inOut) {
    QQ_setDialog dialog(*inOut);
    return DialogWindow::ShowModal(dialog, owner, IDD_QQ_SET) == IDOK;
}

HWND CreateQQ_setForTest(HWND owner, QQ_setData* inOut) {
    return DialogWindow::CreateModeless(std::make_unique<QQ_setDialog>(*inOut), owner, IDD_QQ_SET);
}

void RestoreQQ_setCheckButton() {
    if (HWND open = DialogWindow::OpenWindow(IDD_QQ_SET)) SendMessageW(open, kRestoreCheckButton, 0, 0);
}

void UnloadQQ_set() {
    if (HWND open = DialogWindow::OpenWindow(IDD_QQ_SET)) SendMessageW(open, WM_CLOSE, 0, 0);
}
