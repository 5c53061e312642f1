// DialogWindow's procedure and the table of open windows by template. The table holds window
// handles only, so a lookup never reaches an object whose window is gone.
#include "win/dialog_window.h"

#include <utility>
#include <vector>

namespace {

DialogWindow* g_unadopted = nullptr;  // a modeless object being created, until its window takes it

std::vector<std::pair<int, HWND>>& OpenWindows() {
    static std::vector<std::pair<int, HWND>> open;
    return open;
}

void Forget(int templateId) {
    auto& open = OpenWindows();
    for (auto it = open.begin(); it != open.end(); ++it) {
        if (it->first == templateId) {
            open.erase(it);
            return;
        }
    }
}

}  // namespace

HWND DialogWindow::OpenWindow(int templateId) {
    for (const auto& [id, hwnd] : OpenWindows()) {
        if (id == templateId) return hwnd;
    }
    return nullptr;
}

INT_PTR DialogWindow::ShowModal(DialogWindow& dialog, HWND owner, int templateId) {
    if (OpenWindow(templateId)) return -1;
    dialog.kind_ = Kind::Modal;
    dialog.templateId_ = templateId;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, DlgProc,
                           dialog.CreationParam());
}

HWND DialogWindow::CreateModeless(std::unique_ptr<DialogWindow> dialog, HWND owner, int templateId) {
    if (OpenWindow(templateId)) return nullptr;
    dialog->kind_ = Kind::Modeless;
    dialog->templateId_ = templateId;
    // From WM_INITDIALOG on the window owns the object, and a dialog that ends while it loads has
    // deleted it before CreateDialogParamW returns; only an object no window took is freed here.
    DialogWindow* raw = dialog.release();
    g_unadopted = raw;
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, DlgProc,
                                   raw->CreationParam());
    if (g_unadopted == raw) delete raw;
    g_unadopted = nullptr;
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

void DialogWindow::Close(INT_PTR result) {
    if (!hwnd_) return;
    if (kind_ == Kind::Modal) {
        EndDialog(hwnd_, result);
    } else {
        DestroyWindow(hwnd_);
    }
}

INT_PTR CALLBACK DialogWindow::DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DialogWindow* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<DialogWindow*>(lParam);
        if (self == g_unadopted) g_unadopted = nullptr;
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        if (self->kind_ != Kind::ByHand) OpenWindows().emplace_back(self->templateId_, hwnd);
    } else {
        self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = self->HandleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        if (self->kind_ != Kind::ByHand) Forget(self->templateId_);
        self->OnWindowGone();
        if (self->kind_ == Kind::Modeless) delete self;
    }
    return result;
}
