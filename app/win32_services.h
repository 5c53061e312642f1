#pragma once
// The production Services: each seam over the Win32 call that does it for real.
// Invariants:
//   1. Texts cross as UTF-8 and reach Win32 as UTF-16 (W calls only).
//   2. The single-instance mutex, once created, is held until the process ends.

#include <windows.h>

#include "win/program_instance.h"
#include "common/services.h"
#include "update/winhttp_fetchwell.h"
#include "win/unique_handle.h"

class Win32MessageBoxes : public MessageBoxes {
  public:
    int Show(WindowRef owner, const std::string& text, const std::string& title, unsigned style) override;
};

class Win32FileDialogs : public FileDialogs {
  public:
    std::optional<std::string> OpenFile(WindowRef owner, const std::string& title, const std::string& filter) override;
};

class Win32Clock : public Clock {
  public:
    LocalTime Now() override;
    void Sleep(int milliseconds) override;
};

class Win32Processes : public Processes {
  public:
    bool Start(const std::string& application, const std::string& commandLine) override;
};

class Win32UrlOpener : public UrlOpener {
  public:
    void Open(WindowRef owner, const std::string& url) override;
};

// The machine-wide Run key: HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run.
class Win32RunValueStore : public RunValueStore {
  public:
    std::optional<std::string> Read(const std::string& name) override;
    bool Write(const std::string& name, const std::string& data) override;
    bool Delete(const std::string& name) override;
};

// All of the above, wired into one Services.
class Win32Services {
  public:
    Win32Services();
    Services& Get() { return services_; }

  private:
    Win32MessageBoxes messages_;
    Win32FileDialogs fileDialogs_;
    Win32Clock clock_;
    Win32Processes processes_;
    Win32UrlOpener urls_;
    Win32RunValueStore runValue_;
    WinHttpDownloadFactory downloads_;
    MutexInstanceGuard instance_;
    ProcessEnd end_;
    Services services_;
};
