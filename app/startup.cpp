#include "app/startup.h"

#include <commctrl.h>

#include <cstdlib>

#include "app/globals.h"
#include "app/qq_form.h"
#include "app/res_files.h"
#include "common/text.h"
#include "resources/resource_ids.h"
#include "store/account_db.h"
#include "update/site_url.h"
#include "win/files.h"
#include "win/resources.h"
#include "win/strings.h"

#ifndef KESTRIN_SITE_URL
#define KESTRIN_SITE_URL "https://kestrin.example.com"
#endif

bool InitVisualStyles() {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&classes) != FALSE;
}

void EnsureDbFile(const std::wstring& dbPath) {
    if (GetFileAttributesW(dbPath.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    (void)SetAsideLogBeside(ToUtf8(dbPath));
    (void)WriteResFile(IDR_TEMPLATE_DB, L"DATE", dbPath);
}

namespace {

std::string SiteUrlSetting() {
    const wchar_t* fromEnvironment = _wgetenv(L"KESTRIN_SITE_URL");
    std::string value = fromEnvironment ? ToUtf8(fromEnvironment) : std::string();
    return ChooseSiteUrl(value.c_str(), KESTRIN_SITE_URL);
}

int RunMessageLoop(HWND mainWindow) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (mainWindow && IsWindow(mainWindow) && IsDialogMessageW(mainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int RunKestrin(HINSTANCE instance, Services& services, int showCommand) {
    std::string appTitle = kAppTitle;
    if (services.instance->AnotherCopyRunning()) {
        services.messages->Show(nullptr, appTitle + ToUtf8(LoadResString(IDS_ALREADY_RUNNING, instance)), "", kMbOk);
        services.end->EndProgram(0);
        return 0;
    }
    (void)InitVisualStyles();
    GlobalSettings globals = StartupSettings(FolderOfPath(ToUtf8(ProgramPath())), SiteUrlSetting());
    EnsureDbFile(ToWide(globals.DbPath));
    AccountDb db(globals.DbPath, services);
    QQ_form form(instance, services, globals, db);
    if (!form.Load()) return 1;
    ShowWindow(form.Hwnd(), showCommand);
    return RunMessageLoop(form.Hwnd());
}
