#pragma once
// up_form: update.exe's one window. It lists the release notes of the version file Kestrin left in
// the temporary folder, downloads the new program "更新程序.exe" from the site into the updater's
// folder while logging each step, and on OK starts it; Cancel starts Kestrin again. Its template and
// texts are in resources/up_form.rc.
// Invariants:
//   1. One up_form per process, and one updater per user session: a second one ends at its load,
//      silently, before any window exists.
//   2. Command1 is disabled from the load until Completed with a value above 0; while disabled it
//      shows the percentage received. OK acts only while Command1 is enabled.
//   3. "更新程序.exe" appears in the folder only complete (the download control stores under a
//      temporary name and renames), so OK never starts a partial file.
//   4. OK and Cancel each start exactly one program by its exact path and end the updater; closing
//      by the frame starts nothing.
//   5. The HWND is owned from Load until WM_DESTROY; `this` lives in DWLP_USER.

#include <windows.h>

#include <memory>
#include <string>

#include "update/fetchwell.h"
#include "win/dialog_window.h"
#include "win/services.h"

// What up_form needs of the world: the Services it uses (the production ones start programs
// minimised with the focus, as the updater always has).
struct UpdaterServices {
    Processes* processes = nullptr;
    DownloadFactory* downloads = nullptr;
    InstanceGuard* instance = nullptr;
    ProgramEnd* end = nullptr;
};

struct UpFormSettings {
    std::string siteUrl;        // s_url: the site's base address, no trailing slash
    std::string programFolder;  // the updater's own folder, no trailing backslash
    std::string versionFile;    // "c:\windows\temp\Kestrin.txt"
};

class UpForm : public DialogWindow {
  public:
    UpForm(HINSTANCE instance, UpdaterServices& services, UpFormSettings settings);
    ~UpForm();
    UpForm(const UpForm&) = delete;
    UpForm& operator=(const UpForm&) = delete;

    // Creates the window hidden (modeless) and runs the load; false when another updater runs (the
    // program has been ended) or the window could not be created.
    bool Load();

  private:
    class DownloadEvents;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void OnInit();
    void AddReleaseNotes();
    void OnCommand(int id);
    void OnOk();
    void OnCancel();
    void Finish(const wchar_t* programName);

    void OnProgress(float fraction);
    void OnFailed(int32_t code);
    void OnCompleted(int32_t value);
    void OnConnected();
    void OnSizeKnown(int32_t size);
    void OnTransferStarted();

    void AddLine(const std::wstring& text);
    void AddLogLine(const std::wstring& text);
    std::wstring Text(UINT id) const;

    HINSTANCE instance_;         // borrowed
    UpdaterServices& services_;  // borrowed
    UpFormSettings settings_;
    std::unique_ptr<DownloadEvents> downloadEvents_;
    std::unique_ptr<Fetchwell> qq_dl_;
};
