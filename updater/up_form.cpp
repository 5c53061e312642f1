// up_form: the load, the download control's events and the two buttons.
#include "updater/up_form.h"

#include <commctrl.h>

#include "resources/update_ids.h"
#include "update/format_size.h"
#include "update/signed_download.h"
#include "update/site_url.h"
#include "update/small_file.h"
#include "update/version_file.h"
#include "win/dialog.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

constexpr wchar_t kNewProgram[] = L"更新程序.exe";
constexpr wchar_t kKestrinProgram[] = L"Kestrin.exe";

UINT RefusalText(SignatureCheck check) {
    switch (check) {
        case SignatureCheck::kUnknownKey:
            return IDS_UP_LOG_SIG_UNKNOWN_KEY;
        case SignatureCheck::kBadSignature:
            return IDS_UP_LOG_SIG_BAD;
        case SignatureCheck::kOtherFile:
            return IDS_UP_LOG_SIG_OTHER_FILE;
        case SignatureCheck::kMismatch:
            return IDS_UP_LOG_SIG_MISMATCH;
        default:
            return IDS_UP_LOG_SIG_MISSING;
    }
}

UINT FailureText(int32_t code) {
    switch (code) {
        case fetchwell::kHttpError:
            return IDS_UP_LOG_FAILED_HTTP;
        case fetchwell::kRedirected:
            return IDS_UP_LOG_FAILED_REDIRECT;
        case fetchwell::kNoData:
            return IDS_UP_LOG_FAILED_NO_DATA;
        case fetchwell::kSystemError:
            return IDS_UP_LOG_FAILED_SYSTEM;
        case fetchwell::kNoLength:
            return IDS_UP_LOG_FAILED_NO_LENGTH;
        case fetchwell::kWrongLength:
            return IDS_UP_LOG_FAILED_WRONG_LENGTH;
        default:
            return 0;
    }
}

}  // namespace

class UpForm::DownloadEvents : public FetchwellEvents {
  public:
    explicit DownloadEvents(UpForm& form) : form_(form) {}
    void Progress(float fraction, int64_t, int64_t) override { form_.OnProgress(fraction); }
    void Failed(int32_t code, const std::string&) override { form_.OnFailed(code); }
    void Completed(int32_t value) override { form_.OnCompleted(value); }
    void Connected(const std::string&) override { form_.OnConnected(); }
    void SizeKnown(int32_t size) override { form_.OnSizeKnown(size); }
    void TransferStarted() override { form_.OnTransferStarted(); }

  private:
    UpForm& form_;
};

UpForm::UpForm(HINSTANCE instance, UpdaterServices& services, UpFormSettings settings)
    : instance_(instance), services_(services), settings_(std::move(settings)) {}

UpForm::~UpForm() {
    if (qq_dl_) qq_dl_->StopDownload();
    if (hwnd_) DestroyWindow(hwnd_);
}

bool UpForm::Load() {
    if (hwnd_) return true;
    // The same classes as Kestrin's start-up; the result does not matter.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_USEREX_CLASSES};
    (void)InitCommonControlsEx(&classes);
    if (services_.instance->AnotherCopyRunning()) {
        services_.end->EndProgram(0);
        return false;
    }
    CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_UP_FORM), nullptr, DlgProc, CreationParam());
    return hwnd_ != nullptr;
}

INT_PTR UpForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInit();
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            // The frame's close unloads the window and ends the updater without starting anything.
            if (qq_dl_) qq_dl_->StopDownload();
            DestroyWindow(hwnd_);
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

// The window load's steps after the single-instance check. Without a version file that verifies
// nothing is fetched: the updater only carries on an update that Kestrin's check found signed.
void UpForm::OnInit() {
    EnableItem(hwnd_, IDC_UP_FORM_COMMAND1, false);
    if (!AddReleaseNotes()) {
        AddLogLine(Text(IDS_UP_LOG_VERSION_UNSIGNED));
        Refuse();
        return;
    }
    downloadEvents_ = std::make_unique<DownloadEvents>(*this);
    qq_dl_ = services_.downloads->Create();
    AddLogLine(Text(IDS_UP_LOG_CONNECTING));
    // The signature first: without one there is nothing to fetch the program for.
    Fetch(std::string(kNewProgramName) + kSignatureSuffix);
}

void UpForm::Fetch(const std::string& name) {
    if (!qq_dl_) return;
    qq_dl_->SetEvents(downloadEvents_.get());
    qq_dl_->SetDownloadUrl(settings_.siteUrl + kSiteFolder + name);
    qq_dl_->SetSaveFolder(settings_.programFolder);
    qq_dl_->SetFileName(name);
    qq_dl_->StartDownload();
}

bool UpForm::AddReleaseNotes() {
    const std::wstring path = ToWide(settings_.versionFile);
    std::optional<std::string> bytes = ReadSmallFile(path, kMaxVersionFileBytes);
    if (!bytes || CheckVersionFileBytes(*bytes, path) != SignatureCheck::kGood) return false;
    for (const std::string& line :
         ReleaseNoteListLines(*bytes, ToUtf8(Text(IDS_UP_NEWEST_PREFIX)), ToUtf8(Text(IDS_UP_NOTES_HEADING)))) {
        AddLine(ToWide(line));
    }
    return true;
}

std::wstring UpForm::DownloadPath(const std::string& name) const {
    return ToWide(settings_.programFolder + "\\" + name);
}

// Any doubt ends the update here: nothing will be started, the download goes, OK stays disabled and
// Cancel starts Kestrin again, as after a failed download.
void UpForm::Refuse() {
    phase_ = Phase::kRefused;
    held_.Reset();
    if (qq_dl_) qq_dl_->StopDownload();
    DeleteFileW(DownloadPath(kNewProgramName).c_str());
    DeleteFileW(DownloadPath(std::string(kNewProgramName) + kSignatureSuffix).c_str());
    AddLogLine(Text(IDS_UP_LOG_REFUSED));
}

void UpForm::OnCommand(int id) {
    switch (id) {
        case IDC_UP_FORM_COMMAND1:
        case IDOK:  // Enter
            OnOk();
            break;
        case IDC_UP_FORM_COMMAND2:
        case IDCANCEL:  // Esc
            OnCancel();
            break;
        default:
            break;
    }
}

void UpForm::OnOk() {
    // Enter reaches here even while the button is disabled; the program is complete and verified
    // only once it is enabled.
    if (!IsWindowEnabled(GetDlgItem(hwnd_, IDC_UP_FORM_COMMAND1)) || !held_) return;
    Finish(kNewProgram);
}

void UpForm::OnCancel() {
    Finish(kKestrinProgram);
}

void UpForm::Finish(const wchar_t* programName) {
    if (qq_dl_) qq_dl_->StopDownload();
    DestroyWindow(hwnd_);
    std::string program = settings_.programFolder + "\\" + ToUtf8(programName);
    // The checked program is still held open against writing while it starts.
    (void)services_.processes->Start(program, "\"" + program + "\"");
    held_.Reset();
    services_.end->EndProgram(0);
}

// The signature's transfer is quiet but for its failure; the program's is logged step by step.
void UpForm::OnProgress(float fraction) {
    if (phase_ != Phase::kProgram) return;
    SetItemText(hwnd_, IDC_UP_FORM_COMMAND1, ToWide(ProgressCaption(fraction)));
}

void UpForm::OnFailed(int32_t code) {
    if (phase_ == Phase::kSignature) {
        AddLogLine(Text(IDS_UP_LOG_SIG_MISSING));
        Refuse();
        return;
    }
    if (phase_ != Phase::kProgram) return;
    UINT text = FailureText(code);
    if (text == 0) return;
    AddLogLine(Text(text));
    Refuse();
}

void UpForm::OnCompleted(int32_t value) {
    if (value <= 0 || (phase_ != Phase::kSignature && phase_ != Phase::kProgram)) return;
    qq_dl_->StopDownload();
    if (phase_ == Phase::kSignature) {
        phase_ = Phase::kProgram;
        Fetch(kNewProgramName);
        return;
    }
    AddLogLine(Text(IDS_UP_LOG_COMPLETE));
    SignatureCheck check = CheckAndHoldFile(DownloadPath(kNewProgramName), kNewProgramName, held_);
    if (check != SignatureCheck::kGood) {
        AddLogLine(Text(RefusalText(check)));
        Refuse();
        return;
    }
    phase_ = Phase::kVerified;
    EnableItem(hwnd_, IDC_UP_FORM_COMMAND1, true);
    SetItemText(hwnd_, IDC_UP_FORM_COMMAND1, Text(IDS_UP_FORM_OK));
}

void UpForm::OnConnected() {
    if (phase_ == Phase::kProgram) AddLogLine(Text(IDS_UP_LOG_CONNECTED) + ToWide(settings_.siteUrl));
}

void UpForm::OnSizeKnown(int32_t size) {
    if (phase_ == Phase::kProgram) AddLogLine(Text(IDS_UP_LOG_SIZE) + ToWide(SizeLogText(size)));
}

void UpForm::OnTransferStarted() {
    if (phase_ == Phase::kProgram) AddLogLine(Text(IDS_UP_LOG_TRANSFER));
}

void UpForm::AddLine(const std::wstring& text) {
    HWND list = GetDlgItem(hwnd_, IDC_UP_FORM_LSTOUT);
    // Inserting at -1 appends whatever sort style the list box has.
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    // A list box scrolls sideways only as far as it is told: widen it for a long release note.
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    auto width = static_cast<LONG>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
    if (extent.cx + 8 > width) SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent.cx + 8), 0);
}

// AddLogLine: "> " and the text, at the end of lstOut.
void UpForm::AddLogLine(const std::wstring& text) {
    AddLine(L"> " + text);
}

std::wstring UpForm::Text(UINT id) const {
    return LoadResString(id, instance_);
}
