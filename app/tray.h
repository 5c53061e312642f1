#pragma once
// TrayIcon: the main window's icon in the notification area (TrayAdd / TrayRemove).
// Invariants:
//   1. The icon is identified by (owner window, kTrayIconId); Remove of an icon that is not there
//      changes nothing, so both may be called any number of times.
//   2. The shell reports mouse activity on the icon to the owner as kTrayCallbackMessage with the
//      mouse message number in lParam (the private message replaces the older WM_MOUSEMOVE trick).
//   3. When Explorer restarts it forgets every icon and broadcasts "TaskbarCreated"; an icon that
//      was shown is added again then (Readd).

#include <windows.h>
#include <shellapi.h>

#include <string>

constexpr UINT kTrayCallbackMessage = WM_APP + 1;
constexpr UINT kTrayIconId = 1;

class TrayIcon {
  public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // `owner` and `icon` are borrowed and must outlive the tray icon's use.
    void Init(HWND owner, HICON icon, std::wstring tip);
    // NIM_ADD; failures are ignored (the program simply has no icon then).
    void Add();
    // NIM_DELETE; failures are ignored.
    void Remove();
    // Called on "TaskbarCreated": adds the icon again if it was shown.
    void Readd();
    bool Shown() const { return shown_; }

  private:
    NOTIFYICONDATAW Data() const;

    HWND owner_ = nullptr;  // borrowed
    HICON icon_ = nullptr;  // borrowed
    std::wstring tip_;
    bool shown_ = false;
};

// The message id of "TaskbarCreated".
UINT TaskbarCreatedMessage();
