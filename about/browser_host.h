#pragma once
// BrowserHost: the system's web browser control (IWebBrowser2) in place inside a window, through a
// minimal OLE container (client site, in-place site and frame in one object; no menus, no toolbars).
// Invariants:
//   1. Create gives a host only when the control was created, activated in place and told to
//      navigate; otherwise nullptr and nothing is left behind.
//   2. The browser needs a document engine; where none can be created (Wine without its browser
//      engine) the control would show an empty area, so Create refuses that case up front.
//   3. The host owns its references to the control and to its site and releases both when
//      destroyed, after closing the control; the parent window outlives the host.
//   4. OLE must be initialised on the thread (OleInitialize) while a host lives.

#include <windows.h>

#include <memory>
#include <string>

class BrowserSite;
struct IOleObject;
struct IWebBrowser2;

class BrowserHost {
  public:
    // The control in `area` (client coordinates of `parent`), navigating to `url`.
    static std::unique_ptr<BrowserHost> Create(HWND parent, const RECT& area, const std::wstring& url);
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

  private:
    BrowserHost() = default;

    BrowserSite* site_ = nullptr;      // owned reference
    IOleObject* object_ = nullptr;     // owned reference
    IWebBrowser2* browser_ = nullptr;  // owned reference
};

// True when the HTML document engine the browser control displays with can be created here.
bool HtmlEngineAvailable();
