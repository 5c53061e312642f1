#pragma once
// AllTickedHost: a login run's window stand-in for the benchmarks: every row ticked, nothing
// selected, the window's own steps (messages, the button, minimising) counted or ignored, so what
// is measured is the run itself.

#include <string>
#include <utility>
#include <vector>

#include "login/login_core.h"

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
