// QQ_form: creation, the message dispatch, the load handler and closing. The list, the menus, the
// tray icon and the options are in qq_form_list.cpp and qq_form_commands.cpp.
#include "app/qq_form.h"

#include <commctrl.h>

#include "about/QQ_about.h"
#include "accounts/qq_add_dialog.h"
#include "app/qq_form_logic.h"
#include "app/res_files.h"
#include "common/text.h"
#include "resources/resource_ids.h"
#include "settings/qq_set.h"
#include "store/account_db.h"
#include "update/signed_file.h"
#include "update/site_url.h"
#include "update/update_check.h"
#include "win/dialog.h"
#include "win/dpi.h"
#include "win/listview.h"
#include "win/resources.h"
#include "win/files.h"
#include "win/strings.h"

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1IntervalMs = 1000;

std::vector<AccountRow> RowsOf(std::vector<StoredAccount> accounts) {
    std::vector<AccountRow> rows;
    rows.reserve(accounts.size());
    for (StoredAccount& account : accounts) {
        rows.push_back(
            {std::move(account.name), std::move(account.last), StatusImage(account.stat), RowTicked(account.activ)});
    }
    return rows;
}

}  // namespace

class QQ_form::DownloadEvents : public FetchwellEvents {
  public:
    explicit DownloadEvents(QQ_form& form) : form_(form) {}
    void Completed(int32_t value) override { form_.OnDownloadCompleted(value); }

  private:
    QQ_form& form_;
};

QQ_form::QQ_form(HINSTANCE instance, Services& services, GlobalSettings& globals, AccountDb& db)
    : instance_(instance), services_(services), globals_(globals), db_(db), programPath_(ProgramPath()) {}

QQ_form::~QQ_form() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool QQ_form::Load() {
    if (hwnd_) return loaded_;
    CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_QQ_FORM), nullptr, DlgProc, CreationParam());
    return hwnd_ && loaded_;
}

HWND QQ_form::List() const {
    return GetDlgItem(hwnd_, IDC_QQ_FORM_LISTVIEW1);
}

INT_PTR QQ_form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInit();
            return FALSE;  // the focus stays where the load put it
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
        case WM_SIZE:
            OnSize(wParam);
            return FALSE;
        case kTrayCallbackMessage:
            OnTrayMessage(LOWORD(lParam));
            return TRUE;
        case WM_TIMER:
            if (wParam == kTimer1) OnTimer1();
            return TRUE;
        case WM_SETCURSOR:
            return OnSetCursor(reinterpret_cast<HWND>(wParam));
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CLOSE:
            OnClosing();
            DestroyWindow(hwnd_);
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return TRUE;
        default:
            if (msg == TaskbarCreatedMessage() && msg != 0) tray_.Readd();
            return FALSE;
    }
}

void QQ_form::OnInit() {
    appIcon_.Reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_KESTRIN), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    appIconSmall_.Reset(
        static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_KESTRIN), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon_.Get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIconSmall_.Get()));
    popups_.Reset(LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_QQ_FORM_POPUPS)));
    tray_.Init(hwnd_, appIconSmall_.Get(), ToWide(TrayTip(globals_.AppTitle, globals_.AppVersion)));
    downloadEvents_ = std::make_unique<DownloadEvents>(*this);
    qq_dl_ = services_.downloads->Create();
    if (qq_dl_) qq_dl_->SetEvents(downloadEvents_.get());
    SetUpListView();
    RunLoadSteps();
}

// The load handler. Every failing step is skipped, except opening config.dat, which ends the
// program (the store shows the message).
void QQ_form::RunLoadSteps() {
    SetWindowTextW(hwnd_, ToWide(globals_.AppTitle + " " + globals_.AppVersion).c_str());
    SetUpLabel2();
    if (!db_.OpenDb().ok()) {
        ended_ = true;
        return;
    }
    StoredSettings stored = ReadStoredSettings(db_.Conn());
    if (stored.qqPath) globals_.QQPath = *stored.qqPath;
    globals_.ExitAfterLogin = ExitAfterLoginFrom(stored.exitAfterLogin);
    startupPassword_ = stored.startupPassword;
    (void)db_.CloseDb();
    // Setting the boxes from the program does not raise their click handlers here: the registry and
    // the table already hold what the boxes show, so those handlers would store nothing new.
    SetItemChecked(hwnd_, IDC_QQ_FORM_CHECK1, RunValueExists());
    SetItemChecked(hwnd_, IDC_QQ_FORM_CHECK2, globals_.ExitAfterLogin == 1);
    LoadAccountsIntoList();
    if (ended_) return;
    RefreshCommands();
    services_.clock->Sleep(100);
    KillFile(ToWide(globals_.VersionFile));
    KillFile(ToWide(globals_.VersionFile + kSignatureSuffix));
    KillLeftoverUpdateFiles();
    // What the last accepted update handed to the updater; never at closing, which comes before the
    // updater reads it.
    std::wstring handed = ToWide(FolderOfPath(globals_.UpdaterPath) + "\\" + kHandedVersionFileName);
    KillFile(handed);
    KillFile(handed + L".sig");
    // With a start-up password QQ_login asks for it before the window is ever shown; the check
    // starts when the right one is entered.
    if (startupPassword_.empty()) {
        StartUpdateCheck(0, 5);
    } else if (!AskStartupPassword()) {
        ended_ = true;
        return;
    }
    loaded_ = true;
}

void QQ_form::LoadAccountsIntoList() {
    if (!db_.OpenDb().ok()) {
        ended_ = true;
        return;
    }
    std::vector<StoredAccount> accounts = ReadStoredAccounts(db_.Conn());
    (void)db_.CloseDb();
    rows_.Assign(RowsOf(std::move(accounts)));
    HWND list = List();
    int dpi = WindowDpi(hwnd_);
    ListViewAddColumn(list, Text(IDS_COLUMN_QQ), TwipsToPixels(1700, dpi));
    ListViewAddColumn(list, Text(IDS_COLUMN_LAST_LOGIN), TwipsToPixels(2320, dpi));
    // The list holds no rows of its own: it learns their number and asks for what it draws.
    ListViewSetVirtualCount(list, rows_.Count());
}

// The program folder is the one UpdaterPath lies in.
void QQ_form::KillLeftoverUpdateFiles() {
    std::wstring folder = ToWide(FolderOfPath(globals_.UpdaterPath));
    KillFile(folder + L"\\update.exe");
    KillFile(folder + L"\\更新程序.exe");
    KillFile(folder + L"\\更新程序.exe.sig");
}

void QQ_form::OnClosing() {
    TrayRemove();
    KillLeftoverUpdateFiles();
}

void QQ_form::OnDestroy() {
    OnClosing();
    db_.CompleteFile();
    KillTimer(hwnd_, kTimer1);
    if (qq_dl_) qq_dl_->StopDownload();
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
    PostQuitMessage(0);
}

void QQ_form::Unload() {
    if (hwnd_) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void QQ_form::update_date(const std::string& url, const std::string& folder, const std::string& fileName) {
    if (!qq_dl_) return;
    qq_dl_->SetDownloadUrl(url);
    qq_dl_->SetSaveFolder(folder);
    qq_dl_->SetFileName(fileName);
    qq_dl_->StartDownload();
}

// The version file (suffix "") or its signature (".sig"), stored under VersionFile's own name: the
// address never decides where a file goes.
void QQ_form::FetchCheckFile(const std::string& suffix) {
    const std::string folder = FolderOfPath(globals_.VersionFile);
    const std::string name = globals_.VersionFile.substr(folder.empty() ? 0 : folder.size() + 1);
    update_date(globals_.VersionUrl + suffix, folder, name + suffix);
}

void QQ_form::StartUpdateCheck(int16_t source, int16_t ticks) {
    globals_.UpdateCheckSource = source;
    globals_.UpdateCheckTicks = ticks;
    fetchingSignature_ = false;
    FetchCheckFile("");
    SetTimer(hwnd_, kTimer1, kTimer1IntervalMs, nullptr);
}

void QQ_form::OnTimer1() {
    globals_.UpdateCheckTicks = static_cast<int16_t>(globals_.UpdateCheckTicks - 1);
    if (globals_.UpdateCheckTicks >= 1) return;
    if (qq_dl_) qq_dl_->StopDownload();
    KillTimer(hwnd_, kTimer1);
    FinishUpdateCheck();
}

void QQ_form::OnDownloadCompleted(int32_t value) {
    if (value <= 0) return;  // the timer goes on counting
    if (qq_dl_) qq_dl_->StopDownload();
    // Then the version file's signature, within the same time-out.
    if (!fetchingSignature_) {
        fetchingSignature_ = true;
        FetchCheckFile(kSignatureSuffix);
        return;
    }
    KillTimer(hwnd_, kTimer1);
    globals_.UpdateCheckTicks = 0;
    FinishUpdateCheck();
}

UpdateCheckData QQ_form::CheckEndData() {
    UpdateCheckData check;
    check.owner = hwnd_;
    check.services = &services_;
    check.source = globals_.UpdateCheckSource;
    check.appTitle = globals_.AppTitle;
    check.appVersion = globals_.AppVersion;
    check.versionFile = globals_.VersionFile;
    check.updaterPath = globals_.UpdaterPath;
    check.newestVersion = globals_.NewestVersion;
    return check;
}

// Command5 of the settings dialog is given back when the check was the dialog's; when the user
// accepted a new version, every window closes and the program ends.
void QQ_form::FinishUpdateCheck() {
    if (globals_.UpdateCheckSource == 2) RestoreQQ_setCheckButton();
    UpdateCheckData check = CheckEndData();
    UpdateCheckEnd end = EvaluateUpdateCheck(check);
    globals_.NewestVersion = check.newestVersion;
    if (end != UpdateCheckEnd::kHandedOver) return;
    UnloadQQ_Add();
    UnloadQQ_set();
    UnloadQQ_about();
    // Shown first so the closing handlers run on a visible window, as when it was unloaded normally
    // (the tray icon, if any, goes with it).
    ShowWindow(hwnd_, SW_SHOW);
    Quit();
}

std::wstring QQ_form::Text(UINT id) const {
    return LoadResString(id, instance_);
}

int QQ_form::MessageBox(const std::wstring& text, const std::wstring& title, unsigned style) {
    return services_.messages->Show(hwnd_, ToUtf8(text), ToUtf8(title), style);
}
