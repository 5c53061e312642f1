#pragma once
// DialogWindow: the one bridge from a dialog procedure to the object behind the window. Every
// window of both programs derives from it and passes DialogWindow::DlgProc with CreationParam() as
// the creation parameter (DialogBoxParamW / CreateDialogParamW): with more than one base class a
// plain `this` would not point at this part of the object.
// Invariants:
//   1. The object pointer lives in the window's DWLP_USER from WM_INITDIALOG to WM_NCDESTROY, never
//      in a global list; messages before WM_INITDIALOG are not handled (FALSE).
//   2. hwnd_ is the window from WM_INITDIALOG until WM_NCDESTROY and null otherwise.
//   3. OnWindowGone runs last, after WM_NCDESTROY: the object may delete itself there.

#include <windows.h>

class DialogWindow {
  public:
    DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }

    static INT_PTR CALLBACK DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LPARAM CreationParam() { return reinterpret_cast<LPARAM>(this); }

  protected:
    virtual ~DialogWindow() = default;
    // The dialog procedure's answer for one message (the window's own switch).
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // The window is gone (after WM_NCDESTROY).
    virtual void OnWindowGone() {}

    HWND hwnd_ = nullptr;  // owned by the object's window lifetime (see invariant 2)
};
