// QQ_form: the login run over the main window. The run's steps are in login/login_core.cpp; this
// file gives it the rows, cmd_login, the settings dialog and the message boxes (LoginHost).
#include "app/qq_form.h"

#include <algorithm>

#include "login/login_core.h"
#include "resources/resource_ids.h"
#include "win/listview.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

UINT TextId(LoginMessage message) {
    switch (message) {
        case LoginMessage::NoAccounts:
            return IDS_LOGIN_NO_ACCOUNTS;
        case LoginMessage::NoQQPath:
            return IDS_LOGIN_NO_QQPATH;
        case LoginMessage::NoneTicked:
            return IDS_LOGIN_NONE_TICKED;
        case LoginMessage::NoneSelected:
            return IDS_LOGIN_NONE_SELECTED;
        case LoginMessage::Failure:
            break;
    }
    return IDS_LOGIN_FAILURE;
}

// The selected rows, gathered once per run: asking the list row by row would cost a message for
// every row of a long list.
std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = ListViewNextSelected(list); row >= 0; row = ListViewNextSelected(list, row)) rows.push_back(row);
    return rows;
}

}  // namespace

// The run's rows count from 1; the list's from 0.
class FormLoginHost : public LoginHost {
  public:
    FormLoginHost(QQ_form& form, HWND list) : form_(form), selected_(SelectedRows(list)) {}

    int RowCount() const override { return form_.Rows().Count(); }
    std::string RowText(int row) const override { return Has(row) ? form_.Rows().At(row - 1).alias : std::string(); }
    bool RowTicked(int row) const override { return Has(row) && form_.Rows().At(row - 1).ticked; }
    bool RowSelected(int row) const override { return std::binary_search(selected_.begin(), selected_.end(), row - 1); }
    void SetRowLastLogin(int row, const std::string& timeText) override { form_.SetRowLastLogin(row - 1, timeText); }
    bool SingleSelected() const override { return form_.SingleSelected(); }

    void Show(LoginMessage message) override {
        std::string caption =
            message == LoginMessage::Failure ? form_.Globals().AppTitle : ToUtf8(LoadResString(IDS_NOTICE_TITLE));
        form_.AppServices().messages->Show(form_.Window(), ToUtf8(LoadResString(TextId(message))), caption, kMbOk);
    }
    void ShowSettings() override { form_.OpenSettings(); }
    void EnableLoginButton(bool enabled) override { EnableWindow(Button(), enabled ? TRUE : FALSE); }
    // WM_NEXTDLGCTL rather than SetFocus: the dialog then also moves its default-button state.
    void FocusLoginButton() override {
        SendMessageW(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Button()), TRUE);
    }
    void Minimise() override { form_.Minimise(); }
    void Quit() override { form_.Quit(); }

  private:
    bool Has(int row) const { return form_.Rows().Has(row - 1); }
    HWND Window() const { return static_cast<HWND>(form_.Window()); }
    HWND Button() const { return GetDlgItem(Window(), IDC_QQ_FORM_CMD_LOGIN); }

    QQ_form& form_;  // borrowed
    std::vector<int> selected_;
};

void QQ_form::LoginTicked() {
    FormLoginHost host(*this, List());
    LoginContext run{host, globals_.QQPath, globals_.ExitAfterLogin == 1, db_, services_};
    RunLoginTicked(run);
}

void QQ_form::LoginSelected() {
    FormLoginHost host(*this, List());
    LoginContext run{host, globals_.QQPath, globals_.ExitAfterLogin == 1, db_, services_};
    RunLoginSelected(run);
}
