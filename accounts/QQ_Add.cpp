// QQ_Add: the account editor dialog. It reads its controls, asks account_logic.h what to do and
// hands each checked save to the AccountSaves it was given.
#include "accounts/qq_add_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "accounts/account_logic.h"
#include "accounts/account_store.h"
#include "login/pwd_hash.h"
#include "resources/resource_ids.h"
#include "store/account_db.h"
#include "win/dialog_window.h"
#include "win/dialog.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

constexpr int kNumberLimit = 13;
constexpr int kPasswordLimit = 20;
constexpr int kAliasLimit = 14;
// Stands in the password box while a save runs, so the typed password is no longer on screen or in
// the control; masked like any password.
constexpr wchar_t kPasswordPlaceholder[] = L"********";
constexpr UINT_PTR kText2SubclassId = 1;

void Wipe(std::wstring& text) {
    SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

void Wipe(std::string& text) {
    SecureZeroMemory(text.data(), text.size());
    text.clear();
}

class QQ_Add : public DialogWindow {
  public:
    explicit QQ_Add(QQ_AddData& data) : data_(data) {}

    std::wstring ToolTip(int id) const;

  private:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    static LRESULT CALLBACK Text2Proc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    void OnInit();
    bool LoadEditTarget();
    void OnCommand(int id, int code);
    void OnNumberChanged();
    void OnSave();
    void Refuse(SaveRefusal refusal);
    void SaveEdit(const std::string& number, const std::string& alias, LoginStatus status, const std::string& hash);
    bool SaveNew(const std::string& number, const std::string& alias, LoginStatus status, const std::string& hash);
    void End(QQ_AddEnd end);
    void AddToolTip(int id, UINT textId, bool overDisabledControl);
    void Focus(int id);
    int Message(UINT textId, unsigned style = kMbOk);
    EditorMode Mode() const { return data_.editAlias.empty() ? EditorMode::Add : EditorMode::Edit; }

    QQ_AddData& data_;        // borrowed
    HWND tooltip_ = nullptr;  // owned by the dialog (an owned pop-up, destroyed with it)
};

INT_PTR QQ_Add::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInit();  // may end the dialog: nothing of the object is touched after it
            return TRUE;
        case WM_NCDESTROY:
            RemoveWindowSubclass(GetDlgItem(hwnd_, IDC_QQ_ADD_TEXT2), Text2Proc, kText2SubclassId);
            return FALSE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            End(QQ_AddEnd::kClosed);
            return TRUE;
        default:
            return FALSE;
    }
}

// The password box keeps its caret at the end on every click, so the masked text is never selected.
LRESULT CALLBACK QQ_Add::Text2Proc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    LRESULT result = DefSubclassProc(edit, msg, wParam, lParam);
    if (msg == WM_LBUTTONUP || msg == WM_LBUTTONDBLCLK) {
        int length = GetWindowTextLengthW(edit);
        SendMessageW(edit, EM_SETSEL, length, length);
    }
    return result;
}

void QQ_Add::OnInit() {
    SendDlgItemMessageW(hwnd_, IDC_QQ_ADD_TEXT1, EM_LIMITTEXT, kNumberLimit, 0);
    SendDlgItemMessageW(hwnd_, IDC_QQ_ADD_TEXT2, EM_LIMITTEXT, kPasswordLimit, 0);
    SendDlgItemMessageW(hwnd_, IDC_QQ_ADD_TEXT3, EM_LIMITTEXT, kAliasLimit, 0);
    SendDlgItemMessageW(hwnd_, IDC_QQ_ADD_TEXT2, EM_SETPASSWORDCHAR, L'*', 0);
    SetWindowSubclass(GetDlgItem(hwnd_, IDC_QQ_ADD_TEXT2), Text2Proc, kText2SubclassId, 0);
    SetItemChecked(hwnd_, IDC_QQ_ADD_CHECK1, true);
    SetItemChecked(hwnd_, IDC_QQ_ADD_CHECK2, true);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, nullptr, nullptr);
    AddToolTip(IDC_QQ_ADD_TEXT2, IDS_QQ_ADD_TEXT2_TIP, false);
    if (Mode() == EditorMode::Edit && !LoadEditTarget()) End(QQ_AddEnd::kClosed);
}

// Fills the boxes from the stored account. False when it is gone (the user is told) or the
// database could not be read: a dialog left half in edit mode could rename the wrong row.
bool QQ_Add::LoadEditTarget() {
    auto target = ReadEditTarget(*data_.db, data_.editAlias);
    if (!target.ok()) return false;
    if (!target->has_value()) {
        Message(IDS_QQ_ADD_ILLEGAL);
        return false;
    }
    SetItemText(hwnd_, IDC_QQ_ADD_TEXT1, ToWide((*target)->number));
    SetItemChecked(hwnd_, IDC_QQ_ADD_CHECK1, (*target)->stat == 0);
    SetWindowTextW(hwnd_, LoadResString(IDS_QQ_ADD_EDIT_CAPTION).c_str());
    AddToolTip(IDC_QQ_ADD_TEXT1, IDS_QQ_ADD_TEXT1_EDIT_TIP, true);
    EnableItem(hwnd_, IDC_QQ_ADD_TEXT1, false);
    SetItemText(hwnd_, IDC_QQ_ADD_TEXT3, ToWide(data_.editAlias));
    SetItemChecked(hwnd_, IDC_QQ_ADD_CHECK2, false);
    EnableItem(hwnd_, IDC_QQ_ADD_CHECK2, false);
    return true;
}

// A disabled control gets no mouse messages, so its tip is a rectangle of the dialog instead.
void QQ_Add::AddToolTip(int id, UINT textId, bool overDisabledControl) {
    if (!tooltip_) return;
    std::wstring text = LoadResString(textId);
    HWND control = GetDlgItem(hwnd_, id);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS | (overDisabledControl ? 0 : TTF_IDISHWND);
    tool.hwnd = hwnd_;
    tool.uId = overDisabledControl ? static_cast<UINT_PTR>(id) : reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text.data();
    if (overDisabledControl) {
        GetWindowRect(control, &tool.rect);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&tool.rect), 2);
    }
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring QQ_Add::ToolTip(int id) const {
    if (!tooltip_) return {};
    for (bool rectangle : {false, true}) {
        wchar_t text[256] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = hwnd_;
        tool.uId = rectangle ? static_cast<UINT_PTR>(id) : reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
        tool.lpszText = text;
        SendMessageW(tooltip_, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
        if (text[0]) return text;
    }
    return {};
}

void QQ_Add::OnCommand(int id, int code) {
    switch (id) {
        case IDC_QQ_ADD_TEXT1:
            if (code == EN_CHANGE) OnNumberChanged();
            break;
        case IDC_QQ_ADD_CHECK3:
            if (code == BN_CLICKED) EnableItem(hwnd_, IDC_QQ_ADD_TEXT3, IsItemChecked(hwnd_, IDC_QQ_ADD_CHECK3));
            break;
        case IDOK:
        case IDC_QQ_ADD_COMMAND1:
            if (code == BN_CLICKED) OnSave();
            break;
        case IDCANCEL:
        case IDC_QQ_ADD_COMMAND2:
            if (code == BN_CLICKED) End(QQ_AddEnd::kCancelled);
            break;
        default:
            break;
    }
}

// The alias follows the number until the alias box is switched on. Writing the filtered text back
// changes the box again, and that second pass finds nothing to remove.
void QQ_Add::OnNumberChanged() {
    std::wstring typed = GetItemText(hwnd_, IDC_QQ_ADD_TEXT1);
    if (!IsItemChecked(hwnd_, IDC_QQ_ADD_CHECK3)) SetItemText(hwnd_, IDC_QQ_ADD_TEXT3, typed);
    if (!typed.empty()) {
        std::wstring digits = KeepDigits(typed);
        if (digits != typed) SetItemText(hwnd_, IDC_QQ_ADD_TEXT1, digits);
    }
    int length = GetWindowTextLengthW(GetDlgItem(hwnd_, IDC_QQ_ADD_TEXT1));
    SendDlgItemMessageW(hwnd_, IDC_QQ_ADD_TEXT1, EM_SETSEL, length, length);
}

void QQ_Add::OnSave() {
    std::string number = ToUtf8(GetItemText(hwnd_, IDC_QQ_ADD_TEXT1));
    std::string alias = ToUtf8(GetItemText(hwnd_, IDC_QQ_ADD_TEXT3));
    std::wstring password = GetItemText(hwnd_, IDC_QQ_ADD_TEXT2);
    SetItemText(hwnd_, IDC_QQ_ADD_TEXT2, kPasswordPlaceholder);
    LoginStatus status = StatusFor(IsItemChecked(hwnd_, IDC_QQ_ADD_CHECK1));
    EditorMode mode = Mode();
    DbLookups lookups(*data_.db);
    auto refusal = CheckSave({mode, number, alias, password.empty()}, lookups);
    if (!refusal.ok() || *refusal != SaveRefusal::Ok) {
        Wipe(password);
        if (refusal.ok())
            Refuse(*refusal);
        else {
            SetItemText(hwnd_, IDC_QQ_ADD_TEXT2, L"");
            Message(IDS_QQ_ADD_SAVE_FAILED);
        }
        return;
    }
    std::string passwordUtf8 = ToUtf8(password);
    Wipe(password);
    std::string hash = PwdHash(passwordUtf8);
    Wipe(passwordUtf8);
    if (mode == EditorMode::Edit) {
        SaveEdit(number, alias, status, hash);
    } else if (!SaveNew(number, alias, status, hash)) {
        return;
    }
    if (mode == EditorMode::Edit || !IsItemChecked(hwnd_, IDC_QQ_ADD_CHECK2)) End(QQ_AddEnd::kSaved);
}

void QQ_Add::Refuse(SaveRefusal refusal) {
    SetItemText(hwnd_, IDC_QQ_ADD_TEXT2, L"");
    switch (refusal) {
        case SaveRefusal::NumberEmpty:
            Message(IDS_QQ_ADD_INCOMPLETE);
            Focus(IDC_QQ_ADD_TEXT1);
            break;
        case SaveRefusal::PasswordEmpty:
            Message(IDS_QQ_ADD_INCOMPLETE);
            Focus(IDC_QQ_ADD_TEXT2);
            break;
        case SaveRefusal::AliasEmpty:
            Message(IDS_QQ_ADD_INCOMPLETE);
            Focus(IDC_QQ_ADD_TEXT3);
            break;
        case SaveRefusal::NumberExists:
            Message(IDS_QQ_ADD_NUMBER_EXISTS);
            break;
        case SaveRefusal::NumberMissing:
            Message(IDS_QQ_ADD_NUMBER_MISSING);
            break;
        case SaveRefusal::AliasExists:
            Message(IDS_QQ_ADD_ALIAS_EXISTS);
            SetItemText(hwnd_, IDC_QQ_ADD_TEXT3, L"");
            break;
        case SaveRefusal::Ok:
            break;
    }
}

void QQ_Add::SaveEdit(const std::string& number, const std::string& alias, LoginStatus status,
                      const std::string& hash) {
    if (!data_.saves->Save({EditorMode::Edit, number, alias, status, hash}).ok()) Message(IDS_QQ_ADD_SAVE_FAILED);
}

// False when the insert failed: its row is gone again and the dialog stays open.
bool QQ_Add::SaveNew(const std::string& number, const std::string& alias, LoginStatus status, const std::string& hash) {
    if (!data_.saves->Save({EditorMode::Add, number, alias, status, hash}).ok()) {
        SetItemText(hwnd_, IDC_QQ_ADD_TEXT2, L"");
        Message(IDS_QQ_ADD_SAVE_FAILED);
        return false;
    }
    if (IsItemChecked(hwnd_, IDC_QQ_ADD_CHECK2)) {
        SetItemText(hwnd_, IDC_QQ_ADD_TEXT1, L"");
        SetItemText(hwnd_, IDC_QQ_ADD_TEXT2, L"");
        SetItemText(hwnd_, IDC_QQ_ADD_TEXT3, L"");
        Focus(IDC_QQ_ADD_TEXT1);
        Message(IDS_QQ_ADD_ADDED);
    }
    return true;
}

void QQ_Add::End(QQ_AddEnd end) {
    data_.end = end;
    Close(IDCANCEL);
}

void QQ_Add::Focus(int id) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd_, id)), TRUE);
}

int QQ_Add::Message(UINT textId, unsigned style) {
    return data_.services->messages->Show(hwnd_, ToUtf8(LoadResString(textId)),
                                              ToUtf8(LoadResString(IDS_NOTICE_TITLE)), style);
}

}  // namespace

void Dialog_QQ_Add(HWND owner, QQ_AddData* inOut) {
    QQ_Add dialog(*inOut);
    DialogWindow::ShowModal(dialog, owner, IDD_QQ_ADD);
}

HWND CreateQQ_AddForTest(HWND owner, QQ_AddData* inOut) {
    return DialogWindow::CreateModeless(std::make_unique<QQ_Add>(*inOut), owner, IDD_QQ_ADD);
}

std::wstring QQ_AddToolTip(HWND dialog, int id) {
    auto* self = reinterpret_cast<const QQ_Add*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->ToolTip(id) : std::wstring();
}

void UnloadQQ_Add() {
    // Both kinds close the same way from outside: a modal one ends its loop, a modeless one goes.
    if (HWND open = DialogWindow::OpenWindow(IDD_QQ_ADD)) SendMessageW(open, WM_CLOSE, 0, 0);
}
