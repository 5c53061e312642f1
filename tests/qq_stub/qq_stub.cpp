// qq_stub: stands in for the QQ client. Appends the whole command line it was started with
// (GetCommandLineW, as UTF-8) and "\n" to "qq_stub.log" beside its own program file, then ends
// with 0. It shows no window.
//
// Many copies start at once (one per account of a login run): each takes an exclusive lock on the
// log before writing at its end, so the lines never interleave or overwrite each other.
#include <windows.h>

#include <string>

#include "win/strings.h"

namespace {

std::wstring LogPathBesideProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return L"qq_stub.log";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + L"qq_stub.log";
}

bool AppendLocked(const std::wstring& path, const std::string& line) {
    HANDLE file = INVALID_HANDLE_VALUE;
    // Another copy may be creating the file at this moment; a few retries cover that window.
    for (int attempt = 0; attempt < 50 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) Sleep(20);
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED whole{};
    bool written = false;
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        LARGE_INTEGER end{};
        DWORD count = 0;
        written = SetFilePointerEx(file, end, nullptr, FILE_END) &&
                  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &count, nullptr) &&
                  count == line.size();
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    }
    CloseHandle(file);
    return written;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return AppendLocked(LogPathBesideProgram(), ToUtf8(GetCommandLineW()) + "\n") ? 0 : 1;
}
