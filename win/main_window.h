#pragma once
// MainWindow: what the main window's account commands (accounts/QQ_Add.h: the delete question, the
// import and their notices) need of Kestrin's main window (QQ_form), so accounts/ never includes
// app/. The dialogs are given their data instead, the login run a LoginHost.
// Invariants:
//   1. One MainWindow per program, alive from the end of the start-up routine's loading to its end.
//   2. The account list is the main window's own: what a command decides about rows it hands to the
//      sink it was given (accounts/), and the main window applies it.
// Portable: windows are WindowRef (a borrowed HWND).

#include "common/services.h"

class AccountDb;

class MainWindow {
  public:
    virtual ~MainWindow() = default;
    // The main window, owner of every dialog and message box.
    virtual WindowRef Window() const = 0;
    virtual AccountDb& Db() = 0;
    virtual Services& AppServices() = 0;
    // Enables or disables the login button and the account menu items by whether the list has rows.
    virtual void RefreshCommands() = 0;
};
