// kestrin_e2e_helper: what a user does with Kestrin's windows, as a small Windows console program the
// end-to-end scripts run under the same Wine: wait for a window, read and answer a message box,
// close a window. Exit code 0 on success, 1 on time-out or misuse.
//   kestrin_e2e_helper wait-window TITLE SECONDS
//   kestrin_e2e_helper no-window TITLE SECONDS     (succeeds when it does not appear)
//   kestrin_e2e_helper message-box SECONDS         (prints title, LF, text; then presses OK)
//   kestrin_e2e_helper close-window TITLE
//   kestrin_e2e_helper minimize-window TITLE
#include <windows.h>

#include <string>

#include "win/dialog.h"
#include "win/strings.h"

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static control that holds a message box's text

void Print(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Kestrin creates its main window hidden and shows it only after loading: only a visible window counts.
bool VisibleWindow(const wchar_t* title) {
    HWND window = FindWindowW(nullptr, title);
    return window && IsWindowVisible(window);
}

template <class Found>
bool WaitFor(int seconds, Found found) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
        if (found()) return true;
        Sleep(100);
    }
    return false;
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM result) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 31);
    if (IsWindowVisible(window) && std::wstring(className) == L"#32770" && GetDlgItem(window, kMessageBoxTextId) &&
        GetDlgItem(window, IDOK) && !FindWindowExW(window, nullptr, L"SysListView32", nullptr)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

int MessageBoxCommand(int seconds) {
    HWND box = nullptr;
    if (!WaitFor(seconds, [&] {
            EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&box));
            return box != nullptr;
        })) {
        return 1;
    }
    Sleep(200);  // let the box finish initialising its texts
    Print(ToUtf8(GetWindowString(box)) + "\n" + ToUtf8(GetItemText(box, kMessageBoxTextId)));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"wait-window" && argc == 4) {
        return WaitFor(_wtoi(argv[3]), [&] { return VisibleWindow(argv[2]); }) ? 0 : 1;
    }
    if (command == L"no-window" && argc == 4) {
        return WaitFor(_wtoi(argv[3]), [&] { return VisibleWindow(argv[2]); }) ? 1 : 0;
    }
    if (command == L"message-box" && argc == 3) return MessageBoxCommand(_wtoi(argv[2]));
    if (command == L"close-window" && argc == 3) {
        HWND window = FindWindowW(nullptr, argv[2]);
        return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (command == L"minimize-window" && argc == 3) {
        HWND window = FindWindowW(nullptr, argv[2]);
        return window && PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
    }
    Print(
        "usage: kestrin_e2e_helper wait-window|no-window TITLE SECONDS | message-box SECONDS | "
        "close-window|minimize-window TITLE\n");
    return 1;
}
