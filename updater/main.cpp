// update.exe's entry point: the window up_form and its message loop.
#include <windows.h>

#include <cstdlib>

#include "common/text.h"
#include "updater/up_form.h"
#include "update/site_url.h"
#include "updater/updater_services.h"
#include "win/files.h"
#include "win/strings.h"

#ifndef KESTRIN_SITE_URL
#define KESTRIN_SITE_URL "https://kestrin.example.com"
#endif

namespace {

// The same site as Kestrin's, by the same rule (KESTRIN_SITE_URL in the environment wins).
std::string SiteUrlSetting() {
    const wchar_t* fromEnvironment = _wgetenv(L"KESTRIN_SITE_URL");
    std::string value = fromEnvironment ? ToUtf8(fromEnvironment) : std::string();
    return ChooseSiteUrl(value.c_str(), KESTRIN_SITE_URL);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    WaitForKestrinToEnd(10000);
    UpdaterWin32Services services;
    const std::string folder = FolderOfPath(ToUtf8(ProgramPath()));
    UpForm form(instance, services.Get(), {SiteUrlSetting(), folder, folder + "\\" + kHandedVersionFileName});
    if (!form.Load()) return 0;
    ShowWindow(form.Hwnd(), showCommand);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (form.Hwnd() && IsDialogMessageW(form.Hwnd(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
