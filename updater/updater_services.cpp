#include "updater/updater_services.h"

#include "win/strings.h"

bool MinimisedProcesses::Start(const std::string& application, const std::string& commandLine) {
    return StartProgram(ToWide(application), ToWide(commandLine), SW_SHOWMINIMIZED);
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
