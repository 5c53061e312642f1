// A stand-in for the downloaded "更新程序.exe" and for Kestrin.exe in the end-to-end test: it writes
// its own command line to "<its path>.started" and ends, so the test sees which program was started.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[32768] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, 32767);
    if (length == 0 || length >= 32767) return 1;
    std::wstring marker = std::wstring(path) + L".started";
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::wstring line = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
