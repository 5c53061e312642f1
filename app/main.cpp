// Kestrin.exe's entry point: the production services and the start-up routine.
#include <windows.h>

#include "app/startup.h"
#include "app/win32_services.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    Win32Services services;
    return RunKestrin(instance, services.Get(), showCommand);
}
