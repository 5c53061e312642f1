#include "win/program_instance.h"

#include <vector>

bool StartProgram(std::wstring_view application, std::wstring_view commandLine, int showCommand) {
    // CreateProcessW may write into the command line, so it gets a private, writable copy.
    std::wstring program(application);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool MutexInstanceGuard::AnotherCopyRunning() {
    if (mutex_) return false;
    mutex_.Reset(CreateMutexW(nullptr, FALSE, name_.c_str()));
    DWORD error = GetLastError();
    return mutex_ && error == ERROR_ALREADY_EXISTS;
}

void ProcessEnd::EndProgram(int exitCode) {
    ExitProcess(static_cast<UINT>(exitCode));
}
