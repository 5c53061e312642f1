// QQ_set over a real main window and config.dat, created modeless and driven with messages.
#include <gtest/gtest.h>

#include <windows.h>

#include "jet/sql/connection.h"
#include "resources/resource_ids.h"
#include "settings/qq_set.h"
#include "settings/settings_for_test.h"
#include "tests/win/qq_form_harness.h"
#include "tests/win/settings/settings_test_util.h"

namespace {

constexpr char kBadPath[] = "选择路径不正确";
constexpr char kNotStored[] = "设置没有保存：配置文件无法写入";

class QQSetTest : public testing::Test {
  protected:
    // The main window loaded over a stored path; the stored password is written after loading, so
    // the loading asks for none.
    void Open(const char* storedPath = nullptr, const char* storedPassword = nullptr) {
        std::vector<std::string> statements;
        if (storedPath) statements.push_back(std::string("update zk_auto_sys set S_QQpath='") + storedPath + "'");
        harness_ = std::make_unique<QQFormHarness>(statements);
        ASSERT_TRUE(harness_->Load());
        KillTimer(harness_->Hwnd(), 1);  // the check of the loading must not tick during the test
        if (storedPassword) {
            AccountDb db(harness_->DbPath(), Fakes().services);
            ASSERT_TRUE(db.OpenDb().ok());
            ASSERT_TRUE(db.Conn().Execute(std::string("update zk_auto_sys set S_pass='") + storedPassword + "'").ok());
            ASSERT_TRUE(db.CloseDb().ok());
        }
        data_ = harness_->form->SettingsData();
        dlg_ = CreateQQ_setForTest(harness_->Hwnd(), &data_);
        ASSERT_NE(dlg_, nullptr);
    }
    void TearDown() override {
        if (dlg_ && IsWindow(dlg_)) DestroyWindow(dlg_);
        harness_.reset();
    }
    void Click(int id) {
        SendMessageW(GetDlgItem(dlg_, id), BM_CLICK, 0, 0);
        PumpMessages();
    }
    void Type(int id, const std::wstring& text) { SetItemText(dlg_, id, text); }
    bool IsOpen() const { return IsWindow(dlg_) != FALSE; }
    SettingsRow Stored() const { return ReadSettingsRow(harness_->DbPath()); }
    GlobalSettings& Globals() { return harness_->globals; }
    FakeServices& Fakes() { return harness_->fakes; }

    std::unique_ptr<QQFormHarness> harness_;
    QQ_setData data_;  // what the main window gives the dialog, and what the dialog hands back
    HWND dlg_ = nullptr;
};

TEST_F(QQSetTest, OpensOnThePathPageWithItsCaptionTheCurrentPathAndTheControlsInTheirOrder) {
    Open("C:\\QQ\\Bin\\QQ.exe", "old");
    EXPECT_EQ(ToUtf8(GetWindowString(dlg_)), "Kestrin设置程序");
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT1), "C:\\QQ\\Bin\\QQ.exe");
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT2), "");  // the stored password is never shown
    EXPECT_EQ(TabStopIds(dlg_), (std::vector<int>{IDC_QQ_SET_COMMAND5, IDC_QQ_SET_COMMAND6, IDC_QQ_SET_COMMAND7,
                                                  IDC_QQ_SET_COMMAND1, IDC_QQ_SET_COMMAND2, IDC_QQ_SET_TEXT1,
                                                  IDC_QQ_SET_COMMAND3, IDC_QQ_SET_TEXT2, IDC_QQ_SET_COMMAND4}));
    EXPECT_EQ(LOWORD(SendMessageW(dlg_, DM_GETDEFID, 0, 0)), IDC_QQ_SET_COMMAND6);
    struct Caption {
        int id;
        const char* text;
    } captions[] = {
        {IDC_QQ_SET_COMMAND5, "检查更新"},     {IDC_QQ_SET_COMMAND6, "确定"},         {IDC_QQ_SET_COMMAND7, "取消"},
        {IDC_QQ_SET_COMMAND1, "腾讯安装路径"}, {IDC_QQ_SET_COMMAND2, "软件启动密码"}, {IDC_QQ_SET_COMMAND3, "浏览"},
        {IDC_QQ_SET_COMMAND4, "清除"},
    };
    for (const Caption& c : captions) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ItemText(dlg_, c.id), c.text);
    }
}

TEST_F(QQSetTest, PageButtonsSwitchThePagesAndBothBoxesKeepTheirText) {
    Open();
    struct Page {
        const char* name;
        int button;  // 0: as opened
        const char* label;
        bool first;
    } pages[] = {
        {"opened", 0, "浏览选择QQ文件路径", true},
        {"password page", IDC_QQ_SET_COMMAND2, "修改软件的启动密码", false},
        {"password page again", IDC_QQ_SET_COMMAND2, "修改软件的启动密码", false},
        {"path page", IDC_QQ_SET_COMMAND1, "浏览选择QQ文件路径", true},
    };
    Type(IDC_QQ_SET_TEXT1, L"D:\\QQ.exe");
    Type(IDC_QQ_SET_TEXT2, L"pw");
    for (const Page& p : pages) {
        SCOPED_TRACE(p.name);
        if (p.button) SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(p.button, BN_CLICKED), 0);
        EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_LABEL1), p.label);
        EXPECT_EQ(ItemEnabled(dlg_, IDC_QQ_SET_COMMAND1), !p.first);
        EXPECT_EQ(ItemEnabled(dlg_, IDC_QQ_SET_COMMAND2), p.first);
        EXPECT_EQ(ItemVisible(dlg_, IDC_QQ_SET_TEXT1), p.first);
        EXPECT_EQ(ItemVisible(dlg_, IDC_QQ_SET_COMMAND3), p.first);
        EXPECT_EQ(ItemVisible(dlg_, IDC_QQ_SET_TEXT2), !p.first);
        EXPECT_EQ(ItemVisible(dlg_, IDC_QQ_SET_COMMAND4), !p.first);
        EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT1), "D:\\QQ.exe");
        EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT2), "pw");
    }
}

TEST_F(QQSetTest, OkOnThePathPageStoresOnlyThePathAsTypedAndThenUsesIt) {
    struct Case {
        const char* name;
        std::wstring typed;
        std::string stored;
    } cases[] = {
        {"plain", L"C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe", "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe"},
        {"apostrophes", L"D:\\O'Brien's\\QQ.exe", "D:\\O'Brien's\\QQ.exe"},
        {"three characters", L"腾讯Q", "腾讯Q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(nullptr, "old");
        Type(IDC_QQ_SET_TEXT1, c.typed);
        Type(IDC_QQ_SET_TEXT2, L"typed but not on its page");
        Click(IDC_QQ_SET_COMMAND6);
        EXPECT_FALSE(IsOpen());
        EXPECT_EQ(Stored().qqPath, c.stored);
        EXPECT_EQ(Stored().password, "old");
        EXPECT_EQ(data_.qqPath, c.stored);
        EXPECT_TRUE(Fakes().messages.shown.empty());
    }
}

// A rejected path must not reach the next login: QQPath keeps the stored value.
TEST_F(QQSetTest, AShortPathIsRefusedWithAMessageKeepsTheDialogAndChangesNothing) {
    Open("C:\\QQ.exe");
    for (const wchar_t* typed : {L"", L"C", L"C:", L"腾讯"}) {
        SCOPED_TRACE(ToUtf8(typed));
        Fakes().messages.shown.clear();
        Type(IDC_QQ_SET_TEXT1, typed);
        Click(IDC_QQ_SET_COMMAND6);
        ASSERT_TRUE(IsOpen());
        ASSERT_EQ(Fakes().messages.shown.size(), 1u);
        EXPECT_EQ(Fakes().messages.shown[0].text, kBadPath);
        EXPECT_EQ(Fakes().messages.shown[0].title, "提示");
        EXPECT_EQ(Fakes().messages.shown[0].style, kMbOk);
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg_, IDC_QQ_SET_TEXT1));
        EXPECT_EQ(data_.qqPath, "C:\\QQ.exe");
        EXPECT_EQ(Stored().qqPath, "C:\\QQ.exe");
    }
}

// The column takes 255 characters: a longer path is refused by the database. The user is told, the
// dialog closes as always, and neither QQPath nor the stored path changes.
TEST_F(QQSetTest, AFailedWriteIsReportedAndLeavesQQPathAsStored) {
    Open("C:\\QQ.exe");
    Type(IDC_QQ_SET_TEXT1, L"C:\\" + std::wstring(300, L'x') + L"\\QQ.exe");
    Click(IDC_QQ_SET_COMMAND6);
    EXPECT_FALSE(IsOpen());
    ASSERT_EQ(Fakes().messages.shown.size(), 1u);
    EXPECT_EQ(Fakes().messages.shown[0].text, kNotStored);
    EXPECT_EQ(Fakes().messages.shown[0].title, "提示");
    EXPECT_EQ(Fakes().messages.shown[0].style, kMbOk);
    EXPECT_EQ(data_.qqPath, "C:\\QQ.exe");
    EXPECT_EQ(Stored().qqPath, "C:\\QQ.exe");
    EXPECT_TRUE(Fakes().end.exitCodes.empty());
}

TEST_F(QQSetTest, ThePasswordBoxMasksLimitsAndDropsApostrophesWithTheCaretAtTheEnd) {
    Open();
    HWND box = GetDlgItem(dlg_, IDC_QQ_SET_TEXT2);
    EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(SendMessageW(box, EM_GETLIMITTEXT, 0, 0), 30);
    SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDC_QQ_SET_COMMAND2, BN_CLICKED), 0);
    Type(IDC_QQ_SET_TEXT2, L"it's'ok");
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT2), "itsok");
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 5u);
    EXPECT_EQ(end, 5u);
    SendMessageW(box, EM_SETSEL, 2, 2);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"'x'"));  // typed in the middle
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT2), "itxsok");
}

TEST_F(QQSetTest, OkOnThePasswordPageStoresOnlyThePasswordAndAnEmptyOneRemovesIt) {
    struct Case {
        const char* name;
        std::wstring typed;
        std::string stored;
    } cases[] = {
        {"new password", L"Secret 1", "Secret 1"},
        {"chinese", L"密码", "密码"},
        {"empty removes it", L"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open("C:\\QQ.exe", "old");
        Type(IDC_QQ_SET_TEXT1, L"D:\\Other\\QQ.exe");
        SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDC_QQ_SET_COMMAND2, BN_CLICKED), 0);
        Type(IDC_QQ_SET_TEXT2, c.typed);
        Click(IDC_QQ_SET_COMMAND6);
        EXPECT_FALSE(IsOpen());
        EXPECT_EQ(Stored().password, c.stored);
        EXPECT_EQ(Stored().qqPath, "C:\\QQ.exe");
        EXPECT_EQ(data_.qqPath, "C:\\QQ.exe");
        EXPECT_TRUE(Fakes().messages.shown.empty());
    }
}

TEST_F(QQSetTest, ClearCancelEscAndTheCloseBoxStoreNothing) {
    struct Case {
        const char* name;
        int clearFirst;
        UINT message;
        WPARAM wParam;
        bool closes;
    } cases[] = {
        {"clear", 1, 0, 0, false},
        {"cancel", 0, WM_COMMAND, MAKEWPARAM(IDC_QQ_SET_COMMAND7, BN_CLICKED), true},
        {"esc", 0, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), true},
        {"close box", 0, WM_CLOSE, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open("C:\\QQ.exe", "old");
        Type(IDC_QQ_SET_TEXT1, L"D:\\Other\\QQ.exe");
        SendMessageW(dlg_, WM_COMMAND, MAKEWPARAM(IDC_QQ_SET_COMMAND2, BN_CLICKED), 0);
        Type(IDC_QQ_SET_TEXT2, L"new");
        if (c.clearFirst) {
            Click(IDC_QQ_SET_COMMAND4);
            EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT2), "");
        }
        if (c.message) SendMessageW(dlg_, c.message, c.wParam, 0);
        PumpMessages();
        EXPECT_EQ(IsOpen(), !c.closes);
        EXPECT_EQ(Stored().qqPath, "C:\\QQ.exe");
        EXPECT_EQ(Stored().password, "old");
        EXPECT_EQ(data_.qqPath, "C:\\QQ.exe");
    }
}

TEST_F(QQSetTest, BrowseOffersQQExeUnderItsTitleAndACancelledDialogLeavesTheText) {
    Open();
    Type(IDC_QQ_SET_TEXT1, L"typed by hand");
    Click(IDC_QQ_SET_COMMAND3);  // cancelled
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT1), "typed by hand");
    Fakes().fileDialogs.answer = "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe";
    Click(IDC_QQ_SET_COMMAND3);
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_TEXT1), "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe");
    ASSERT_EQ(Fakes().fileDialogs.titles.size(), 2u);
    EXPECT_EQ(Fakes().fileDialogs.titles[0], "选择QQ文件安装路径");
    EXPECT_EQ(Fakes().fileDialogs.filters[0], "EXE files(QQ.exe)|qq.exe");
}

TEST_F(QQSetTest, CheckForUpdatesStartsTheUserCheckAndTheMainWindowGivesTheButtonBack) {
    Open();
    FakeFetchwell* download = harness_->Download();
    ASSERT_NE(download, nullptr);
    int startsBefore = download->starts;
    SendMessageW(GetDlgItem(dlg_, IDC_QQ_SET_COMMAND5), BM_CLICK, 0, 0);  // no pump: Timer1 must not tick yet
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_COMMAND5), "正在检查");
    EXPECT_FALSE(ItemEnabled(dlg_, IDC_QQ_SET_COMMAND5));
    EXPECT_EQ(Globals().UpdateCheckSource, 2);
    EXPECT_EQ(Globals().UpdateCheckTicks, 4);
    EXPECT_EQ(download->starts, startsBefore + 1);
    EXPECT_EQ(download->url, std::string(kTestSite) + "/tools/kestrin/Kestrin.txt");
    EXPECT_EQ(download->folder, "c:\\windows\\temp");
    RestoreQQ_setCheckButton();
    EXPECT_EQ(ItemText(dlg_, IDC_QQ_SET_COMMAND5), "检查更新");
    EXPECT_TRUE(ItemEnabled(dlg_, IDC_QQ_SET_COMMAND5));
    EXPECT_TRUE(IsOpen());
}

TEST_F(QQSetTest, OnlyOneDialogAtATimeAndUnloadClosesIt) {
    Open();
    EXPECT_EQ(CreateQQ_setForTest(harness_->Hwnd(), &data_), nullptr);
    UnloadQQ_set();
    PumpMessages();
    EXPECT_FALSE(IsOpen());
    RestoreQQ_setCheckButton();  // nothing open: nothing to do
    UnloadQQ_set();
    HWND again = CreateQQ_setForTest(harness_->Hwnd(), &data_);
    EXPECT_NE(again, nullptr);
    if (again) DestroyWindow(again);
}

}  // namespace
