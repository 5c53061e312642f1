// QQ_login: the dialog class behind ShowQQ_login. A borderless window laid out in pixels (200 x 176
// at 96 DPI, scaled), dragged by its banner and heading. The tries are counted by LoginTries.
#include "settings/qq_login.h"

#include <windows.h>

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "settings/password_box.h"
#include "settings/settings_for_test.h"
#include "settings/settings_logic.h"
#include "store/account_db.h"
#include "win/dialog.h"
#include "win/dialog_window.h"
#include "win/dpi.h"
#include "win/resources.h"
#include "common/services.h"
#include "win/strings.h"
#include "win/unique_handle.h"

namespace {

constexpr COLORREF kPanelColor = RGB(251, 251, 251);
constexpr COLORREF kLineColor = RGB(226, 226, 226);
constexpr COLORREF kLockedColor = RGB(255, 0, 0);
constexpr COLORREF kAnswerColor = RGB(0, 0, 255);
constexpr UINT_PTR kDragSubclassId = 1;

// Where each control sits, in pixels at 96 DPI, inside the 200 x 176 client area.
struct Place {
    int id, x, y, width, height;
};
constexpr int kClientWidth = 200;
constexpr int kClientHeight = 176;
constexpr Place kPlaces[] = {
    {IDC_QQ_LOGIN_IMAGE1, 0, 0, 200, 28},      {IDC_QQ_LOGIN_LABEL1, 0, 28, 200, 148},
    {IDC_QQ_LOGIN_LABEL2, 16, 42, 168, 18},    {IDC_QQ_LOGIN_TEXT1, 16, 64, 168, 22},
    {IDC_QQ_LOGIN_LABEL3, 16, 94, 168, 18},    {IDC_QQ_LOGIN_COMMAND1, 16, 132, 76, 26},
    {IDC_QQ_LOGIN_COMMAND2, 108, 132, 76, 26}, {IDC_QQ_LOGIN_LINE1, 0, 0, 200, 1},
    {IDC_QQ_LOGIN_LINE2, 0, 175, 200, 1},      {IDC_QQ_LOGIN_LINE3, 0, 0, 1, 176},
    {IDC_QQ_LOGIN_LINE4, 199, 0, 1, 176},
};

int Scaled(int pixelsAt96, int dpi) {
    return TwipsToPixels(pixelsAt96 * 15, dpi);
}

class QQ_loginDialog : public DialogWindow {
  public:
    explicit QQ_loginDialog(QQ_loginData& data) : data_(data) {}

  private:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    static LRESULT CALLBACK DragSubclassProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR self);
    void OnInit();
    void LayOut();
    void OnCommand(int id, int code);
    void OnLogIn();
    void Lock();
    void CompareWithStored(const std::string& entry);
    void Answer(UINT textId, COLORREF color);
    void Accept();
    void Quit();
    INT_PTR OnCtlColorStatic(HDC dc, HWND control);
    bool OnDragMessage(HWND control, UINT msg, LPARAM lParam);

    QQ_loginData& data_;  // borrowed from the entry point's caller
    LoginTries tries_;
    COLORREF messageColor_ = kAnswerColor;
    bool dragging_ = false;
    POINT dragStart_{};  // the pointer on the control when the button went down
    UniqueGdi<HBRUSH> panelBrush_;
    UniqueGdi<HBRUSH> lineBrush_;
    UniqueGdi<HBITMAP> banner_;
};

INT_PTR QQ_loginDialog::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInit();
            return FALSE;  // the focus is in Text1
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CTLCOLORDLG:
            return reinterpret_cast<INT_PTR>(panelBrush_.Get());
        case WM_CLOSE:  // Alt+F4 ends the program, as "退出" does
            Quit();
            return TRUE;
        case WM_DESTROY:
            RemoveWindowSubclass(GetDlgItem(hwnd_, IDC_QQ_LOGIN_LABEL2), DragSubclassProc, kDragSubclassId);
            RemoveWindowSubclass(GetDlgItem(hwnd_, IDC_QQ_LOGIN_IMAGE1), DragSubclassProc, kDragSubclassId);
            return FALSE;
        default:
            return FALSE;
    }
}

void QQ_loginDialog::OnInit() {
    panelBrush_.Reset(CreateSolidBrush(kPanelColor));
    lineBrush_.Reset(CreateSolidBrush(kLineColor));
    LayOut();
    SetWindowTextW(hwnd_, GetItemText(hwnd_, IDC_QQ_LOGIN_LABEL2).c_str());
    SetUpPasswordBox(hwnd_, IDC_QQ_LOGIN_TEXT1);
    for (int id : {IDC_QQ_LOGIN_LABEL2, IDC_QQ_LOGIN_IMAGE1}) {
        SetWindowSubclass(GetDlgItem(hwnd_, id), DragSubclassProc, kDragSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    SetFocus(GetDlgItem(hwnd_, IDC_QQ_LOGIN_TEXT1));
}

// Every control's place and the window's size follow the window's DPI; the banner is stretched to
// its scaled size. The window opens in the middle of the work area.
void QQ_loginDialog::LayOut() {
    int dpi = WindowDpi(hwnd_);
    for (const Place& place : kPlaces) {
        MoveWindow(GetDlgItem(hwnd_, place.id), Scaled(place.x, dpi), Scaled(place.y, dpi), Scaled(place.width, dpi),
                   Scaled(place.height, dpi), FALSE);
    }
    banner_.Reset(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_QQ_LOGIN_BANNER),
                                                  IMAGE_BITMAP, Scaled(200, dpi), Scaled(28, dpi), 0)));
    SendDlgItemMessageW(hwnd_, IDC_QQ_LOGIN_IMAGE1, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(banner_.Get()));
    RECT frame{0, 0, Scaled(kClientWidth, dpi), Scaled(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void QQ_loginDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_QQ_LOGIN_COMMAND1:
            // Enter with the button disabled (after the lock) arrives as IDOK and is ignored.
            if (code == BN_CLICKED && IsWindowEnabled(GetDlgItem(hwnd_, IDC_QQ_LOGIN_COMMAND1))) OnLogIn();
            break;
        case IDC_QQ_LOGIN_COMMAND2:
        case IDCANCEL:  // Esc
            if (code == BN_CLICKED) Quit();
            break;
        case IDC_QQ_LOGIN_TEXT1:
            if (code == EN_CHANGE) FilterPasswordBox(hwnd_, IDC_QQ_LOGIN_TEXT1);
            break;
        default:
            break;
    }
}

void QQ_loginDialog::OnLogIn() {
    std::string entry = ToUtf8(GetItemText(hwnd_, IDC_QQ_LOGIN_TEXT1));
    switch (tries_.Press(entry)) {
        case LoginStep::Locked:
            Lock();
            return;
        case LoginStep::NoEntry:
            Answer(IDS_QQ_LOGIN_NO_ENTRY, kAnswerColor);
            return;
        case LoginStep::BlankPadded:
            Answer(IDS_QQ_LOGIN_WRONG, kAnswerColor);
            return;
        case LoginStep::Compare:
            CompareWithStored(entry);
            return;
    }
}

// The dialog itself takes the focus: on "退出" Enter would quit, and after the lock Enter does
// nothing while Esc still quits.
void QQ_loginDialog::Lock() {
    SetItemText(hwnd_, IDC_QQ_LOGIN_TEXT1, L"");
    SetFocus(hwnd_);
    EnableItem(hwnd_, IDC_QQ_LOGIN_COMMAND1, false);
    EnableItem(hwnd_, IDC_QQ_LOGIN_TEXT1, false);
    Answer(IDS_QQ_LOGIN_LOCKED, kLockedColor);
}

// A file that opens but whose settings cannot be read is as unusable as one that does not open.
void QQ_loginDialog::CompareWithStored(const std::string& entry) {
    std::string stored;
    switch (ReadStartupPassword(*data_.db, stored)) {
        case DbOutcome::Unusable:  // the store has shown its message and ended the program
            Close(IDCANCEL);
            return;
        case DbOutcome::Failed:
            data_.services->messages->Show(hwnd_, kDbUnusableMessage, kNoticeTitle, kMbOk | kMbIconExclamation);
            data_.services->end->EndProgram(1);
            Close(IDCANCEL);
            return;
        case DbOutcome::Done:
            break;
    }
    if (PasswordMatches(entry, stored)) {
        Accept();
    } else {
        Answer(IDS_QQ_LOGIN_WRONG, kAnswerColor);
    }
}

// The answers to a refused entry empty the box and put the focus back into it; the lock's box is
// disabled and keeps nothing either.
void QQ_loginDialog::Answer(UINT textId, COLORREF color) {
    messageColor_ = color;
    SetItemText(hwnd_, IDC_QQ_LOGIN_LABEL3, LoadResString(textId));
    if (textId == IDS_QQ_LOGIN_LOCKED) return;
    SetItemText(hwnd_, IDC_QQ_LOGIN_TEXT1, L"");
    SetFocus(GetDlgItem(hwnd_, IDC_QQ_LOGIN_TEXT1));
}

void QQ_loginDialog::Accept() {
    SetItemText(hwnd_, IDC_QQ_LOGIN_TEXT1, L"");
    data_.accepted = true;
    Close(IDOK);
}

// A modeless dialog is gone after Close, so the program's end is taken first.
void QQ_loginDialog::Quit() {
    ProgramEnd* end = data_.services->end;
    Close(IDCANCEL);
    end->EndProgram(0);
}

INT_PTR QQ_loginDialog::OnCtlColorStatic(HDC dc, HWND control) {
    switch (GetDlgCtrlID(control)) {
        case IDC_QQ_LOGIN_LINE1:
        case IDC_QQ_LOGIN_LINE2:
        case IDC_QQ_LOGIN_LINE3:
        case IDC_QQ_LOGIN_LINE4:
            return reinterpret_cast<INT_PTR>(lineBrush_.Get());
        case IDC_QQ_LOGIN_LABEL3:
            SetTextColor(dc, messageColor_);
            break;
        default:
            break;
    }
    SetBkColor(dc, kPanelColor);
    return reinterpret_cast<INT_PTR>(panelBrush_.Get());
}

LRESULT CALLBACK QQ_loginDialog::DragSubclassProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                  DWORD_PTR self) {
    if (reinterpret_cast<QQ_loginDialog*>(self)->OnDragMessage(control, msg, lParam)) return 0;
    return DefSubclassProc(control, msg, wParam, lParam);
}

// Any mouse button starts the drag. The capture keeps the moves coming when the pointer runs ahead
// of the window; the control moves with the window, so the pointer keeps its place on it.
bool QQ_loginDialog::OnDragMessage(HWND control, UINT msg, LPARAM lParam) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            dragging_ = true;
            dragStart_ = at;
            SetCapture(control);
            SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
            return true;
        case WM_MOUSEMOVE:
            if (!dragging_) return false;
            if (RECT window{}; GetWindowRect(hwnd_, &window)) {
                SetWindowPos(hwnd_, nullptr, window.left + at.x - dragStart_.x, window.top + at.y - dragStart_.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
            return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            dragging_ = false;
            if (GetCapture() == control) ReleaseCapture();
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            return true;
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, dragging_ ? IDC_SIZEALL : IDC_ARROW));
            return true;
        case WM_CAPTURECHANGED:
            dragging_ = false;
            return false;
        default:
            return false;
    }
}

}  // namespace

bool Dialog_QQ_login(HWND owner, QQ_loginData* inOut) {
    inOut->accepted = false;
    QQ_loginDialog dialog(*inOut);
    DialogWindow::ShowModal(dialog, owner, IDD_QQ_LOGIN);
    return inOut->accepted;
}

HWND CreateQQ_loginForTest(HWND owner, QQ_loginData* inOut) {
    inOut->accepted = false;
    return DialogWindow::CreateModeless(std::make_unique<QQ_loginDialog>(*inOut), owner, IDD_QQ_LOGIN);
}
