// QQ_form: the menus, the tray icon, the two options and the home-page link.
#include "app/qq_form.h"

#include <commctrl.h>

#include "app/qq_form_logic.h"
#include "resources/resource_ids.h"
#include "store/account_db.h"
#include "win/dialog.h"
#include "win/strings.h"

void QQ_form::OnCommand(int id, int code) {
    switch (id) {
        case IDC_QQ_FORM_CMD_LOGIN:
        case IDM_MMOPEN:
        case IDM_MENUR_OPENA:
            LoginTicked();
            break;
        case IDM_MENUR_OPENO:
            LoginSelected();
            break;
        case IDM_MMSET:
            OpenSettings();
            break;
        case IDM_MMADD:
            AddAccountCommand();
            break;
        case IDM_MMED:
        case IDM_MENUR_EDIT:
            EditAccountCommand();
            break;
        case IDM_MMDEL:
        case IDM_MENUR_DEL:
            DeleteAccountCommand();
            break;
        case IDM_MMLISTI:
            ImportCommand();
            break;
        case IDM_MMABOUT:
        case IDM_MENUABOUT:
            OpenAbout();
            break;
        case IDC_QQ_FORM_CHECK1:
            if (code == BN_CLICKED) OnCheck1();
            break;
        case IDC_QQ_FORM_CHECK2:
            if (code == BN_CLICKED) OnCheck2();
            break;
        case IDC_QQ_FORM_LABEL2:
            if (code == STN_CLICKED) OnLabel2Click();
            break;
        case IDM_MMCKALL:
            CheckAll();
            break;
        case IDM_MMCKNALL:
            InvertChecks();
            break;
        case IDM_MMURL:
        case IDM_MENUURL:
            OpenHomePage();
            break;
        case IDM_MMUP:
        case IDM_MENUUP:
            StartUpdateCheck(1, 4);
            break;
        case IDM_MENUSHOW:
            RestoreFromTray();
            break;
        case IDM_MMQUIT:
            QuitFromMenuBar();
            break;
        case IDM_MENUQUIT:
            QuitFromTray();
            break;
        default:
            break;
    }
}

void QQ_form::OnSize(WPARAM kind) {
    if (kind == SIZE_MINIMIZED) TrayAdd();
}

void QQ_form::TrayAdd() {
    tray_.Add();
}

void QQ_form::TrayRemove() {
    tray_.Remove();
}

void QQ_form::OnTrayMessage(UINT mouseMessage) {
    switch (DecideTrayAction(mouseMessage, IsIconic(hwnd_) != FALSE)) {
        case TrayAction::Restore:
            RestoreFromTray();
            break;
        case TrayAction::ShowMenu:
            ShowPopup(QQ_FORM_POPUP_MENUMAIN);
            break;
        case TrayAction::None:
            break;
    }
}

void QQ_form::RestoreFromTray() {
    ShowWindow(hwnd_, SW_RESTORE);
    TrayRemove();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void QQ_form::ShowPopup(int popupIndex) {
    HMENU menu = GetSubMenu(popups_.Get(), popupIndex);
    if (!menu) return;
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere (notably for
    // the tray menu, whose owner is minimised); the WM_NULL afterwards lets the menu's second
    // opening work, as the shell documentation advises.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void QQ_form::QuitFromMenuBar() {
    Unload();
    services_.end->EndProgram(0);
}

void QQ_form::QuitFromTray() {
    ShowWindow(hwnd_, SW_SHOW);
    Unload();
    services_.end->EndProgram(0);
}

void QQ_form::OpenHomePage() {
    services_.urls->Open(hwnd_, globals_.SiteUrl);
}

void QQ_form::OnLabel2Click() {
    OpenHomePage();
    services_.clock->Sleep(400);
    SetFocus(hwnd_);
}

bool QQ_form::RunValueExists() const {
    return services_.runValue->Read(RunValueName(ToUtf8(programPath_))).has_value();
}

// Writing the machine-wide Run key needs administrator rights; when it fails the user is told and
// the box shows the state the registry really has.
void QQ_form::OnCheck1() {
    bool ticked = IsItemChecked(hwnd_, IDC_QQ_FORM_CHECK1);
    std::string path = ToUtf8(programPath_);
    switch (DecideRunValueAction(ticked, RunValueExists())) {
        case RunValueAction::Write:
            if (!services_.runValue->Write(RunValueName(path), RunValueData(path))) {
                MessageBox(Text(IDS_RUN_WRITE_FAILED), Text(IDS_NOTICE_TITLE), kMbOk);
                SetItemChecked(hwnd_, IDC_QQ_FORM_CHECK1, false);
            }
            break;
        case RunValueAction::Delete:
            if (!services_.runValue->Delete(RunValueName(path))) {
                MessageBox(Text(IDS_RUN_DELETE_FAILED), Text(IDS_NOTICE_TITLE), kMbOk);
                SetItemChecked(hwnd_, IDC_QQ_FORM_CHECK1, true);
            }
            break;
        case RunValueAction::None:
            break;
    }
}

// A failing update of S_AQ is ignored: ExitAfterLogin keeps the new value for this run.
void QQ_form::OnCheck2() {
    globals_.ExitAfterLogin = IsItemChecked(hwnd_, IDC_QQ_FORM_CHECK2) ? 1 : 0;
    (void)StoreExitAfterLogin(db_, globals_.ExitAfterLogin == 1);
}
