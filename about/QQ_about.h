#pragma once
// QQ_about: the about window with the versions and the help page. Modal, owned by the main window.

#include <windows.h>

#include <string>

class UrlOpener;

struct QQ_aboutData {
    std::string appTitle;           // in: the caption's first part
    std::string appVersion;         // in: the current version
    std::string newestVersion;      // in: the newest one the last check found
    std::string helpUrl;            // in: the help page
    UrlOpener* urls = nullptr;      // in, borrowed: opens the help link in the browser
    bool allowBrowser = true;       // in: false stands for a system without the browser control
};

// MMabout and MenuAbout: shows QQ_about modally over `owner`.
void Dialog_QQ_about(HWND owner, const QQ_aboutData& in);
// Closes QQ_about if it is open (an accepted update unloads every window).
void UnloadQQ_about();
