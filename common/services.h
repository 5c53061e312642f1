#pragma once
// Services: the program's few contacts with the world outside its windows and files, passed in
// once (to the start-up routine, the main window and every dialog) so tests can record them.
// Each interface has one production implementation over Win32 (app/win32_services.*) and fakes in
// the tests. Nothing else is a seam: tests use real windows, real files and a real config.dat.
// Invariants:
//   1. Every pointer of a Services is set and outlives every window that holds the Services.
//   2. Texts are UTF-8; message-box styles and results are the Win32 values (MB_OK = 0,
//      MB_ICONEXCLAMATION = 0x30, IDOK = 1, ...), so the program states exactly what the user sees.
//   3. Windows are passed as WindowRef, a borrowed HWND: this header has no <windows.h>, so the
//      portable store can use it too.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class Fetchwell;

using WindowRef = void*;  // borrowed HWND

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows a modal message box owned by `owner` (may be null) and returns the button pressed.
    virtual int Show(WindowRef owner, const std::string& text, const std::string& title, unsigned style) = 0;
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The file-open dialog with its caption `title` (empty: the system's); `filter` in the
    // "Text|*.txt|All|*.*" form. nullopt when cancelled.
    virtual std::optional<std::string> OpenFile(WindowRef owner, const std::string& title,
                                                const std::string& filter) = 0;
};

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
    // Waits; the program's few fixed pauses (100 ms, 400 ms) go through here so tests need not wait.
    virtual void Sleep(int milliseconds) = 0;
};

class Processes {
  public:
    virtual ~Processes() = default;
    // Starts the program `application` (an exact path; empty: the first word of the command line)
    // with `commandLine`, without waiting, in a normal, activated window; false when it cannot be
    // started.
    virtual bool Start(const std::string& application, const std::string& commandLine) = 0;
};

class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // Opens an address with the system's handler (the "open" verb); failures are not reported.
    virtual void Open(WindowRef owner, const std::string& url) = 0;
};

// The program's auto-start value: a string value named `name` under the machine-wide Run key.
class RunValueStore {
  public:
    virtual ~RunValueStore() = default;
    virtual std::optional<std::string> Read(const std::string& name) = 0;
    // False when the value cannot be written or deleted (e.g. no right to change the key).
    virtual bool Write(const std::string& name, const std::string& data) = 0;
    virtual bool Delete(const std::string& name) = 0;
};

class DownloadFactory {
  public:
    virtual ~DownloadFactory() = default;
    virtual std::unique_ptr<Fetchwell> Create() = 0;
};

class InstanceGuard {
  public:
    virtual ~InstanceGuard() = default;
    // True when another copy of the program runs for the same user. The first call claims the
    // program for this copy until it ends.
    virtual bool AnotherCopyRunning() = 0;
};

class ProgramEnd {
  public:
    virtual ~ProgramEnd() = default;
    // Ends the program at once. Production never returns; a test fake records the call and
    // returns, so callers must stop their own work after calling it.
    virtual void EndProgram(int exitCode) = 0;
};

struct Services {
    MessageBoxes* messages = nullptr;
    FileDialogs* fileDialogs = nullptr;
    Clock* clock = nullptr;
    Processes* processes = nullptr;
    UrlOpener* urls = nullptr;
    RunValueStore* runValue = nullptr;
    DownloadFactory* downloads = nullptr;
    InstanceGuard* instance = nullptr;
    ProgramEnd* end = nullptr;
};

// Message-box styles and results the program uses (the Win32 values).
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
