#pragma once
// update.exe's production services: starting a program minimised, its own single-instance mutex,
// the WinHTTP download control and the end of the process (the shared pieces are in
// win/program_instance.h and update/winhttp_fetchwell.h).

#include <windows.h>

#include "updater/up_form.h"
#include "update/winhttp_fetchwell.h"
#include "win/program_instance.h"
#include "win/unique_handle.h"

// Starts programs minimised with the focus (SW_SHOWMINIMIZED), without waiting.
class MinimisedProcesses : public Processes {
  public:
    bool Start(const std::string& application, const std::string& commandLine) override;
};

// One updater per user, apart from Kestrin's own copy.
class UpdaterInstanceGuard : public MutexInstanceGuard {
  public:
    UpdaterInstanceGuard() : MutexInstanceGuard(kUpdaterMutexName) {}
};

class UpdaterWin32Services {
  public:
    UpdaterWin32Services();
    UpdaterServices& Get() { return services_; }

  private:
    MinimisedProcesses processes_;
    WinHttpDownloadFactory downloads_;
    UpdaterInstanceGuard instance_;
    ProcessEnd end_;
    UpdaterServices services_;
};

// Waits up to `milliseconds` for a running Kestrin to end. Kestrin starts the updater and then, while
// closing, deletes "更新程序.exe" beside itself: a download finished before that would be lost.
void WaitForKestrinToEnd(DWORD milliseconds);
