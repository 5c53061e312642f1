#include "app/win32_services.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "update/winhttp_fetchwell.h"
#include "win/registry.h"
#include "win/strings.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

int Win32MessageBoxes::Show(WindowRef owner, const std::string& text, const std::string& title, unsigned style) {
    return MessageBoxW(static_cast<HWND>(owner), ToWide(text).c_str(), ToWide(title).c_str(), style);
}

std::optional<std::string> Win32FileDialogs::OpenFile(WindowRef owner, const std::string& title,
                                                      const std::string& filter) {
    // The common dialog wants the filter's parts separated by NULs and ended by two.
    std::wstring filterText = ToWide(filter);
    for (wchar_t& c : filterText) {
        if (c == L'|') c = L'\0';
    }
    filterText.append(2, L'\0');
    std::wstring titleText = ToWide(title);
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = filterText.c_str();
    dialog.lpstrTitle = titleText.empty() ? nullptr : titleText.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    return ToUtf8(file.data());
}

LocalTime Win32Clock::Now() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void Win32Clock::Sleep(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

bool Win32Processes::Start(const std::string& application, const std::string& commandLine) {
    return StartProgram(ToWide(application), ToWide(commandLine), SW_SHOWNORMAL);
}

void Win32UrlOpener::Open(WindowRef owner, const std::string& url) {
    ShellExecuteW(static_cast<HWND>(owner), L"open", ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::optional<std::string> Win32RunValueStore::Read(const std::string& name) {
    auto data = RegReadString(HKEY_LOCAL_MACHINE, kRunKey, ToWide(name));
    if (!data) return std::nullopt;
    return ToUtf8(*data);
}

bool Win32RunValueStore::Write(const std::string& name, const std::string& data) {
    return RegWriteString(HKEY_LOCAL_MACHINE, kRunKey, ToWide(name), ToWide(data)).ok();
}

bool Win32RunValueStore::Delete(const std::string& name) {
    return RegDeleteValue(HKEY_LOCAL_MACHINE, kRunKey, ToWide(name)).ok();
}

Win32Services::Win32Services() : instance_(kKestrinMutexName) {
    services_.messages = &messages_;
    services_.fileDialogs = &fileDialogs_;
    services_.clock = &clock_;
    services_.processes = &processes_;
    services_.urls = &urls_;
    services_.runValue = &runValue_;
    services_.downloads = &downloads_;
    services_.instance = &instance_;
    services_.end = &end_;
}
