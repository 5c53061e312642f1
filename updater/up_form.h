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
//   4. Nothing is fetched unless the version file verifies; the program is fetched after its
//      signature "更新程序.exe.sig", and OK is enabled only when the signature verifies over the
//      file as read through a handle that is then kept, denying writing and deletion, until the
//      program has been started. Any refusal logs its line, deletes both downloads and leaves OK
//      disabled (Cancel still starts Kestrin).
//   5. OK and Cancel each start exactly one program by its exact path and end the updater; closing
//      by the frame starts nothing.
//   6. The HWND is owned from Load until WM_DESTROY; `this` lives in DWLP_USER.

#include <windows.h>

#include <memory>
#include <string>

#include "update/fetchwell.h"
#include "win/unique_handle.h"
#include "win/dialog_window.h"
#include "common/services.h"

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
    std::string versionFile;    // the version file Kestrin checked and handed over, "<signature>.sig" beside it
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

    // kSignature: fetching the program's signature; kProgram: the program; kVerified: OK enabled.
    enum class Phase { kSignature, kProgram, kVerified, kRefused };

    void OnInit();
    bool AddReleaseNotes();
    void Fetch(const std::string& name);
    std::wstring DownloadPath(const std::string& name) const;
    void Refuse();
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
    Phase phase_ = Phase::kSignature;
    UniqueFile held_;  // owned: the verified program, open against writing until it is started
};
