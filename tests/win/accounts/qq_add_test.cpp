// QQ_Add, the account editor, created from its template over the real main window and config.dat.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "accounts/account_logic.h"
#include "accounts/qq_add_dialog.h"
#include "login/pwd_hash.h"
#include "resources/resource_ids.h"
#include "tests/win/accounts/accounts_test_util.h"
#include "win/dialog.h"
#include "win/dialog_window.h"
#include "win/listview.h"

namespace {

std::vector<std::string> TwoAccounts() {
    return {InsertAccount("小明", "10001", "1", "1", "2026-12-01 8:00:00"),
            InsertAccount("工作号", "10002", "0", "0", "2026-12-02 21:15:44")};
}

// Records what the password box holds whenever a message is shown.
class PasswordWatcher : public MessageBoxes {
  public:
    int Show(WindowRef owner, const std::string& text, const std::string&, unsigned) override {
        texts.push_back(text);
        seen.push_back(GetItemText(static_cast<HWND>(owner), IDC_QQ_ADD_TEXT2));
        return kIdOk;
    }
    std::vector<std::string> texts;
    std::vector<std::wstring> seen;
};

}  // namespace

TEST(QQ_Add, OpensInTheDesignStateWithLimitsTipsTabOrderAndDefaultButton) {
    QQFormHarness h(TwoAccounts());
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(GetWindowString(dlg), L"添加QQ号码");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_FRAME1), L"增加QQ号码");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_QQ_ADD_TEXT3)));
    EXPECT_FALSE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK3));
    EXPECT_TRUE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK1));
    EXPECT_TRUE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK2));
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_CHECK1), L" 隐身登录");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_CHECK2), L" 连续输入");
    struct Limit {
        int id;
        LRESULT chars;
    } limits[] = {{IDC_QQ_ADD_TEXT1, 13}, {IDC_QQ_ADD_TEXT2, 20}, {IDC_QQ_ADD_TEXT3, 14}};
    for (const auto& l : limits) {
        SCOPED_TRACE(l.id);
        EXPECT_EQ(SendDlgItemMessageW(dlg, l.id, EM_GETLIMITTEXT, 0, 0), l.chars);
    }
    EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_QQ_ADD_TEXT2, EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(QQ_AddToolTip(dlg, IDC_QQ_ADD_TEXT2), L"特别加入了防盗控件");
    EXPECT_EQ(QQ_AddToolTip(dlg, IDC_QQ_ADD_TEXT1), L"");
    EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), IDC_QQ_ADD_COMMAND1);
    // Text3 is disabled at first, so the tab walk skips it until the alias box is switched on.
    ClickItem(dlg, IDC_QQ_ADD_CHECK3);
    const int order[] = {IDC_QQ_ADD_TEXT1,  IDC_QQ_ADD_TEXT2,  IDC_QQ_ADD_CHECK3,   IDC_QQ_ADD_TEXT3,
                         IDC_QQ_ADD_CHECK1, IDC_QQ_ADD_CHECK2, IDC_QQ_ADD_COMMAND1, IDC_QQ_ADD_COMMAND2};
    HWND at = GetDlgItem(dlg, order[0]);
    for (int i = 1; i < 8; ++i) {
        at = GetNextDlgTabItem(dlg, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), order[i]) << i;
    }
    DestroyWindow(dlg);
}

TEST(QQ_Add, NumberBoxKeepsDigitsOnlyAndTheAliasFollowsItUntilSwitchedOn) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h);
    ASSERT_NE(dlg, nullptr);
    Type(dlg, IDC_QQ_ADD_TEXT1, L"12a3");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT1), L"123");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), L"123");
    DWORD start = 0, end = 0;
    SendDlgItemMessageW(dlg, IDC_QQ_ADD_TEXT1, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 3u);

    SetItemText(dlg, IDC_QQ_ADD_TEXT1, L"没有数字");  // pasted
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT1), L"");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), L"");

    Type(dlg, IDC_QQ_ADD_TEXT1, L"55");
    ClickItem(dlg, IDC_QQ_ADD_CHECK3);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_QQ_ADD_TEXT3)));
    SetItemText(dlg, IDC_QQ_ADD_TEXT3, L"我的号");
    Type(dlg, IDC_QQ_ADD_TEXT1, L"6");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), L"我的号");
    ClickItem(dlg, IDC_QQ_ADD_CHECK3);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_QQ_ADD_TEXT3)));
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), L"我的号");
    DestroyWindow(dlg);
}

TEST(QQ_Add, ClickingThePasswordBoxPutsTheCaretAtTheEnd) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h);
    ASSERT_NE(dlg, nullptr);
    HWND box = GetDlgItem(dlg, IDC_QQ_ADD_TEXT2);
    Type(dlg, IDC_QQ_ADD_TEXT2, L"secret");
    for (UINT msg : {WM_LBUTTONUP, WM_LBUTTONDBLCLK}) {
        SCOPED_TRACE(msg);
        SendMessageW(box, EM_SETSEL, 0, -1);
        SendMessageW(box, msg, 0, MAKELPARAM(2, 2));
        DWORD start = 0, end = 0;
        SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 6u);
        EXPECT_EQ(end, 6u);
    }
    DestroyWindow(dlg);
}

TEST(QQ_Add, RefusedSavesShowTheirMessageClearThePasswordAndWriteNothing) {
    struct Case {
        const char* name;
        const wchar_t* number;
        const wchar_t* password;
        const wchar_t* alias;  // nullptr: the alias follows the number
        const char* message;
        int focus;  // 0: not checked
        const wchar_t* aliasAfter;
    } cases[] = {
        {"no number", L"", L"pw", nullptr, "输入不完整", IDC_QQ_ADD_TEXT1, L""},
        {"no password", L"10003", L"", nullptr, "输入不完整", IDC_QQ_ADD_TEXT2, L"10003"},
        {"no alias", L"10003", L"pw", L"", "输入不完整", IDC_QQ_ADD_TEXT3, L""},
        {"stored number", L"10001", L"pw", L"新的", "号码已经存在", 0, L"新的"},
        {"stored alias", L"10003", L"pw", L"工作号", "别名已经存在", 0, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h(TwoAccounts());
        ASSERT_TRUE(h.Load());
        HWND dlg = OpenEditor(h);
        ASSERT_NE(dlg, nullptr);
        Type(dlg, IDC_QQ_ADD_TEXT1, c.number);
        Type(dlg, IDC_QQ_ADD_TEXT2, c.password);
        if (c.alias) {
            ClickItem(dlg, IDC_QQ_ADD_CHECK3);
            SetItemText(dlg, IDC_QQ_ADD_TEXT3, c.alias);
        }
        ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
        ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
        EXPECT_EQ(h.fakes.messages.shown[0].text, c.message);
        EXPECT_EQ(h.fakes.messages.shown[0].title, "提示");
        EXPECT_EQ(h.fakes.messages.shown[0].style, kMbOk);
        EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT2), L"");
        EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), c.aliasAfter);
        if (c.focus) {
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, c.focus));
        }
        EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), dlg);
        EXPECT_EQ(ListViewRowCount(h.List()), 2);
        EXPECT_EQ(StoredNames(h.DbPath()).size(), 2u);
        DestroyWindow(dlg);
    }
}

TEST(QQ_Add, ThePasswordLeavesTheBoxBeforeAnyMessageIsShown) {
    QQFormHarness h(TwoAccounts());
    ASSERT_TRUE(h.Load());
    PasswordWatcher watcher;
    h.fakes.services.messages = &watcher;
    HWND dlg = OpenEditor(h);
    ASSERT_NE(dlg, nullptr);
    Type(dlg, IDC_QQ_ADD_TEXT1, L"10001");
    Type(dlg, IDC_QQ_ADD_TEXT2, L"topsecret");
    ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
    ASSERT_EQ(watcher.texts.size(), 1u);
    EXPECT_EQ(watcher.texts[0], "号码已经存在");
    EXPECT_NE(watcher.seen[0], L"topsecret");
    DestroyWindow(dlg);
}

TEST(QQ_Add, AddStoresTheStatusHashAndTimeAndAppendsATickedRowWithItsIcon) {
    struct Case {
        const char* name;
        bool invisible;
        const char* stat;
        int image;
    } cases[] = {{"invisible ticked", true, "0", kImageInvisible}, {"invisible unticked", false, "1", kImageOnline}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h(TwoAccounts());
        ASSERT_TRUE(h.Load());
        ListViewSetSelected(h.List(), 0, true);
        HWND dlg = OpenEditor(h);
        ASSERT_NE(dlg, nullptr);
        if (!c.invisible) ClickItem(dlg, IDC_QQ_ADD_CHECK1);
        ClickItem(dlg, IDC_QQ_ADD_CHECK2);  // no continuous input: the dialog closes
        Type(dlg, IDC_QQ_ADD_TEXT1, L"10003");
        Type(dlg, IDC_QQ_ADD_TEXT2, L"abc");
        ClickItem(dlg, IDC_QQ_ADD_CHECK3);
        SetItemText(dlg, IDC_QQ_ADD_TEXT3, L"O'Neil");
        ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
        EXPECT_TRUE(h.fakes.messages.shown.empty());
        EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), nullptr);
        HWND list = h.List();
        ASSERT_EQ(ListViewRowCount(list), 3);
        EXPECT_EQ(ListViewGetText(list, 2), L"O'Neil");
        EXPECT_EQ(ListViewGetText(list, 2, 1), L"2026-12-07 9:07:03");
        EXPECT_EQ(ListViewGetImage(list, 2), c.image);
        EXPECT_TRUE(ListViewIsChecked(list, 2));
        EXPECT_FALSE(ListViewIsSelected(list, 2));
        EXPECT_EQ(StoredAccount(h.DbPath(), "10003"),
                  (std::vector<std::string>{"O'Neil", "1", c.stat, "2026-12-07 9:07:03", "kAFQmDzST7DWlj99KOF/cg"}));
        EXPECT_EQ(EditorData().end, QQ_AddEnd::kSaved);
    }
}

TEST(QQ_Add, ContinuousInputEmptiesTheBoxesKeepsTheChecksAndStaysOpen) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    ASSERT_FALSE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    HWND dlg = OpenEditor(h);
    ASSERT_NE(dlg, nullptr);
    for (const wchar_t* number : {L"20001", L"20002"}) {
        Type(dlg, IDC_QQ_ADD_TEXT1, number);
        Type(dlg, IDC_QQ_ADD_TEXT2, L"pw");
        ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
    }
    ASSERT_EQ(h.fakes.messages.shown.size(), 2u);
    EXPECT_EQ(h.fakes.messages.shown[1].text, "添加成功");
    EXPECT_EQ(h.fakes.messages.shown[1].title, "提示");
    EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), dlg);
    for (int id : {IDC_QQ_ADD_TEXT1, IDC_QQ_ADD_TEXT2, IDC_QQ_ADD_TEXT3}) EXPECT_EQ(ItemText(dlg, id), L"") << id;
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_QQ_ADD_TEXT1));
    EXPECT_TRUE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK1));
    EXPECT_TRUE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK2));
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"20001", L"20002"}));
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"20001", "20002"}));
    EXPECT_TRUE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    DestroyWindow(dlg);
}

TEST(QQ_Add, EditModeShowsTheStoredAccountWithTheNumberLocked) {
    QQFormHarness h(TwoAccounts());
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h, "工作号", 2);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(GetWindowString(dlg), L"编辑QQ号码");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT1), L"10002");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_QQ_ADD_TEXT1)));
    EXPECT_EQ(QQ_AddToolTip(dlg, IDC_QQ_ADD_TEXT1), L"编辑状态QQ号码不可修改");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), L"工作号");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT2), L"");
    EXPECT_TRUE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK1));  // stored status 0
    EXPECT_FALSE(IsItemChecked(dlg, IDC_QQ_ADD_CHECK2));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_QQ_ADD_CHECK2)));

    ClickItem(dlg, IDC_QQ_ADD_COMMAND1);  // no password typed
    ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
    EXPECT_EQ(h.fakes.messages.shown[0].text, "输入不完整");
    DestroyWindow(dlg);
}

TEST(QQ_Add, EditSavesAliasStatusAndHashByNumberAndChangesOnlyItsRow) {
    QQFormHarness h(TwoAccounts());
    ASSERT_TRUE(h.Load());
    HWND list = h.List();
    h.SetTicked(1, false);
    ListViewSetSelected(list, 1, true);
    HWND dlg = OpenEditor(h, "工作号", 2);
    ASSERT_NE(dlg, nullptr);
    ClickItem(dlg, IDC_QQ_ADD_CHECK1);  // online now
    Type(dlg, IDC_QQ_ADD_TEXT2, L"abc");
    ClickItem(dlg, IDC_QQ_ADD_CHECK3);
    SetItemText(dlg, IDC_QQ_ADD_TEXT3, L"It's me");
    ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
    EXPECT_TRUE(h.fakes.messages.shown.empty());
    EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), nullptr);
    EXPECT_EQ(ListRows(list), (std::vector<std::wstring>{L"小明", L"It's me"}));
    EXPECT_EQ(ListViewGetImage(list, 1), kImageOnline);
    EXPECT_TRUE(ListViewIsChecked(list, 1));
    EXPECT_FALSE(ListViewIsSelected(list, 1));
    EXPECT_EQ(ListViewGetText(list, 1, 1), L"2026-12-02 21:15:44");
    EXPECT_EQ(StoredAccount(h.DbPath(), "10002"),
              (std::vector<std::string>{"It's me", "0", "1", "2026-12-02 21:15:44", "kAFQmDzST7DWlj99KOF/cg"}));
    EXPECT_EQ(StoredAccount(h.DbPath(), "10001")[0], "小明");
    EXPECT_EQ(EditorData().end, QQ_AddEnd::kSaved);
}

TEST(QQ_Add, EditRefusesAnotherAccountsAliasButKeepsItsOwnInAnyCase) {
    QQFormHarness h({InsertAccount("Alice", "10001", "1", "1", "x"), InsertAccount("Bob", "10002", "1", "1", "x")});
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h, "Bob", 2);
    ASSERT_NE(dlg, nullptr);
    Type(dlg, IDC_QQ_ADD_TEXT2, L"pw");
    ClickItem(dlg, IDC_QQ_ADD_CHECK3);
    SetItemText(dlg, IDC_QQ_ADD_TEXT3, L"alice");
    ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
    ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
    EXPECT_EQ(h.fakes.messages.shown[0].text, "别名已经存在");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT2), L"");
    EXPECT_EQ(ItemText(dlg, IDC_QQ_ADD_TEXT3), L"");
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"Alice", "Bob"}));

    Type(dlg, IDC_QQ_ADD_TEXT2, L"pw");
    SetItemText(dlg, IDC_QQ_ADD_TEXT3, L"BOB");
    ClickItem(dlg, IDC_QQ_ADD_COMMAND1);
    EXPECT_EQ(h.fakes.messages.shown.size(), 1u);
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"Alice", "BOB"}));
}

TEST(QQ_Add, AnEditTargetThatIsGoneSaysIllegalOperationAndCloses) {
    QQFormHarness h(TwoAccounts());
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h, "不存在", 1);
    EXPECT_EQ(dlg, nullptr);
    EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), nullptr);
    ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
    EXPECT_EQ(h.fakes.messages.shown[0].text, "非法操作");
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"小明", L"工作号"}));
}

// The main window clears its edit target on Cancel but not on the title bar's close.
TEST(QQ_Add, CancelAndTheTitleBarsCloseTellHowTheyEnded) {
    QQFormHarness h(TwoAccounts());
    ASSERT_TRUE(h.Load());
    HWND dlg = OpenEditor(h, "小明", 1);
    ASSERT_NE(dlg, nullptr);
    SendMessageW(dlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), nullptr);
    EXPECT_EQ(EditorData().end, QQ_AddEnd::kClosed);
    dlg = OpenEditor(h, "小明", 1);
    ASSERT_NE(dlg, nullptr);
    ClickItem(dlg, IDC_QQ_ADD_COMMAND2);
    EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), nullptr);
    EXPECT_EQ(EditorData().end, QQ_AddEnd::kCancelled);
    EXPECT_TRUE(h.fakes.messages.shown.empty());
}
