#pragma once
// QQFormHarness: the real main window, loaded from its template over a real config.dat in a
// temporary folder, with fake Services that record what the window asks of the world.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/qq_form.h"
#include "store/account_db.h"
#include "tests/win/fake_services.h"
#include "tests/win/test_folder.h"

constexpr char kTestSite[] = "https://kestrin.example.com";

// An insert of one account as the account editor writes it.
std::string InsertAccount(const std::string& name, const std::string& qq, const std::string& activ,
                          const std::string& stat, const std::string& last);

class QQFormHarness {
  public:
    // Writes config.dat with `statements` applied (unless `writeDb` is false) and prepares the
    // window; Load() then runs the load handler.
    explicit QQFormHarness(const std::vector<std::string>& statements = {}, bool writeDb = true);
    ~QQFormHarness();

    bool Load();
    HWND Hwnd() const { return form->Hwnd(); }
    HWND List() const { return static_cast<HWND>(form->ListView1()); }
    HWND Item(int id) const { return GetDlgItem(Hwnd(), id); }
    // Sends a menu or control command as a click would.
    void Command(int id, int code = 0);
    void Click(int id);
    bool MenuEnabled(int id) const;
    // Clicks row `row`'s check box with the mouse, as a user ticks it; SetTicked clicks when the box
    // does not show `ticked` yet.
    void ClickCheckBox(int row);
    void SetTicked(int row, bool ticked);
    FakeFetchwell* Download() const;
    std::string DbPath() const { return globals.DbPath; }

    TestFolder folder;
    FakeServices fakes;
    GlobalSettings globals;
    std::unique_ptr<AccountDb> db;
    std::unique_ptr<QQ_form> form;
};

// Watches pop-up menus: records each one opened on this thread and closes it at once, so a test
// that opens one is not stuck in its modal loop.
class PopupWatcher {
  public:
    PopupWatcher();
    ~PopupWatcher();
    // The first item's text of each pop-up opened so far.
    std::vector<std::wstring> Opened() const;
};
