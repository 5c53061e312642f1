#pragma once
// MainWindow: what the dialogs and the login run need of Kestrin's main window (QQ_form), so the
// feature folders (accounts/, login/, settings/, update/, about/) never include app/.
// Invariants:
//   1. One MainWindow per program, alive from the end of the start-up routine's loading to its end.
//   2. The account list is the main window's own: no dialog reaches it. What a dialog decides about
//      rows it hands to the sink it was given (accounts/), and the main window applies it.
//   3. Quit and the start-up password's quit end the program; callers must not touch the window
//      after them (a test's EndProgram returns, production never does).
// Portable: windows are WindowRef (a borrowed HWND).

#include <cstdint>
#include <string>

#include "common/services.h"

class AccountDb;

class MainWindow {
  public:
    virtual ~MainWindow() = default;
    // The main window, owner of every dialog and message box.
    virtual WindowRef Window() const = 0;
    virtual AccountDb& Db() = 0;
    virtual Services& AppServices() = 0;

    virtual void RefreshCommands() = 0;
    virtual bool SingleSelected() const = 0;
    // update_date (storing the file under `fileName` in `folder`) and the start of a check with its
    // source and ticks (Timer1 on).
    virtual void update_date(const std::string& url, const std::string& folder, const std::string& fileName) = 0;
    virtual void StartUpdateCheck(int16_t source, int16_t ticks) = 0;
    // Minimises the window (which adds the tray icon), as a login run does.
    virtual void Minimise() = 0;
    // MMquit: closes the window with its closing handlers and ends the program.
    virtual void Quit() = 0;
    // The settings dialog, as "程序设置" opens it (a login run without a client path opens it too).
    virtual void OpenSettings() = 0;
};
