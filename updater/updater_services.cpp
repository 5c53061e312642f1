#include "updater/updater_services.h"

#include <vector>

#include "update/winhttp_fetchwell.h"
#include "win/strings.h"

bool MinimisedProcesses::Start(const std::string& application, const std::string& commandLine) {
    // CreateProcessW may write into the command line, so it gets a private, writable copy.
    std::wstring program = ToWide(application);
    std::wstring line = ToWide(commandLine);
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::unique_ptr<Fetchwell> UpdaterDownloads::Create() {
    return std::make_unique<WinHttpFetchwell>();
}

bool UpdaterInstanceGuard::AnotherCopyRunning() {
    if (mutex_) return false;
    mutex_.Reset(CreateMutexW(nullptr, FALSE, kUpdaterMutexName));
    DWORD error = GetLastError();
    return mutex_ && error == ERROR_ALREADY_EXISTS;
}

void UpdaterEnd::EndProgram(int exitCode) {
    ExitProcess(static_cast<UINT>(exitCode));
}

UpdaterWin32Services::UpdaterWin32Services() {
    services_.processes = &processes_;
    services_.downloads = &downloads_;
    services_.instance = &instance_;
    services_.end = &end_;
}

void WaitForKestrinToEnd(DWORD milliseconds) {
    // Kestrin creates its mutex without owning it, so there is nothing to wait on: the name exists
    // exactly as long as a Kestrin process holds a handle to it.
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        UniqueKernel kestrin(OpenMutexW(SYNCHRONIZE, FALSE, kKestrinMutexName));
        if (!kestrin) return;
        Sleep(50);
    }
}
