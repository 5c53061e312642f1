// The main window, loaded over real config.dat files and driven with messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/qq_form_logic.h"
#include "resources/resource_ids.h"
#include "tests/win/qq_form_harness.h"
#include "win/dialog.h"
#include "win/dpi.h"
#include "win/files.h"
#include "win/listview.h"
#include "win/strings.h"

namespace {

std::vector<std::string> ThreeAccounts() {
    return {InsertAccount("小明", "10001", "1", "1", "2026-12-07 9:07:03"),
            InsertAccount("工作号", "10002", "0", "0", "2026-12-06 21:15:44"),
            InsertAccount("Alice", "20003", "1", "0", "2026-11-30 8:00:00")};
}

POINT RowCentre(HWND list, int row) {
    RECT rect{};
    rect.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A press and release of a mouse button in the list, as the user makes them. The list's own press
// handling waits for the release, so the release is queued first.
void MouseClick(HWND list, POINT at, UINT down, UINT up, WPARAM buttons) {
    LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageW(list, up, 0, where);
    SendMessageW(list, down, buttons, where);
    PumpMessages();
}

// Asks the shell itself: NIM_MODIFY succeeds only for an icon it holds.
bool ShellHasIcon(HWND owner) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = kTrayIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

int SelectedCount(HWND list) {
    int count = 0;
    for (int row = 0; row < ListViewRowCount(list); ++row) count += ListViewIsSelected(list, row) ? 1 : 0;
    return count;
}

}  // namespace

TEST(QQForm, LoadShowsStoredAccountsWithTicksIconsAndLastLoginInStoredOrder) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    HWND list = h.List();
    struct Row {
        const wchar_t* name;
        const wchar_t* last;
        bool ticked;
        int image;
    } expected[] = {{L"小明", L"2026-12-07 9:07:03", true, kImageOnline},
                    {L"工作号", L"2026-12-06 21:15:44", false, kImageInvisible},
                    {L"Alice", L"2026-11-30 8:00:00", true, kImageInvisible}};
    ASSERT_EQ(ListViewRowCount(list), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(ListViewGetText(list, row), expected[row].name);
        EXPECT_EQ(ListViewGetText(list, row, 1), expected[row].last);
        EXPECT_EQ(ListViewIsChecked(list, row), expected[row].ticked);
        EXPECT_EQ(ListViewGetImage(list, row), expected[row].image);
        EXPECT_FALSE(ListViewIsSelected(list, row));
    }
    EXPECT_TRUE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    EXPECT_TRUE(h.MenuEnabled(IDM_MMOPEN));
    EXPECT_TRUE(h.fakes.messages.shown.empty());
}

TEST(QQForm, RowValuesOtherThanZeroOrOneShowNoIconAndNoTick) {
    QQFormHarness h({InsertAccount("odd", "30001", "2", "5", ""),
                     "insert into zk_auto_qqlist(A_Name,A_QQ) values('nulls','30002')"});
    ASSERT_TRUE(h.Load());
    ASSERT_EQ(ListViewRowCount(h.List()), 2);
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(ListViewGetImage(h.List(), row), kNoImage);
        EXPECT_FALSE(ListViewIsChecked(h.List(), row));
        EXPECT_EQ(ListViewGetText(h.List(), row, 1), L"");
    }
}

TEST(QQForm, EmptyTableGivesBothColumnsAndDisablesTheAccountCommands) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    HWND list = h.List();
    EXPECT_EQ(ListViewRowCount(list), 0);
    ASSERT_EQ(ListViewColumnCount(list), 2);
    EXPECT_EQ(ListViewColumnText(list, 0), L"  QQ号码");
    EXPECT_EQ(ListViewColumnText(list, 1), L" 上次登录");
    int dpi = WindowDpi(h.Hwnd());
    EXPECT_EQ(ListViewColumnWidth(list, 0), TwipsToPixels(1700, dpi));
    EXPECT_EQ(ListViewColumnWidth(list, 1), TwipsToPixels(2320, dpi));
    EXPECT_FALSE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    for (int id : {IDM_MMOPEN, IDM_MMED, IDM_MMDEL, IDM_MMCKALL, IDM_MMCKNALL}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(h.MenuEnabled(id));
    }
    for (int id : {IDM_MMSET, IDM_MMLISTI, IDM_MMADD, IDM_MMQUIT, IDM_MMUP, IDM_MMURL, IDM_MMABOUT}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(h.MenuEnabled(id));
    }
}

TEST(QQForm, CaptionLinkAndFixedTextsAreTheProgramsOwn) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    EXPECT_EQ(GetWindowString(h.Hwnd()), L"Kestrin V1.4");
    EXPECT_EQ(GetItemText(h.Hwnd(), IDC_QQ_FORM_LABEL2), L"https://kestrin.example.com");
    EXPECT_EQ(GetItemText(h.Hwnd(), IDC_QQ_FORM_CMD_LOGIN), L"登录");
    EXPECT_EQ(GetItemText(h.Hwnd(), IDC_QQ_FORM_CHECK1), L"开机自动运行");
    EXPECT_EQ(GetItemText(h.Hwnd(), IDC_QQ_FORM_CHECK2), L"登陆后退出");
    EXPECT_EQ(GetItemText(h.Hwnd(), IDC_QQ_FORM_LABEL3), L"QQ号码列表");
    std::wstring label1 = GetItemText(h.Hwnd(), IDC_QQ_FORM_LABEL1);
    EXPECT_EQ(label1.substr(label1.size() - 3), L"主页：");
    EXPECT_EQ(GetWindowLongW(h.Item(IDC_QQ_FORM_CMD_LOGIN), GWL_STYLE) & BS_DEFPUSHBUTTON, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindow(h.Hwnd(), GW_CHILD), h.Item(IDC_QQ_FORM_CMD_LOGIN));  // first in the tab order
}

TEST(QQForm, MenuCaptionsAndAccessLettersAreExact) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    HMENU bar = GetMenu(h.Hwnd());
    const wchar_t* tops[] = {L"文件(&F)", L"编辑(&E)", L"帮助(&H)"};
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, i, text, 63, MF_BYPOSITION);
        EXPECT_STREQ(text, tops[i]);
    }
    struct Case {
        int id;
        const wchar_t* caption;
    } items[] = {{IDM_MMOPEN, L"登录号码"}, {IDM_MMSET, L"程序设置"},   {IDM_MMLISTI, L"导入列表"},
                 {IDM_MMQUIT, L"退出系统"}, {IDM_MMADD, L"添加号码"},   {IDM_MMED, L"编辑号码"},
                 {IDM_MMDEL, L"删除号码"},  {IDM_MMCKALL, L"全部选择"}, {IDM_MMCKNALL, L"反向选择"},
                 {IDM_MMUP, L"检查更新"},   {IDM_MMURL, L"作者主页"},   {IDM_MMABOUT, L"关于程序"}};
    for (const Case& c : items) {
        SCOPED_TRACE(c.id);
        wchar_t text[64] = {};
        GetMenuStringW(bar, c.id, text, 63, MF_BYCOMMAND);
        EXPECT_STREQ(text, c.caption);
    }
}

TEST(QQForm, DamagedConfigShowsTheMessageEndsAndLeavesTheFileUntouched) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {{"zero bytes", ""}, {"text", "not a database at all"}, {"zeros", std::string(131072, '\0')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h({}, false);
        ASSERT_TRUE(WriteFileBytes(ToWide(h.DbPath()), c.bytes));
        EXPECT_FALSE(h.Load());
        ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
        EXPECT_EQ(h.fakes.messages.shown[0].text, "配置文件损坏或不可用\r删除config.dat后重新运行程序 ");
        EXPECT_EQ(h.fakes.messages.shown[0].title, "提示");
        EXPECT_EQ(h.fakes.messages.shown[0].style, 48u);
        EXPECT_EQ(h.fakes.end.exitCodes.size(), 1u);
        EXPECT_EQ(ReadFileBytes(ToWide(h.DbPath())), c.bytes);
        EXPECT_TRUE(h.fakes.downloads.created.empty() || h.Download()->starts == 0);
    }
}

TEST(QQForm, SettingsRowGivesQQPathAndExitAfterLogin) {
    struct Case {
        const char* name;
        std::string update;
        const char* qqPath;
        int16_t exitAfterLogin;
        bool check2;
    } cases[] = {
        {"template row (all Null)", "", "", 0, false},
        {"exit after login", "update zk_auto_sys set S_QQpath='C:\\QQ\\QQ.exe',S_AQ=1", "C:\\QQ\\QQ.exe", 1, true},
        {"minimise", "update zk_auto_sys set S_AQ='0'", "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> statements;
        if (!c.update.empty()) statements.push_back(c.update);
        QQFormHarness h(statements);
        ASSERT_TRUE(h.Load());
        EXPECT_EQ(h.globals.QQPath, c.qqPath);
        EXPECT_EQ(h.globals.ExitAfterLogin, c.exitAfterLogin);
        EXPECT_EQ(IsItemChecked(h.Hwnd(), IDC_QQ_FORM_CHECK2), c.check2);
        EXPECT_TRUE(h.form->StartupPassword().empty());
    }
}

TEST(QQForm, WithoutStartupPasswordLoadingStartsTheAutomaticUpdateCheck) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    FakeFetchwell* download = h.Download();
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(download->url, "https://kestrin.example.com/tools/kestrin/Kestrin.txt");
    EXPECT_EQ(download->folder, "c:\\windows\\temp");
    EXPECT_EQ(download->starts, 1);
    EXPECT_EQ(h.globals.UpdateCheckSource, 0);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 5);
    EXPECT_EQ(h.fakes.clock.sleeps, std::vector<int>{100});
}

TEST(QQForm, Timer1EndsTheCheckAfterItsTicksAndCompletionEndsItAtOnce) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    FakeFetchwell* download = h.Download();
    for (int tick = 1; tick <= 4; ++tick) SendMessageW(h.Hwnd(), WM_TIMER, 1, 0);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 1);
    EXPECT_EQ(download->stops, 0);
    SendMessageW(h.Hwnd(), WM_TIMER, 1, 0);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 0);
    EXPECT_EQ(download->stops, 1);

    h.Command(IDM_MMUP);  // a check started from the menu
    EXPECT_EQ(h.globals.UpdateCheckSource, 1);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 4);
    EXPECT_EQ(download->starts, 2);
    download->events->Completed(0);  // not stored: the timer goes on
    EXPECT_EQ(download->stops, 1);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 4);
    download->events->Completed(120);  // the version file: its signature is fetched next
    EXPECT_EQ(download->stops, 2);
    EXPECT_EQ(download->starts, 3);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 4);
    download->events->Completed(300);
    EXPECT_EQ(download->stops, 3);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 0);
}

TEST(QQForm, CheckAllAndInvertChangeOnlyTheListNotTheDatabase) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    h.Command(IDM_MMCKALL);
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(ListViewIsChecked(h.List(), row));
    h.SetTicked(1, false);
    h.Command(IDM_MMCKNALL);
    EXPECT_FALSE(ListViewIsChecked(h.List(), 0));
    EXPECT_TRUE(ListViewIsChecked(h.List(), 1));
    EXPECT_FALSE(ListViewIsChecked(h.List(), 2));
    auto stored = QueryConfigDat(h.DbPath(), "select A_activ from zk_auto_qqlist");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0][0], jet::Variant(int64_t{1}));
    EXPECT_EQ(stored[1][0], jet::Variant(int64_t{0}));
    EXPECT_EQ(stored[2][0], jet::Variant(int64_t{1}));
}

// The list keeps no ticks of its own: the box under the pointer and the space bar must flip the
// program's row, that row only, and the picture must follow.
TEST(QQForm, ACheckBoxClickAndTheSpaceBarFlipOneRowsTickOnly) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    HWND list = h.List();
    auto ticks = [&] {
        return std::vector<bool>{ListViewIsChecked(list, 0), ListViewIsChecked(list, 1), ListViewIsChecked(list, 2)};
    };
    ASSERT_EQ(ticks(), (std::vector<bool>{true, false, true}));
    h.ClickCheckBox(1);
    EXPECT_EQ(ticks(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(h.form->Rows().At(1).ticked);
    MouseClick(list, RowCentre(list, 2), WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);  // on the text: selects only
    EXPECT_EQ(ticks(), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(ListViewIsSelected(list, 2));
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    PumpMessages();
    EXPECT_EQ(ticks(), (std::vector<bool>{true, true, false}));
    auto stored = QueryConfigDat(h.DbPath(), "select A_activ from zk_auto_qqlist");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1][0], jet::Variant(int64_t{0}));
}

TEST(QQForm, PressOnEmptySpaceDeselectsAndRightClickOnRowSelectsItAndShowsTheRowMenu) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    HWND list = h.List();
    {
        PopupWatcher watcher;
        MouseClick(list, RowCentre(list, 1), WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
        EXPECT_TRUE(ListViewIsSelected(list, 1));
        EXPECT_EQ(SelectedCount(list), 1);
        EXPECT_EQ(watcher.Opened(), std::vector<std::wstring>{L"全部登录"});
    }
    {
        PopupWatcher watcher;
        RECT client{};
        GetClientRect(list, &client);
        POINT empty{client.right / 2, client.bottom - 5};
        MouseClick(list, empty, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
        EXPECT_EQ(SelectedCount(list), 0);
        EXPECT_TRUE(watcher.Opened().empty());
    }
    MouseClick(list, RowCentre(list, 2), WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    EXPECT_TRUE(h.form->SingleSelected());
    EXPECT_TRUE(ListViewIsSelected(list, 2));
}

TEST(QQForm, TrayIconActsOnlyWhileTheWindowIsMinimised) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    ShowWindow(h.Hwnd(), SW_SHOW);
    {
        PopupWatcher watcher;
        for (UINT message : {WM_LBUTTONDBLCLK, WM_RBUTTONUP}) {
            SendMessageW(h.Hwnd(), kTrayCallbackMessage, kTrayIconId, message);
        }
        PumpMessages();
        EXPECT_TRUE(watcher.Opened().empty());
        EXPECT_FALSE(IsIconic(h.Hwnd()));
    }
    ShowWindow(h.Hwnd(), SW_MINIMIZE);
    PumpMessages();
    EXPECT_TRUE(IsIconic(h.Hwnd()));
    {
        PopupWatcher watcher;
        SendMessageW(h.Hwnd(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
        PumpMessages();
        EXPECT_EQ(watcher.Opened(), std::vector<std::wstring>{L"显示界面"});
    }
    SendMessageW(h.Hwnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    PumpMessages();
    EXPECT_FALSE(IsIconic(h.Hwnd()));
    EXPECT_TRUE(IsWindowVisible(h.Hwnd()));
    EXPECT_FALSE(h.form->TrayShown());
}

TEST(QQForm, MinimisingAddsTheTrayIconAndShowWindowRemovesIt) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    ShowWindow(h.Hwnd(), SW_SHOW);
    ShowWindow(h.Hwnd(), SW_MINIMIZE);
    PumpMessages();
    EXPECT_TRUE(h.form->TrayShown());
    EXPECT_TRUE(ShellHasIcon(h.Hwnd()));
    h.Command(IDM_MENUSHOW);
    EXPECT_FALSE(h.form->TrayShown());
    EXPECT_FALSE(ShellHasIcon(h.Hwnd()));
    EXPECT_FALSE(IsIconic(h.Hwnd()));
    EXPECT_TRUE(IsWindowVisible(h.Hwnd()));
}

TEST(QQForm, HomePageOpensFromTheLinkAndBothMenuItems) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    h.Command(IDC_QQ_FORM_LABEL2, STN_CLICKED);
    h.Command(IDM_MMURL);
    h.Command(IDM_MENUURL);
    EXPECT_EQ(h.fakes.urls.opened, std::vector<std::string>(3, "https://kestrin.example.com"));
    EXPECT_EQ(h.fakes.clock.sleeps, (std::vector<int>{100, 400}));  // the link waits; the menus do not
}

TEST(QQForm, LeftoverUpdateFilesAreDeletedAtLoadAndAtClose) {
    QQFormHarness h;
    std::wstring updater = h.folder.File(L"update.exe");
    std::wstring downloaded = h.folder.File(L"更新程序.exe");
    ASSERT_TRUE(WriteFileBytes(updater, "MZ"));
    ASSERT_TRUE(WriteFileBytes(downloaded, "MZ"));
    ASSERT_TRUE(h.Load());
    EXPECT_FALSE(FileExists(updater));
    EXPECT_FALSE(FileExists(downloaded));
    ASSERT_TRUE(WriteFileBytes(updater, "MZ"));
    ASSERT_TRUE(WriteFileBytes(downloaded, "MZ"));
    h.Command(IDM_MMQUIT);
    EXPECT_FALSE(FileExists(updater));
    EXPECT_FALSE(FileExists(downloaded));
    EXPECT_EQ(h.fakes.end.exitCodes, std::vector<int>{0});
    EXPECT_EQ(h.form->Hwnd(), nullptr);
}

TEST(QQForm, QuitFromTheTrayMenuClosesTheWindowRemovesTheIconAndEnds) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    ShowWindow(h.Hwnd(), SW_MINIMIZE);
    PumpMessages();
    HWND window = h.Hwnd();
    ASSERT_TRUE(ShellHasIcon(window));
    h.Command(IDM_MENUQUIT);
    EXPECT_FALSE(ShellHasIcon(window));
    EXPECT_EQ(h.form->Hwnd(), nullptr);
    EXPECT_FALSE(h.form->TrayShown());
    EXPECT_EQ(h.fakes.end.exitCodes, std::vector<int>{0});
}

TEST(QQForm, Check1ShowsTheRunValueOfEitherFormAsTicked) {
    // The older unquoted form, and the quoted one of a folder with a blank; another folder still counts.
    for (const char* data : {"D:\\elsewhere\\Kestrin.exe", "\"D:\\QQ Tools\\Kestrin.exe\""}) {
        SCOPED_TRACE(data);
        QQFormHarness h;
        h.fakes.runValue.values[RunValueName(ToUtf8(ProgramPath()))] = data;
        ASSERT_TRUE(h.Load());
        EXPECT_TRUE(IsItemChecked(h.Hwnd(), IDC_QQ_FORM_CHECK1));
        EXPECT_EQ(h.fakes.runValue.writes, 0);
    }
}

TEST(QQForm, Check1ClicksWriteTheQuotedPathOrDeleteIt) {
    QQFormHarness h;
    std::string name = RunValueName(ToUtf8(ProgramPath()));
    h.fakes.runValue.values[name] = "D:\\elsewhere\\Kestrin.exe";
    ASSERT_TRUE(h.Load());

    h.Click(IDC_QQ_FORM_CHECK1);  // untick: deleted
    EXPECT_FALSE(h.fakes.runValue.values.count(name));
    h.Click(IDC_QQ_FORM_CHECK1);  // tick: written with this program's path, quoted
    EXPECT_EQ(h.fakes.runValue.values[name].substr(0, 1), "\"");
    EXPECT_EQ(h.fakes.runValue.values[name], RunValueData(ToUtf8(ProgramPath())));
    EXPECT_EQ(h.fakes.runValue.writes, 1);

    h.Click(IDC_QQ_FORM_CHECK1);
    h.fakes.runValue.values[name] = "made outside";  // appears after the untick
    h.Click(IDC_QQ_FORM_CHECK1);
    EXPECT_EQ(h.fakes.runValue.values[name], "made outside");
    EXPECT_EQ(h.fakes.runValue.writes, 1);
    EXPECT_TRUE(h.fakes.messages.shown.empty());
}

TEST(QQForm, Check1WithoutRightsTellsTheUserAndTurnsTheBoxBack) {
    struct Case {
        const char* name;
        bool valueThere;
        const char* message;
    } cases[] = {{"write refused", false, "无法设置开机自动运行：写入注册表需要管理员权限。"},
                 {"delete refused", true, "无法取消开机自动运行：修改注册表需要管理员权限。"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h;
        std::string name = RunValueName(ToUtf8(ProgramPath()));
        if (c.valueThere) h.fakes.runValue.values[name] = "C:\\x\\Kestrin.exe";
        h.fakes.runValue.allowChanges = false;
        ASSERT_TRUE(h.Load());
        h.Click(IDC_QQ_FORM_CHECK1);
        ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
        EXPECT_EQ(h.fakes.messages.shown[0].text, c.message);
        EXPECT_EQ(h.fakes.messages.shown[0].title, "提示");
        EXPECT_EQ(h.fakes.messages.shown[0].style, kMbOk);
        EXPECT_EQ(IsItemChecked(h.Hwnd(), IDC_QQ_FORM_CHECK1), c.valueThere);
        EXPECT_TRUE(h.fakes.end.exitCodes.empty());
    }
}

TEST(QQForm, Check2StoresExitAfterLoginInTheSettingsRow) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    h.Click(IDC_QQ_FORM_CHECK2);
    EXPECT_EQ(h.globals.ExitAfterLogin, 1);
    auto stored = QueryConfigDat(h.DbPath(), "select S_AQ from zk_auto_sys");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0][0], jet::Variant(int64_t{1}));
    h.Click(IDC_QQ_FORM_CHECK2);
    EXPECT_EQ(h.globals.ExitAfterLogin, 0);
    stored = QueryConfigDat(h.DbPath(), "select S_AQ from zk_auto_sys");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0][0], jet::Variant(int64_t{0}));
    EXPECT_FALSE(h.db->IsOpen());
}
