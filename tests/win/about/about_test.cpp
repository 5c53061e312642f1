// QQ_about over the real main window: its caption and Label1 from the settings record, the help
// link shown where the browser control cannot be, and the modal opening from both menus.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "about/QQ_about.h"
#include "about/about_for_test.h"
#include "resources/resource_ids.h"
#include "tests/win/qq_form_harness.h"
#include "win/dialog.h"
#include "win/strings.h"

namespace {

constexpr wchar_t kCaption[] = L"Kestrin V1.4 帮助";

class AboutWindow : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(h_.Load()); }
    HWND Open(bool allowBrowser) {
        data_ = h_.form->AboutData();
        data_.allowBrowser = allowBrowser;
        HWND about = CreateQQ_aboutForTest(h_.Hwnd(), data_);
        PumpMessages();
        return about;
    }
    QQFormHarness h_;
    QQ_aboutData data_;
};

// What a modal about window looked like from inside its own message loop.
struct ModalView {
    std::wstring caption;
    HWND owner = nullptr;
    bool mainEnabled = true;
    int seen = 0;
};
ModalView* watched = nullptr;

void CALLBACK InspectAndClose(HWND, UINT, UINT_PTR, DWORD) {
    HWND about = FindWindowW(nullptr, kCaption);
    if (!about || !watched) return;
    watched->caption = GetWindowString(about);
    watched->owner = GetWindow(about, GW_OWNER);
    watched->mainEnabled = IsWindowEnabled(watched->owner) != FALSE;
    ++watched->seen;
    PostMessageW(about, WM_CLOSE, 0, 0);
}

}  // namespace

TEST_F(AboutWindow, CaptionAndLabelShowTheVersionsKnownWhenItOpens) {
    HWND about = Open(false);
    ASSERT_TRUE(about);
    EXPECT_EQ(GetWindowString(about), kCaption);
    EXPECT_EQ(GetItemText(about, IDC_QQ_ABOUT_LABEL1), L"当前版本： V1.4      最新版本： ");
    SendMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(about));

    h_.globals.NewestVersion = "V1.5";  // as the update check leaves it
    about = Open(false);
    ASSERT_TRUE(about);
    EXPECT_EQ(GetItemText(about, IDC_QQ_ABOUT_LABEL1), L"当前版本： V1.4      最新版本： V1.5");
    UnloadQQ_about();
    EXPECT_FALSE(IsWindow(about));
}

TEST_F(AboutWindow, WithoutBrowserTheHelpLinkOpensTheHelpAddress) {
    HWND about = Open(false);
    ASSERT_TRUE(about);
    HWND link = GetDlgItem(about, IDC_QQ_ABOUT_HELPLINK);
    ASSERT_TRUE(link);
    EXPECT_TRUE(IsWindowVisible(link));
    EXPECT_NE(GetWindowString(link).find(ToWide(h_.globals.HelpUrl)), std::wstring::npos);

    // A click on the link's first characters, as the user makes it.
    PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PumpMessages();
    EXPECT_EQ(h_.fakes.urls.opened, (std::vector<std::string>{std::string(kTestSite) + "/tools/kestrin/kestrin.htm"}));
    SendMessageW(about, WM_CLOSE, 0, 0);
}

TEST_F(AboutWindow, HelpAreaIsNeverEmptyWhetherOrNotTheBrowserControlCanBeCreated) {
    HWND about = Open(true);
    ASSERT_TRUE(about);
    HWND link = GetDlgItem(about, IDC_QQ_ABOUT_HELPLINK);
    bool browserShown = !IsWindowVisible(GetDlgItem(about, IDC_QQ_ABOUT_WEBBROWSER1));
    EXPECT_NE(link != nullptr, browserShown) << "exactly one of the browser and the link shows the help page";
    SendMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(about));
}

TEST_F(AboutWindow, BothMenuItemsOpenItModalOverTheMainWindow) {
    for (int command : {IDM_MMABOUT, IDM_MENUABOUT}) {
        SCOPED_TRACE(command);
        ModalView view;
        watched = &view;
        UINT_PTR timer = SetTimer(nullptr, 0, 100, InspectAndClose);
        h_.Command(command);  // returns when the modal window has closed
        KillTimer(nullptr, timer);
        watched = nullptr;
        EXPECT_EQ(view.seen, 1);
        EXPECT_EQ(view.caption, kCaption);
        EXPECT_EQ(view.owner, h_.Hwnd());
        EXPECT_FALSE(view.mainEnabled);
        EXPECT_TRUE(IsWindowEnabled(h_.Hwnd()));
        EXPECT_FALSE(FindWindowW(nullptr, kCaption));
    }
}
