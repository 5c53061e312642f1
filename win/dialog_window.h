#pragma once
// DialogWindow: the one lifecycle of every window of both programs, from a dialog template to the
// object behind it. A window is shown modally (ShowModal, the program's way) or made modeless
// (CreateModeless, the Windows tests' way, which drive it with messages); both run the same object
// through the same procedure, and Close ends either with a result.
// Invariants:
//   1. The object pointer lives in the window's DWLP_USER from WM_INITDIALOG to WM_NCDESTROY, never
//      in a global list; messages before WM_INITDIALOG are not handled (FALSE).
//   2. hwnd_ is the window from WM_INITDIALOG until WM_NCDESTROY and null otherwise.
//   3. At most one window of each template made through ShowModal/CreateModeless is open: a second
//      request while one is open makes nothing (-1, null).
//   4. OnWindowGone runs last, after WM_NCDESTROY; a window made by CreateModeless then deletes its
//      object. Windows made by hand with DlgProc and CreationParam (the main windows) manage
//      their objects themselves.

#include <windows.h>

#include <memory>

class DialogWindow {
  public:
    DialogWindow() = default;
    virtual ~DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }

    // Runs `dialog` modally over `owner` from the program's template `templateId`, and returns the
    // result it was closed with; -1 when the template does not load or one is already open.
    static INT_PTR ShowModal(DialogWindow& dialog, HWND owner, int templateId);
    // The same window, modeless and shown; the window owns `dialog` from then on. Null as above, or
    // when the dialog ended while it loaded.
    static HWND CreateModeless(std::unique_ptr<DialogWindow> dialog, HWND owner, int templateId);
    // The window of `templateId` open now, or null.
    static HWND OpenWindow(int templateId);

    static INT_PTR CALLBACK DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LPARAM CreationParam() { return reinterpret_cast<LPARAM>(this); }

  protected:
    // The dialog procedure's answer for one message (the window's own switch).
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // The window is gone (after WM_NCDESTROY).
    virtual void OnWindowGone() {}
    // Ends the window: a modal loop returns `result`; a modeless window is destroyed.
    void Close(INT_PTR result);

    HWND hwnd_ = nullptr;  // owned by the object's window lifetime (see invariant 2)

  private:
    enum class Kind { ByHand, Modal, Modeless };
    Kind kind_ = Kind::ByHand;
    int templateId_ = 0;
};
