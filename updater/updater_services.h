#pragma once
// update.exe's production services: starting a program minimised, its own single-instance mutex,
// the WinHTTP download control and the end of the process.
// Invariants:
//   1. A program is started by its exact path, never searched for along its command line.
//   2. The mutex, once created, is held until the process ends.

#include <windows.h>

#include "updater/up_form.h"
#include "win/unique_handle.h"

// Starts programs minimised with the focus (SW_SHOWMINIMIZED), without waiting.
class MinimisedProcesses : public Processes {
  public:
    bool Start(const std::string& application, const std::string& commandLine) override;
};

class UpdaterDownloads : public DownloadFactory {
  public:
    std::unique_ptr<Fetchwell> Create() override;
};

// A named mutex of the session: one updater per user, apart from Kestrin's own.
class UpdaterInstanceGuard : public InstanceGuard {
  public:
    bool AnotherCopyRunning() override;

  private:
    UniqueKernel mutex_;  // owned
};

class UpdaterEnd : public ProgramEnd {
  public:
    void EndProgram(int exitCode) override;
};

class UpdaterWin32Services {
  public:
    UpdaterWin32Services();
    UpdaterServices& Get() { return services_; }

  private:
    MinimisedProcesses processes_;
    UpdaterDownloads downloads_;
    UpdaterInstanceGuard instance_;
    UpdaterEnd end_;
    UpdaterServices services_;
};

constexpr wchar_t kUpdaterMutexName[] = L"Local\\Kestrin.up_form.SingleInstance";
// Kestrin's own single-instance mutex (app/win32_services.h), which exists while Kestrin runs.
constexpr wchar_t kKestrinMutexName[] = L"Local\\Kestrin.QQ_form.SingleInstance";

// Waits up to `milliseconds` for a running Kestrin to end. Kestrin starts the updater and then, while
// closing, deletes "更新程序.exe" beside itself: a download finished before that would be lost.
void WaitForKestrinToEnd(DWORD milliseconds);
