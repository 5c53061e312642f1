#pragma once
// The login run as decisions and steps, apart from the window: LoginTicked starts the QQ client for
// every ticked row of the account list, LoginSelected for the one selected row; LaunchAccount stamps
// and starts one account. The main window reaches the run through LoginHost (the list, cmd_login,
// the settings dialog, minimise and quit); config.dat through AccountDb; the clock, the message boxes
// and the process start through Services.
// Invariants:
//   1. The checks before a run (rows, path, selection) change nothing and never open config.dat.
//   2. The connection is open only inside a run: every path out of a run that opened it closes it,
//      the failure path included.
//   3. A row's last-login column and its A_last get the new time, committed, before its client is
//      started; the marks of unticked rows are committed with the next such stamp or at the run's end,
//      so a run costs one sync per started client however long the list.
//   4. The first failure after the checks ends the run at once: config.dat is closed, cmd_login is
//      enabled again (LoginTicked), the failure message follows; no minimise, no quit, and what was
//      done before stays done.
//   5. The QQ client is started as exactly the run's qqPath, never as a shorter prefix of a
//      path with blanks; the command line carries the same path first.
//   6. A row whose number, hash or status is not sound (login_text.h) is a failure of the run: its
//      client is not started, and the rows before it stay as they were done.
// Rows are numbered from 1, as the list's users number them.

#include <string>

#include "common/services.h"
#include "store/account_db.h"

// The messages a run shows; the host knows their texts ("还没有添加QQ号码", ...).
enum class LoginMessage {
    NoAccounts,    // the list is empty
    NoQQPath,      // QQPath is empty; the settings dialog follows
    NoneTicked,    // a LoginTicked run met no ticked row
    NoneSelected,  // LoginSelected without exactly one selected row
    Failure,       // a run-time failure; the caption is AppTitle
};

// What a run needs of the main window.
class LoginHost {
  public:
    virtual ~LoginHost() = default;
    virtual int RowCount() const = 0;
    virtual std::string RowText(int row) const = 0;
    virtual bool RowTicked(int row) const = 0;
    virtual bool RowSelected(int row) const = 0;
    virtual void SetRowLastLogin(int row, const std::string& timeText) = 0;
    virtual bool SingleSelected() const = 0;

    virtual void Show(LoginMessage message) = 0;
    // MMSet: the settings dialog, modal; returns when it closes.
    virtual void ShowSettings() = 0;
    virtual void EnableLoginButton(bool enabled) = 0;
    virtual void FocusLoginButton() = 0;
    virtual void Minimise() = 0;
    // MMquit: unloads the main window and ends the program.
    virtual void Quit() = 0;
};

struct LoginContext {
    LoginHost& host;
    std::string qqPath;   // QQPath when the run starts: the client, started as exactly this path
    bool exitAfterLogin;  // ExitAfterLogin is 1: a run that started a client ends the program
    AccountDb& db;
    Services& services;
};

void RunLoginTicked(LoginContext& run);
void RunLoginSelected(LoginContext& run);

// One account: stamps row `row` (list and table), reads its number, status and hash and starts the
// client. Runs on the open connection; a failure is returned for the caller's failure path. An
// alias that no table row carries is no failure: only the list column changes.
Status LaunchAccount(LoginContext& run, int row, const std::string& alias);
