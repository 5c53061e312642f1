#pragma once
// What the two login benchmarks (native, and under Wine) share: a config.dat of ticked accounts and
// AllTickedHost, a login run's window stand-in with every row ticked, nothing selected, and the
// window's own steps (messages, the button, minimising) counted or ignored, so what is measured is
// the run itself.

#include <string>
#include <utility>
#include <vector>

#include "jet/pages/file_io.h"
#include "jet/sql/connection.h"
#include "login/login_core.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "store/sql_text.h"

class AllTickedHost : public LoginHost {
  public:
    explicit AllTickedHost(std::vector<std::string> names) : names_(std::move(names)) {}
    int RowCount() const override { return static_cast<int>(names_.size()); }
    std::string RowText(int row) const override { return names_[row - 1]; }
    bool RowTicked(int) const override { return true; }
    bool RowSelected(int) const override { return false; }
    void SetRowLastLogin(int, const std::string&) override {}
    bool SingleSelected() const override { return false; }
    void Show(LoginMessage) override { ++messages; }
    void ShowSettings() override {}
    void EnableLoginButton(bool) override {}
    void FocusLoginButton() override {}
    void Minimise() override {}
    void Quit() override {}
    int messages = 0;

  private:
    std::vector<std::string> names_;
};

// A long list with three rows ticked (the first, the middle and the last): a run marks every other
// row inactive.
class ThreeTickedHost : public AllTickedHost {
  public:
    using AllTickedHost::AllTickedHost;
    bool RowTicked(int row) const override { return row == 1 || row == RowCount() / 2 || row == RowCount(); }
};

// The services a benchmarked run needs: every message box answered OK and the program's end
// ignored; the clock and the process starts are the caller's (processes may be swapped later).
class BenchServices {
  public:
    BenchServices(Clock& clock, Processes& processes) {
        services.clock = &clock;
        services.processes = &processes;
        services.messages = &messages_;
        services.end = &end_;
    }
    Services services;

  private:
    class NoMessages : public MessageBoxes {
      public:
        int Show(WindowRef, const std::string&, const std::string&, unsigned) override { return kIdOk; }
    };
    class NoEnd : public ProgramEnd {
      public:
        void EndProgram(int) override {}
    };
    NoMessages messages_;
    NoEnd end_;
};

constexpr int kBenchAccounts = 100;

// Writes config.dat at `dbPath` with `count` ticked accounts (in one commit) and returns their
// aliases.
inline std::vector<std::string> MakeBenchAccounts(const std::string& dbPath, int count = kBenchAccounts) {
    std::vector<std::string> names;
    (void)WriteTemplateDatabase(jet::NativeFileSystem(), dbPath);
    jet::Connection conn;
    (void)conn.Open(ConnectionStringFor(dbPath));
    (void)conn.BeginTrans();
    for (int i = 0; i < count; ++i) {
        names.push_back("账号" + std::to_string(i));
        (void)conn.Execute("insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" +
                           SqlQuote(names.back()) + ",'" + std::to_string(100000 + i) +
                           "',1,1,'','kAFQmDzST7DWlj99KOF/cg')");
    }
    (void)conn.CommitTrans();
    return names;
}
