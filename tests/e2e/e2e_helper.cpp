// kestrin_e2e_helper: what a user does with Kestrin's windows, as a small Windows console program the
// end-to-end scripts run under the same Wine. It works only from outside the programs, with the
// messages a person's clicks and keys would send. Exit code 0 on success, 1 on time-out or misuse.
// A TITLE of the form @ID names the visible dialog that has a control with this id, for windows
// without a title (the start-up password dialog).
//   wait-window TITLE SECONDS         a visible top-level window with this title appears
//   no-window TITLE SECONDS           succeeds when it does not appear
//   wait-gone TITLE SECONDS           no visible window with this title is left
//   window-state TITLE                prints visible, minimized, hidden or none
//   message-box SECONDS [ok|cancel]   prints title, LF, text; then presses the button (default ok)
//   close-window TITLE | minimize-window TITLE | restore-window TITLE
//   set-text TITLE ID TEXT            sets a control's text (an edit box raises its change handler)
//   get-text TITLE ID                 prints a control's text
//   list-lines TITLE ID               prints each line of a list box, one a line
//   click TITLE ID                    clicks a button (posted: a modal dialog it opens does not block)
//   command TITLE ID                  a menu command (WM_COMMAND with this id)
//   enabled TITLE ID                  prints 1 or 0
//   checked TITLE ID                  prints 1 or 0 (a check box)
//   list-rows TITLE                   prints each row of the window's list: text TAB column 2 TAB
//                                     ticked (0/1) TAB selected (0/1)
//   set-check TITLE ROW 0|1           ticks or unticks row ROW (from 0) of the window's list, with the
//                                     focus on the row and the space bar
//   select-row TITLE ROW              selects only row ROW (from 0)
//   file-dialog TITLE PATH SECONDS    waits for a file dialog with this title, types PATH, presses Open
//   post TITLE MESSAGE WPARAM LPARAM  posts a message (numbers, 0x for hexadecimal), e.g. the shell's
//                                     notification-area callback
//   post-control TITLE ID MESSAGE WPARAM LPARAM  the same to a control (keys to the list, say)
//   window-rect TITLE                 prints the window's screen rectangle: X Y WIDTH HEIGHT
//   time-window PROGRAM TITLE SECONDS starts PROGRAM (in its own folder) and prints the milliseconds
//                                     until a visible window with this title appears
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "win/dialog.h"
#include "tests/e2e/remote_list.h"
#include "win/strings.h"

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static control that holds a message box's text

void Print(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Kestrin creates its main window hidden and shows it only after loading: only a visible window counts.
struct ControlSearch {
    int id = 0;
    HWND found = nullptr;
};

BOOL CALLBACK FindDialogWithControl(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (IsWindowVisible(window) && GetDlgItem(window, search->id)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A top-level window by its title, or by a control's id for "@ID".
HWND Window(const wchar_t* title) {
    if (title[0] != L'@') return FindWindowW(nullptr, title);
    ControlSearch search{_wtoi(title + 1), nullptr};
    EnumWindows(FindDialogWithControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Kestrin creates its main window hidden and shows it only after loading: only a visible window counts.
bool VisibleWindow(const wchar_t* title) {
    HWND window = Window(title);
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

int MessageBoxCommand(int seconds, int button) {
    HWND box = nullptr;
    if (!WaitFor(seconds, [&] {
            EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&box));
            return box != nullptr;
        })) {
        return 1;
    }
    Sleep(200);  // let the box finish initialising its texts
    Print(ToUtf8(GetWindowString(box)) + "\n" + ToUtf8(GetItemText(box, kMessageBoxTextId)));
    PostMessageW(box, WM_COMMAND, button, 0);
    return 0;
}

HWND Control(const wchar_t* title, const wchar_t* id) {
    HWND window = Window(title);
    return window ? GetDlgItem(window, _wtoi(id)) : nullptr;
}

HWND ListOf(const wchar_t* title) {
    HWND window = Window(title);
    return window ? FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
}

int PrintWindowState(const wchar_t* title) {
    HWND window = Window(title);
    const char* state = !window                   ? "none"
                        : IsIconic(window)        ? "minimized"
                        : IsWindowVisible(window) ? "visible"
                                                  : "hidden";
    Print(std::string(state) + "\n");
    return 0;
}

int ListRows(const wchar_t* title) {
    HWND list = ListOf(title);
    if (!list) return 1;
    RemoteList remote(list);
    if (!remote.Ok()) return 1;
    std::string out;
    for (int row = 0; row < remote.RowCount(); ++row) {
        auto text = remote.Text(row, 0);
        auto last = remote.Text(row, 1);
        if (!text || !last) return 1;
        bool selected = SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
        out += ToUtf8(*text) + "\t" + ToUtf8(*last) + "\t" + (remote.Checked(row) ? "1" : "0") + "\t" +
               (selected ? "1" : "0") + "\n";
    }
    Print(out);
    return 0;
}

// The list keeps no ticks of its own: the program flips the focused row's tick on the space bar, so
// the helper does what a user does, the focus on the row and the key.
int SetCheck(const wchar_t* title, int row, bool ticked) {
    HWND list = ListOf(title);
    if (!list) return 1;
    RemoteList remote(list);
    if (!remote.Ok()) return 1;
    if (remote.Checked(row) == ticked) return 0;
    if (!remote.SetState(row, LVIS_FOCUSED, LVIS_FOCUSED)) return 1;
    PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(list, WM_KEYUP, VK_SPACE, 0xC0390001);
    return WaitFor(5, [&] { return remote.Checked(row) == ticked; }) ? 0 : 1;
}

int SelectRow(const wchar_t* title, int row) {
    HWND list = ListOf(title);
    if (!list) return 1;
    RemoteList remote(list);
    if (!remote.Ok() || !remote.SetState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED)) return 1;
    SetFocus(list);
    return remote.SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED) ? 0 : 1;
}

// The file name box of the common file dialog is a combo box (cmb13) in the explorer style and an
// edit box (edt1) in the old style; whichever exists gets the path.
int FileDialog(const wchar_t* title, const wchar_t* path, int seconds) {
    HWND dialog = nullptr;
    if (!WaitFor(seconds, [&] { return (dialog = Window(title)) != nullptr && IsWindowVisible(dialog); })) return 1;
    Sleep(300);
    HWND name = GetDlgItem(dialog, 0x47c);
    if (!name) name = GetDlgItem(dialog, 0x480);
    if (!name) return 1;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return 0;
}

int TimeWindow(const wchar_t* program, const wchar_t* title, int seconds) {
    std::wstring path = program;
    std::wstring folder =
        path.substr(0, path.find_last_of(L"\\/") == std::wstring::npos ? 0 : path.find_last_of(L"\\/"));
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (;;) {
        QueryPerformanceCounter(&now);
        double ms =
            1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (VisibleWindow(title)) {
            Print(std::to_string(static_cast<long long>(ms + 0.5)) + "\n");
            return 0;
        }
        if (ms > seconds * 1000.0) return 1;
        Sleep(5);
    }
}

int Usage() {
    Print("usage: kestrin_e2e_helper COMMAND ARGUMENTS (see the commands at the top of e2e_helper.cpp)\n");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring command = argc > 1 ? argv[1] : L"";
    auto is = [&](const wchar_t* name, int arguments) { return command == name && argc == arguments + 2; };
    if (is(L"wait-window", 2)) return WaitFor(_wtoi(argv[3]), [&] { return VisibleWindow(argv[2]); }) ? 0 : 1;
    if (is(L"no-window", 2)) return WaitFor(_wtoi(argv[3]), [&] { return VisibleWindow(argv[2]); }) ? 1 : 0;
    if (is(L"wait-gone", 2)) return WaitFor(_wtoi(argv[3]), [&] { return !VisibleWindow(argv[2]); }) ? 0 : 1;
    if (is(L"window-state", 1)) return PrintWindowState(argv[2]);
    if (is(L"message-box", 1)) return MessageBoxCommand(_wtoi(argv[2]), IDOK);
    if (is(L"message-box", 2))
        return MessageBoxCommand(_wtoi(argv[2]), std::wstring(argv[3]) == L"cancel" ? IDCANCEL : IDOK);
    if (is(L"close-window", 1)) {
        HWND window = Window(argv[2]);
        return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (is(L"minimize-window", 1)) {
        HWND window = Window(argv[2]);
        return window && PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
    }
    if (is(L"restore-window", 1)) {
        HWND window = Window(argv[2]);
        return window && PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0) ? 0 : 1;
    }
    if (is(L"set-text", 3)) {
        HWND control = Control(argv[2], argv[3]);
        return control && SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
    }
    if (is(L"get-text", 2)) {
        HWND control = Control(argv[2], argv[3]);
        if (!control) return 1;
        // GetWindowText does not ask a control of another process for its text; the message does.
        std::wstring text(static_cast<size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
        text.resize(
            static_cast<size_t>(SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
        Print(ToUtf8(text) + "\n");
        return 0;
    }
    if (is(L"list-lines", 2)) {
        HWND control = Control(argv[2], argv[3]);
        if (!control) return 1;
        // List box texts are copied across processes by the system, as WM_GETTEXT is.
        auto count = static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && i < 1000; ++i) {
            auto length = SendMessageW(control, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            if (length < 0 || length > 4096) continue;
            std::wstring line(static_cast<size_t>(length) + 1, L'\0');
            LRESULT got =
                SendMessageW(control, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
            if (got < 0) continue;
            line.resize(static_cast<size_t>(got));
            Print(ToUtf8(line) + "\n");
        }
        return 0;
    }
    if (is(L"click", 2)) {
        HWND control = Control(argv[2], argv[3]);
        return control && PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (is(L"command", 2)) {
        HWND window = Window(argv[2]);
        return window && PostMessageW(window, WM_COMMAND, MAKEWPARAM(_wtoi(argv[3]), 0), 0) ? 0 : 1;
    }
    if (is(L"enabled", 2) || is(L"checked", 2)) {
        HWND control = Control(argv[2], argv[3]);
        if (!control) return 1;
        bool on = command == L"enabled" ? IsWindowEnabled(control) != FALSE
                                        : SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Print(on ? "1\n" : "0\n");
        return 0;
    }
    if (is(L"list-rows", 1)) return ListRows(argv[2]);
    if (is(L"set-check", 3)) return SetCheck(argv[2], _wtoi(argv[3]), _wtoi(argv[4]) != 0);
    if (is(L"select-row", 2)) return SelectRow(argv[2], _wtoi(argv[3]));
    if (is(L"file-dialog", 3)) return FileDialog(argv[2], argv[3], _wtoi(argv[4]));
    if (is(L"post", 4)) {
        HWND window = Window(argv[2]);
        auto number = [](const wchar_t* text) { return static_cast<UINT_PTR>(wcstoull(text, nullptr, 0)); };
        return window && PostMessageW(window, static_cast<UINT>(number(argv[3])), number(argv[4]),
                                      static_cast<LPARAM>(number(argv[5])))
                   ? 0
                   : 1;
    }
    if (is(L"post-control", 5)) {
        HWND control = Control(argv[2], argv[3]);
        auto number = [](const wchar_t* text) { return static_cast<UINT_PTR>(wcstoull(text, nullptr, 0)); };
        return control && PostMessageW(control, static_cast<UINT>(number(argv[4])), number(argv[5]),
                                       static_cast<LPARAM>(number(argv[6])))
                   ? 0
                   : 1;
    }
    if (is(L"window-rect", 1)) {
        HWND window = Window(argv[2]);
        RECT r{};
        if (!window || !GetWindowRect(window, &r)) return 1;
        Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
              std::to_string(r.bottom - r.top) + "\n");
        return 0;
    }
    if (is(L"time-window", 3)) return TimeWindow(argv[2], argv[3], _wtoi(argv[4]));
    return Usage();
}
