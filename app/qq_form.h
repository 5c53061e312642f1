#pragma once
// QQ_form: the main window. Its template, menus and texts are in resources/qq_form.rc. It shows the
// stored accounts in ListView1 (a check box, a status icon and the last login per row), an
// owner-data list over the rows this window holds (AccountList), and carries the
// login button, the two options, the menus, the tray icon, the home-page link, Timer1 and the
// download control qq_dl of the update check.
// Invariants:
//   1. One QQ_form per program; its HWND is owned by this object from Load until WM_DESTROY.
//   2. The load handler runs inside Load (WM_INITDIALOG), in the order the program has always
//      followed; when opening config.dat fails the program ends there (Loaded() is false).
//   3. The list is never reloaded from config.dat after loading. The rows are changed only here:
//      the editor and the import hand their outcome to this window (AccountSaves, ImportRows), which
//      writes config.dat and the rows in step; RefreshCommands gives ListView1 the row count.
//   4. The tray icon is shown only between a minimise and a restore through the icon, or the close.
//   5. Closing runs the closing handlers twice (close request, then unload): TrayRemove and the
//      deletion of the leftover update files; neither cancels.
//   6. Nothing done for one row costs time that grows with the list: rows are found by index or
//      through the alias map, and a row's change repaints that row or, for many, the list once.
//   7. It alone holds the settings record (GlobalSettings): each dialog, the login run and the end of
//      an update check are given what they need of it (qq_form_dialogs.cpp, qq_form_login.cpp) and
//      hand back what changed.
// The decisions live in app/qq_form_logic.h; this class reads controls and calls them.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "app/globals.h"
#include "win/main_window.h"
#include "accounts/qq_add_dialog.h"
#include "app/account_list.h"
#include "app/tray.h"
#include "update/fetchwell.h"
#include "update/update_check.h"
#include "win/dialog_window.h"
#include "common/services.h"
#include "win/unique_handle.h"

class AccountDb;
struct QQ_aboutData;
struct QQ_loginData;
struct QQ_setData;

class QQ_form : public MainWindow, public DialogWindow, public AccountSaves {
  public:
    QQ_form(HINSTANCE instance, Services& services, GlobalSettings& globals, AccountDb& db);
    ~QQ_form() override;
    QQ_form(const QQ_form&) = delete;
    QQ_form& operator=(const QQ_form&) = delete;

    // Creates the window hidden and runs the load handler. False when the window could not be
    // created or the program ended while loading.
    bool Load();
    bool Loaded() const { return loaded_; }

    // MainWindow: what the account commands use.
    WindowRef Window() const override { return hwnd_; }
    // ListView1: row text A_Name, sub-item 1 the last login, tick = active, image 0/1 = status 1/0.
    WindowRef ListView1() const { return List(); }
    GlobalSettings& Globals() { return globals_; }
    AccountDb& Db() override { return db_; }
    Services& AppServices() override { return services_; }
    void RefreshCommands() override;
    bool SingleSelected() const;
    void update_date(const std::string& url, const std::string& folder, const std::string& fileName);
    void StartUpdateCheck(int16_t source, int16_t ticks);
    void Minimise() { ShowWindow(hwnd_, SW_MINIMIZE); }
    void Quit() { QuitFromMenuBar(); }
    void OpenSettings();

    // What the dialogs are given (the Windows tests give the same to the modeless ones).
    QQ_setData SettingsData();
    QQ_loginData StartupPasswordData();
    QQ_aboutData AboutData() const;
    // The editor for the account EditAlias names (add mode when it is empty).
    QQ_AddData EditorData();

    // AccountSaves: an editor's save, applied to the row and then to config.dat.
    Status Save(const AccountSave& save) override;

    // The row (from 0) an edit save changes; the edit command sets it before it opens the editor.
    void SetEditRow(int row) { editRow_ = row; }
    // The rows ListView1 shows.
    const AccountList& Rows() const { return rows_; }
    // Ticks or unticks a row as a click on its check box does.
    void SetTicked(int row, bool ticked);
    void SetRowLastLogin(int row, const std::string& timeText);

    void CheckAll();
    void InvertChecks();
    // cmd_login (also MMopen and MenuR_OpenA) and MenuR_OpenO.
    void LoginTicked();
    void LoginSelected();
    void TrayAdd();
    void TrayRemove();
    bool TrayShown() const { return tray_.Shown(); }
    // Unload: the close request and the unload, with their handlers, as the quit commands do.
    void Unload();

    // The start-up password read at load (empty: none).
    const std::string& StartupPassword() const { return startupPassword_; }

  private:
    class DownloadEvents;

    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    static LRESULT CALLBACK ListSubclassProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR self);

    class ImportedRows;

    HWND List() const;
    void OnInit();
    void RunLoadSteps();
    void LoadAccountsIntoList();
    void SetUpListView();
    void SetUpLabel2();
    void OnCommand(int id, int code);
    INT_PTR OnNotify(const NMHDR* header);
    void OnGetDisplayInfo(LVITEMW& item) const;
    void ToggleRow(int row);
    void RedrawList();
    void AddAccountCommand();
    void EditAccountCommand();
    void DeleteAccountCommand();
    void ImportCommand();
    void OpenEditor();
    Status SaveEdit(const AccountSave& save);
    Status SaveNew(const AccountSave& save);
    void OnSize(WPARAM kind);
    void OnTrayMessage(UINT mouseMessage);
    void OnTimer1();
    UpdateCheckData CheckEndData();
    void FinishUpdateCheck();
    void OnClosing();
    void OnDestroy();
    bool OnSetCursor(HWND over);
    INT_PTR OnCtlColorStatic(HDC dc, HWND control);

    void OnCheck1();
    void OnCheck2();
    void OnLabel2Click();
    void OpenHomePage();
    void OpenAbout();
    bool AskStartupPassword();
    void RestoreFromTray();
    void ShowPopup(int popupIndex);
    void QuitFromMenuBar();
    void QuitFromTray();
    void OnDownloadCompleted(int32_t value);
    bool RunValueExists() const;
    void KillLeftoverUpdateFiles();
    void FetchCheckFile(const std::string& suffix);
    std::wstring Text(UINT id) const;
    int MessageBox(const std::wstring& text, const std::wstring& title, unsigned style);

    HINSTANCE instance_;       // borrowed
    Services& services_;       // borrowed
    GlobalSettings& globals_;  // borrowed
    AccountDb& db_;            // borrowed
    bool loaded_ = false;
    bool ended_ = false;  // the program ended during loading (a test's EndProgram returned)
    std::string startupPassword_;
    std::wstring programPath_;
    TrayIcon tray_;
    UniqueIcon appIcon_;
    UniqueIcon appIconSmall_;
    UniqueImageList images_;  // ImageList1: image 0 online, image 1 invisible
    UniqueImageList checks_;  // the state images: 1 the empty box, 2 the ticked one
    AccountList rows_;
    int editRow_ = -1;        // the row an edit opened for (EditRow is 16-bit)
    UniqueMenu popups_;       // MenuMain and MenuR_Main
    HWND tooltip_ = nullptr;  // owned by the dialog (a child of it)
    std::unique_ptr<DownloadEvents> downloadEvents_;
    std::unique_ptr<Fetchwell> qq_dl_;
    bool fetchingSignature_ = false;  // the check has its version file and fetches its signature
};
