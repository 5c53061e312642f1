// up_form: the load, the download control's events and the two buttons.
#include "updater/up_form.h"

#include <commctrl.h>

#include "resources/update_ids.h"
#include "update/format_size.h"
#include "update/small_file.h"
#include "update/version_file.h"
#include "win/dialog.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

constexpr char kDownloadPath[] = "/tools/kestrin/更新程序.exe";
constexpr wchar_t kNewProgram[] = L"更新程序.exe";
constexpr wchar_t kKestrinProgram[] = L"Kestrin.exe";

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

// The window load's steps after the single-instance check, each one's failure ignored.
void UpForm::OnInit() {
    AddReleaseNotes();
    EnableItem(hwnd_, IDC_UP_FORM_COMMAND1, false);
    downloadEvents_ = std::make_unique<DownloadEvents>(*this);
    qq_dl_ = services_.downloads->Create();
    if (qq_dl_) {
        qq_dl_->SetEvents(downloadEvents_.get());
        qq_dl_->SetDownloadUrl(settings_.siteUrl + kDownloadPath);
        qq_dl_->SetSaveFolder(settings_.programFolder);
    }
    AddLogLine(Text(IDS_UP_LOG_CONNECTING));
    if (qq_dl_) qq_dl_->StartDownload();
}

void UpForm::AddReleaseNotes() {
    std::optional<std::string> bytes = ReadSmallFile(ToWide(settings_.versionFile), kMaxVersionFileBytes);
    if (!bytes) return;
    for (const std::string& line :
         ReleaseNoteListLines(*bytes, ToUtf8(Text(IDS_UP_NEWEST_PREFIX)), ToUtf8(Text(IDS_UP_NOTES_HEADING)))) {
        AddLine(ToWide(line));
    }
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
    // Enter reaches here even while the button is disabled; the program is complete only once it
    // is enabled.
    if (!IsWindowEnabled(GetDlgItem(hwnd_, IDC_UP_FORM_COMMAND1))) return;
    Finish(kNewProgram);
}

void UpForm::OnCancel() {
    Finish(kKestrinProgram);
}

void UpForm::Finish(const wchar_t* programName) {
    if (qq_dl_) qq_dl_->StopDownload();
    DestroyWindow(hwnd_);
    std::string program = settings_.programFolder + "\\" + ToUtf8(programName);
    (void)services_.processes->Start(program, "\"" + program + "\"");
    services_.end->EndProgram(0);
}

void UpForm::OnProgress(float fraction) {
    SetItemText(hwnd_, IDC_UP_FORM_COMMAND1, ToWide(ProgressCaption(fraction)));
}

void UpForm::OnFailed(int32_t code) {
    UINT text = 0;
    switch (code) {
        case fetchwell::kHttpError:
            text = IDS_UP_LOG_FAILED_HTTP;
            break;
        case fetchwell::kRedirected:
            text = IDS_UP_LOG_FAILED_REDIRECT;
            break;
        case fetchwell::kNoData:
            text = IDS_UP_LOG_FAILED_NO_DATA;
            break;
        case fetchwell::kSystemError:
            text = IDS_UP_LOG_FAILED_SYSTEM;
            break;
        default:
            return;
    }
    AddLogLine(Text(text));
}

void UpForm::OnCompleted(int32_t value) {
    if (value <= 0) return;
    qq_dl_->StopDownload();
    AddLogLine(Text(IDS_UP_LOG_COMPLETE));
    EnableItem(hwnd_, IDC_UP_FORM_COMMAND1, true);
    SetItemText(hwnd_, IDC_UP_FORM_COMMAND1, Text(IDS_UP_FORM_OK));
}

void UpForm::OnConnected() {
    AddLogLine(Text(IDS_UP_LOG_CONNECTED) + ToWide(settings_.siteUrl));
}

void UpForm::OnSizeKnown(int32_t size) {
    AddLogLine(Text(IDS_UP_LOG_SIZE) + ToWide(SizeLogText(size)));
}

void UpForm::OnTransferStarted() {
    AddLogLine(Text(IDS_UP_LOG_TRANSFER));
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
