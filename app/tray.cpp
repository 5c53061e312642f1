#include "app/tray.h"

#include <shellapi.h>

#include <cwchar>

void TrayIcon::Init(HWND owner, HICON icon, std::wstring tip) {
    owner_ = owner;
    icon_ = icon;
    tip_ = std::move(tip);
}

NOTIFYICONDATAW TrayIcon::Data() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner_;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = icon_;
    wcsncpy(data.szTip, tip_.c_str(), std::size(data.szTip) - 1);
    return data;
}

void TrayIcon::Add() {
    NOTIFYICONDATAW data = Data();
    if (Shell_NotifyIconW(NIM_ADD, &data)) shown_ = true;
}

void TrayIcon::Remove() {
    NOTIFYICONDATAW data = Data();
    Shell_NotifyIconW(NIM_DELETE, &data);
    shown_ = false;
}

void TrayIcon::Readd() {
    if (!shown_) return;
    NOTIFYICONDATAW data = Data();
    Shell_NotifyIconW(NIM_ADD, &data);
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}
