// The login run over the real main window: ListView1's rows, cmd_login, the settings dialog and the
// message boxes. The run's steps are in login_core.cpp; this file only reaches the window.
#include "login/login_run.h"

#include <windows.h>

#include "login/login_core.h"
#include "resources/resource_ids.h"
#include "win/listview.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

class MainWindowHost : public LoginHost {
  public:
    explicit MainWindowHost(MainWindow& main) : main_(main) {}

    // The list's rows count from 0; the run's from 1.
    int RowCount() const override { return ListViewRowCount(List()); }
    std::string RowText(int row) const override { return ToUtf8(ListViewGetText(List(), row - 1)); }
    bool RowTicked(int row) const override { return ListViewIsChecked(List(), row - 1); }
    bool RowSelected(int row) const override { return ListViewIsSelected(List(), row - 1); }
    void SetRowLastLogin(int row, const std::string& timeText) override {
        ListViewSetText(List(), row - 1, 1, ToWide(timeText));
    }
    bool SingleSelected() const override { return main_.SingleSelected(); }

    void Show(LoginMessage message) override {
        std::string caption =
            message == LoginMessage::Failure ? main_.Globals().AppTitle : ToUtf8(LoadResString(IDS_NOTICE_TITLE));
        main_.AppServices().messages->Show(main_.Window(), ToUtf8(LoadResString(TextId(message))), caption, kMbOk);
    }
    void ShowSettings() override { main_.OpenSettings(); }
    void EnableLoginButton(bool enabled) override { EnableWindow(Button(), enabled ? TRUE : FALSE); }
    // WM_NEXTDLGCTL rather than SetFocus: the dialog then also moves its default-button state.
    void FocusLoginButton() override {
        SendMessageW(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Button()), TRUE);
    }
    void Minimise() override { main_.Minimise(); }
    void Quit() override { main_.Quit(); }

  private:
    static UINT TextId(LoginMessage message) {
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
    HWND Window() const { return static_cast<HWND>(main_.Window()); }
    HWND List() const { return static_cast<HWND>(main_.ListView1()); }
    HWND Button() const { return GetDlgItem(Window(), IDC_QQ_FORM_CMD_LOGIN); }

    MainWindow& main_;
};

}  // namespace

void LoginTicked(MainWindow& main) {
    MainWindowHost host(main);
    LoginContext run{host, main.Globals(), main.Db(), main.AppServices()};
    RunLoginTicked(run);
}

void LoginSelected(MainWindow& main) {
    MainWindowHost host(main);
    LoginContext run{host, main.Globals(), main.Db(), main.AppServices()};
    RunLoginSelected(run);
}
