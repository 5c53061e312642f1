// QQ_login over a real main window and config.dat: modeless and driven with messages, and modal
// inside the main window's loading, answered from a timer as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "jet/sql/connection.h"
#include "resources/resource_ids.h"
#include "settings/settings_for_test.h"
#include "tests/win/qq_form_harness.h"
#include "tests/win/settings/settings_test_util.h"
#include "win/dialog_window.h"
#include "win/dpi.h"

namespace {

constexpr char kNoEntry[] = "密码没有输入";
constexpr char kWrong[] = "密码输入有误";
constexpr char kLocked[] = "未授权用户，请退出";
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

class QQLoginTest : public testing::Test {
  protected:
    // A main window without a start-up password (so loading shows no dialog), then the stored
    // password set and QQ_login opened over it.
    void Open(const std::string& storedPassword = "Secret") {
        ASSERT_TRUE(harness_.Load());
        KillTimer(harness_.Hwnd(), 1);  // the check of the loading must not tick during the test
        ASSERT_TRUE(MakeStored(storedPassword));
        startsBefore_ = harness_.Download()->starts;
        data_ = harness_.form->StartupPasswordData();
        dlg_ = CreateQQ_loginForTest(harness_.Hwnd(), &data_);
        ASSERT_NE(dlg_, nullptr);
    }
    bool MakeStored(const std::string& password) {
        AccountDb db(harness_.DbPath(), harness_.fakes.services);
        if (!db.OpenDb().ok()) return false;
        bool stored = db.Conn().Execute("update zk_auto_sys set S_pass='" + password + "'").ok();
        return db.CloseDb().ok() && stored;
    }
    void TearDown() override {
        if (dlg_ && IsWindow(dlg_)) DestroyWindow(dlg_);
    }
    // `pump` false: the state right after the click, before Timer1 can tick.
    void Press(const std::wstring& typed, bool pump = true) {
        SetItemText(dlg_, IDC_QQ_LOGIN_TEXT1, typed);
        SendMessageW(GetDlgItem(dlg_, IDC_QQ_LOGIN_COMMAND1), BM_CLICK, 0, 0);
        if (pump) PumpMessages();
    }
    bool IsOpen() const { return IsWindow(dlg_) != FALSE; }
    bool CheckStarted() const { return harness_.Download()->starts > startsBefore_; }
    std::string Message() const { return ItemText(dlg_, IDC_QQ_LOGIN_LABEL3); }

    QQFormHarness harness_;
    QQ_loginData data_;
    HWND dlg_ = nullptr;
    int startsBefore_ = 0;
};

TEST_F(QQLoginTest, IsABorderless200By176WindowWithItsControlsInOrder) {
    Open();
    int dpi = WindowDpi(dlg_);
    RECT client{};
    GetClientRect(dlg_, &client);
    EXPECT_EQ(client.right, TwipsToPixels(3000, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(2640, dpi));
    LONG style = GetWindowLongW(dlg_, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    EXPECT_EQ(TabStopIds(dlg_), (std::vector<int>{IDC_QQ_LOGIN_TEXT1, IDC_QQ_LOGIN_COMMAND1, IDC_QQ_LOGIN_COMMAND2}));
    EXPECT_EQ(LOWORD(SendMessageW(dlg_, DM_GETDEFID, 0, 0)), IDC_QQ_LOGIN_COMMAND1);
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_LOGIN_COMMAND1), "登录");
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_LOGIN_COMMAND2), "退出");
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_LOGIN_LABEL2), "输入软件启动密码");
    EXPECT_EQ(Message(), "");
    HWND box = GetDlgItem(dlg_, IDC_QQ_LOGIN_TEXT1);
    EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 30);
    EXPECT_NE(SendDlgItemMessageW(dlg_, IDC_QQ_LOGIN_IMAGE1, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    RECT banner{};
    GetClientRect(GetDlgItem(dlg_, IDC_QQ_LOGIN_IMAGE1), &banner);
    EXPECT_EQ(banner.right, TwipsToPixels(3000, dpi));
    EXPECT_EQ(banner.bottom, TwipsToPixels(420, dpi));
}

TEST_F(QQLoginTest, EmptyBlankPaddedAndWrongCaseEntriesEachUseATryAndTheRightOneWorksAtTheFifth) {
    Open("Secret");
    struct Case {
        const wchar_t* typed;
        const char* message;
    } refused[] = {
        {L"", kNoEntry},
        {L" Secret", kWrong},
        {L"Secret ", kWrong},
        {L"secret", kWrong},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(ToUtf8(c.typed));
        Press(c.typed);
        ASSERT_TRUE(IsOpen());
        EXPECT_EQ(Message(), c.message);
        EXPECT_EQ(StaticTextColor(dlg_, IDC_QQ_LOGIN_LABEL3), kBlue);
        EXPECT_EQ(ItemText(dlg_, IDC_QQ_LOGIN_TEXT1), "");
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg_, IDC_QQ_LOGIN_TEXT1));
        EXPECT_FALSE(CheckStarted());
    }
    Press(L"Secret");
    EXPECT_FALSE(IsOpen());
    EXPECT_TRUE(data_.accepted);
    EXPECT_FALSE(CheckStarted());  // the main window starts it (see QQLoginAtStart)
    EXPECT_TRUE(harness_.fakes.end.exitCodes.empty());
}

TEST_F(QQLoginTest, TheSixthPressLocksWithoutComparingAndOnlyQuitStillWorks) {
    Open("Secret");
    for (int press = 1; press <= 5; ++press) Press(L"wrong");
    Press(L"Secret");
    ASSERT_TRUE(IsOpen());
    EXPECT_EQ(Message(), kLocked);
    EXPECT_EQ(StaticTextColor(dlg_, IDC_QQ_LOGIN_LABEL3), kRed);
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_LOGIN_TEXT1), "");
    EXPECT_FALSE(ItemEnabled(dlg_, IDC_QQ_LOGIN_TEXT1));
    EXPECT_FALSE(ItemEnabled(dlg_, IDC_QQ_LOGIN_COMMAND1));
    EXPECT_FALSE(CheckStarted());

    // Enter with the default button disabled arrives as IDOK and does nothing; Esc quits.
    SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDC_QQ_LOGIN_COMMAND1, BN_CLICKED), 0);
    ASSERT_TRUE(IsOpen());
    EXPECT_EQ(Message(), kLocked);
    EXPECT_TRUE(harness_.fakes.end.exitCodes.empty());
    SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(harness_.fakes.end.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(data_.accepted);
    EXPECT_FALSE(CheckStarted());
}

TEST_F(QQLoginTest, QuitEscAndAltF4EndTheProgramAtOnce) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"退出", WM_COMMAND, MAKEWPARAM(IDC_QQ_LOGIN_COMMAND2, BN_CLICKED)},
        {"Esc", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"Alt+F4", WM_SYSCOMMAND, SC_CLOSE},
    };
    ASSERT_TRUE(harness_.Load());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness_.fakes.end.exitCodes.clear();
        data_ = harness_.form->StartupPasswordData();
        dlg_ = CreateQQ_loginForTest(harness_.Hwnd(), &data_);
        ASSERT_NE(dlg_, nullptr);
        SendMessageW(dlg_, c.message, c.wParam, 0);
        PumpMessages();
        EXPECT_FALSE(IsOpen());
        EXPECT_EQ(harness_.fakes.end.exitCodes, std::vector<int>{0});
        EXPECT_FALSE(data_.accepted);
    }
}

TEST_F(QQLoginTest, ApostrophesNeverReachTheEntry) {
    Open("itsok");
    SetItemText(dlg_, IDC_QQ_LOGIN_TEXT1, L"it's'ok");
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_LOGIN_TEXT1), "itsok");
    DWORD start = 0, end = 0;
    SendDlgItemMessageW(dlg_, IDC_QQ_LOGIN_TEXT1, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end, 5u);
    SendMessageW(GetDlgItem(dlg_, IDC_QQ_LOGIN_COMMAND1), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsOpen());
    EXPECT_TRUE(data_.accepted);
}

TEST_F(QQLoginTest, BannerAndHeadingDragTheWindowWithAnyButtonTheMessageLineDoesNot) {
    Open();
    struct Case {
        const char* name;
        int handle;
        UINT down, up;
        bool moves;
    } cases[] = {
        {"banner, left button", IDC_QQ_LOGIN_IMAGE1, WM_LBUTTONDOWN, WM_LBUTTONUP, true},
        {"heading, right button", IDC_QQ_LOGIN_LABEL2, WM_RBUTTONDOWN, WM_RBUTTONUP, true},
        {"message line", IDC_QQ_LOGIN_LABEL3, WM_LBUTTONDOWN, WM_LBUTTONUP, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND handle = GetDlgItem(dlg_, c.handle);
        RECT before{}, after{}, afterUp{};
        GetWindowRect(dlg_, &before);
        SendMessageW(handle, c.down, 0, MAKELPARAM(10, 5));
        SendMessageW(handle, WM_MOUSEMOVE, 0, MAKELPARAM(30, 20));
        GetWindowRect(dlg_, &after);
        SendMessageW(handle, c.up, 0, MAKELPARAM(30, 20));
        SendMessageW(handle, WM_MOUSEMOVE, 0, MAKELPARAM(60, 40));  // no button down: no drag
        GetWindowRect(dlg_, &afterUp);
        EXPECT_EQ(after.left - before.left, c.moves ? 20 : 0);
        EXPECT_EQ(after.top - before.top, c.moves ? 15 : 0);
        EXPECT_EQ(afterUp.left, after.left);
        EXPECT_EQ(afterUp.top, after.top);
    }
}

TEST_F(QQLoginTest, NoSettingsRowMakesEveryEntryWrong) {
    Open("Secret");
    {
        AccountDb db(harness_.DbPath(), harness_.fakes.services);
        ASSERT_TRUE(db.OpenDb().ok());
        ASSERT_TRUE(db.Conn().Execute("delete from zk_auto_sys where S_pass='Secret'").ok());
        ASSERT_TRUE(db.CloseDb().ok());
    }
    Press(L"Secret");
    EXPECT_TRUE(IsOpen());
    EXPECT_EQ(Message(), kWrong);
}

TEST_F(QQLoginTest, AnUnreadableDatabaseWhileCheckingShowsTheDamagedFileMessageAndEnds) {
    Open();
    ASSERT_TRUE(WriteFileBytes(harness_.folder.File(L"config.dat"), "not a database any more"));
    Press(L"Secret");
    EXPECT_FALSE(IsOpen());
    EXPECT_FALSE(data_.accepted);
    ASSERT_EQ(harness_.fakes.messages.shown.size(), 1u);
    EXPECT_EQ(harness_.fakes.messages.shown[0].text, kDbUnusableMessage);
    EXPECT_EQ(harness_.fakes.end.exitCodes, std::vector<int>{1});
    EXPECT_FALSE(CheckStarted());
}

// Answers the modal QQ_login of the main window's loading from a thread timer, which the dialog's
// own message loop runs. Records what the main window looked like while the dialog was up.
class LoginAnswerer {
  public:
    explicit LoginAnswerer(std::function<void(HWND)> answer) {
        answer_ = std::move(answer);
        answered_ = false;
        timer_ = SetTimer(nullptr, 0, 50, OnTimer);
    }
    ~LoginAnswerer() { KillTimer(nullptr, timer_); }
    static bool Answered() { return answered_; }

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND dlg = DialogWindow::OpenWindow(IDD_QQ_LOGIN);
        if (!dlg || answered_) return;
        answered_ = true;
        answer_(dlg);
    }
    static inline std::function<void(HWND)> answer_;
    static inline bool answered_ = false;
    UINT_PTR timer_ = 0;
};

void PressIn(HWND dlg, const wchar_t* typed) {
    SetItemText(dlg, IDC_QQ_LOGIN_TEXT1, typed);
    SendMessageW(GetDlgItem(dlg, IDC_QQ_LOGIN_COMMAND1), BM_CLICK, 0, 0);
}

TEST(QQLoginAtStart, AStoredPasswordIsAskedForBeforeTheWindowIsShownAndNoCheckStartsBeforeIt) {
    QQFormHarness h({"update zk_auto_sys set S_pass='secret'"});
    bool mainVisible = true;
    int startsWhileAsking = -1;
    LoginAnswerer answerer([&](HWND dlg) {
        mainVisible = IsWindowVisible(h.Hwnd()) != FALSE;
        startsWhileAsking = h.Download()->starts;
        PressIn(dlg, L"SECRET");  // the wrong case first
        PressIn(dlg, L"secret");
    });
    ASSERT_TRUE(h.Load());
    ASSERT_TRUE(LoginAnswerer::Answered());
    EXPECT_FALSE(mainVisible);
    EXPECT_EQ(h.form->StartupPassword(), "secret");
    EXPECT_EQ(startsWhileAsking, 0);
    EXPECT_EQ(h.Download()->starts, 1);
    // The check starts after the dialog's loop has ended, so no tick can come before this look.
    EXPECT_EQ(h.globals.UpdateCheckTicks, 6);
    EXPECT_EQ(h.globals.UpdateCheckSource, 0);
    EXPECT_EQ(h.Download()->url, std::string(kTestSite) + "/tools/kestrin/Kestrin.txt");
    EXPECT_TRUE(h.fakes.end.exitCodes.empty());
}

TEST(QQLoginAtStart, QuitEndsTheProgramAndTheMainWindowNeverFinishesLoading) {
    QQFormHarness h({"update zk_auto_sys set S_pass='secret'"});
    LoginAnswerer answerer([](HWND dlg) { SendMessageW(GetDlgItem(dlg, IDC_QQ_LOGIN_COMMAND2), BM_CLICK, 0, 0); });
    EXPECT_FALSE(h.Load());
    ASSERT_TRUE(LoginAnswerer::Answered());
    EXPECT_EQ(h.fakes.end.exitCodes, std::vector<int>{0});
    EXPECT_EQ(h.Download()->starts, 0);
}

TEST(QQLoginAtStart, AnEmptyStoredPasswordAsksNothingAndStartsTheCheckAtOnce) {
    QQFormHarness h({"update zk_auto_sys set S_pass=''"});
    LoginAnswerer answerer([](HWND dlg) { DestroyWindow(dlg); });
    ASSERT_TRUE(h.Load());
    EXPECT_FALSE(LoginAnswerer::Answered());
    EXPECT_EQ(h.Download()->starts, 1);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 5);
}

}  // namespace
