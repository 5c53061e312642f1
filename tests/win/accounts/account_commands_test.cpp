// The main window's account commands: the editor's opening, deleting and importing, through the
// real main window, its list and config.dat.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "accounts/QQ_Add.h"
#include "accounts/account_logic.h"
#include "accounts/qq_add_dialog.h"
#include "login/pwd_hash.h"
#include "resources/resource_ids.h"
#include "tests/win/accounts/accounts_test_util.h"
#include "win/dialog.h"
#include "win/dialog_window.h"
#include "win/listview.h"

namespace {

std::vector<std::string> ThreeAccounts() {
    return {InsertAccount("小明", "10001", "1", "1", "2026-12-01 8:00:00"),
            InsertAccount("工作号", "10002", "1", "0", "2026-12-02 21:15:44"),
            InsertAccount("Alice", "10003", "0", "1", "2026-12-03 7:00:00")};
}

// Lets several rows be selected at once, as a list without single selection would.
void AllowSeveralSelected(HWND list) {
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) & ~LVS_SINGLESEL);
}

// What the modal editor showed when it opened; it is closed from a timer inside its own loop.
struct ModalSeen {
    bool open = false;
    std::wstring caption, number, alias;
};
ModalSeen g_seen;

void CALLBACK LookAndClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dlg = DialogWindow::OpenWindow(IDD_QQ_ADD);
    g_seen.open = dlg != nullptr;
    if (!dlg) return;
    g_seen.caption = GetWindowString(dlg);
    g_seen.number = GetItemText(dlg, IDC_QQ_ADD_TEXT1);
    g_seen.alias = GetItemText(dlg, IDC_QQ_ADD_TEXT3);
    UnloadQQ_Add();
}

std::wstring WriteList(QQFormHarness& h, const std::string& bytes) {
    std::wstring path = h.folder.File(L"账号列表.txt");
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    h.fakes.fileDialogs.answer = Utf8(path);
    return path;
}

std::vector<std::string> Texts(const QQFormHarness& h) {
    std::vector<std::string> texts;
    for (const auto& shown : h.fakes.messages.shown) texts.push_back(shown.text);
    return texts;
}

}  // namespace

TEST(EditCommand, NeedsExactlyOneSelectedRow) {
    struct Case {
        const char* name;
        std::vector<int> selected;
    } cases[] = {{"none", {}}, {"two", {0, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h(ThreeAccounts());
        ASSERT_TRUE(h.Load());
        AllowSeveralSelected(h.List());
        for (int row : c.selected) ListViewSetSelected(h.List(), row, true);
        h.Command(IDM_MENUR_EDIT);
        h.Command(IDM_MMED);
        EXPECT_EQ(Texts(h), (std::vector<std::string>{"您还没有选择", "您还没有选择"}));
        EXPECT_EQ(h.fakes.messages.shown[0].title, "提示");
        EXPECT_EQ(h.globals.EditAlias, "");
    }
}

TEST(EditCommand, OpensTheEditorModallyForTheSelectedRow) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    ListViewSetSelected(h.List(), 1, true);
    g_seen = {};
    SetTimer(nullptr, 0, 50, LookAndClose);
    h.Command(IDM_MMED);
    EXPECT_TRUE(g_seen.open);
    EXPECT_EQ(g_seen.caption, L"编辑QQ号码");
    EXPECT_EQ(g_seen.number, L"10002");
    EXPECT_EQ(g_seen.alias, L"工作号");
    EXPECT_EQ(h.globals.EditRow, 2);
    EXPECT_EQ(h.globals.EditAlias, "工作号");  // closed by its title bar: the target stays
    EXPECT_EQ(DialogWindow::OpenWindow(IDD_QQ_ADD), nullptr);
}

TEST(AddCommand, OpensTheEditorInAddModeWhateverWasEditedBefore) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    h.globals.EditAlias = "小明";
    g_seen = {};
    SetTimer(nullptr, 0, 50, LookAndClose);
    h.Command(IDM_MMADD);
    EXPECT_TRUE(g_seen.open);
    EXPECT_EQ(g_seen.caption, L"添加QQ号码");
    EXPECT_EQ(g_seen.number, L"");
}

TEST(DeleteCommand, RefusesWithoutExactlyOneSelectedRowAndOnCancel) {
    struct Case {
        const char* name;
        std::vector<int> selected;
        int answer;
        std::vector<std::string> messages;
    } cases[] = {
        {"none selected", {}, kIdOk, {"您还没有选择"}},
        {"two selected", {0, 1}, kIdOk, {"您还没有选择"}},
        {"cancelled", {1}, kIdCancel, {"确定要继续吗"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h(ThreeAccounts());
        ASSERT_TRUE(h.Load());
        AllowSeveralSelected(h.List());
        for (int row : c.selected) ListViewSetSelected(h.List(), row, true);
        h.fakes.messages.answers = {c.answer};
        h.Command(IDM_MMDEL);
        EXPECT_EQ(Texts(h), c.messages);
        EXPECT_EQ(ListViewRowCount(h.List()), 3);
        EXPECT_EQ(StoredNames(h.DbPath()).size(), 3u);
    }
}

TEST(DeleteCommand, AsksThenRemovesTheSelectedAccountOnlyNeverTheTickedOnes) {
    QQFormHarness h(ThreeAccounts());
    ASSERT_TRUE(h.Load());
    ListViewSetSelected(h.List(), 1, true);
    h.Command(IDM_MENUR_DEL);
    ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
    EXPECT_EQ(h.fakes.messages.shown[0].text, "确定要继续吗");
    EXPECT_EQ(h.fakes.messages.shown[0].title, "警告");
    EXPECT_EQ(h.fakes.messages.shown[0].style, kMbOkCancel | kMbIconQuestion);
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"小明", L"Alice"}));
    EXPECT_TRUE(ListViewIsChecked(h.List(), 0));
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"小明", "Alice"}));
}

TEST(DeleteCommand, TheLastAccountLeavesAnEmptyListAndDisablesTheAccountCommands) {
    QQFormHarness h({InsertAccount("O''Neil", "10001", "1", "1", "x")});
    ASSERT_TRUE(h.Load());
    ListViewSetSelected(h.List(), 0, true);
    h.Command(IDM_MMDEL);
    EXPECT_EQ(ListViewRowCount(h.List()), 0);
    EXPECT_TRUE(StoredNames(h.DbPath()).empty());
    EXPECT_FALSE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    EXPECT_FALSE(h.MenuEnabled(IDM_MMDEL));
}

// A file written elsewhere can give two accounts one alias; the delete takes both, and the list
// must not keep showing the one that is gone.
TEST(DeleteCommand, AnAliasSharedInTheFileLeavesTheListWithEveryAccountItDeleted) {
    QQFormHarness h({InsertAccount("同名", "10001", "1", "1", "x"), InsertAccount("别的", "10002", "1", "1", "x"),
                     InsertAccount("同名", "10003", "1", "1", "x")});
    ASSERT_TRUE(h.Load());
    ListViewSetSelected(h.List(), 0, true);
    h.Command(IDM_MMDEL);
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"别的"}));
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"别的"}));
}

// An account Access stored under a number this engine cannot key in the file's Chinese sort order:
// the engine refuses the delete, so the row stays in the list and the user is told.
TEST(DeleteCommand, ARefusedDeleteKeepsTheRowAndSaysSo) {
    QQFormHarness h({InsertAccount("小明", "10001", "1", "1", "x"), InsertAccount("旧号", "1\xC3\xA9", "1", "1", "x")});
    ASSERT_TRUE(RelabelTable(h.DbPath(), "zk_auto_qqlist", 2052));
    ASSERT_TRUE(h.Load());
    ListViewSetSelected(h.List(), 1, true);
    h.Command(IDM_MMDEL);
    ASSERT_EQ(h.fakes.messages.shown.size(), 2u);
    EXPECT_EQ(h.fakes.messages.shown[1].text, "无法写入配置文件，账号没有删除");
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"小明", L"旧号"}));
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"小明", "旧号"}));
    ListViewSetSelected(h.List(), 1, false);
    ListViewSetSelected(h.List(), 0, true);
    h.Command(IDM_MMDEL);
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"旧号"}));
}

TEST(ImportCommand, ShowsTheFormatHintAndTheFileDialogAndStopsWhenCancelledOrTheNameIsShort) {
    struct Case {
        const char* name;
        std::optional<std::string> answer;
    } cases[] = {{"cancelled", std::nullopt}, {"seven characters", "c:\\a.tx"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h(ThreeAccounts());
        ASSERT_TRUE(h.Load());
        h.fakes.fileDialogs.answer = c.answer;
        h.Command(IDM_MMLISTI);
        ASSERT_EQ(h.fakes.messages.shown.size(), 1u);
        EXPECT_EQ(h.fakes.messages.shown[0].text, "确保文件格式为 \r号码[空格]密码 \r比如：111 aaa");
        EXPECT_EQ(h.fakes.messages.shown[0].title, "提示");
        EXPECT_EQ(h.fakes.messages.shown[0].style, kMbOk | kMbIconExclamation);
        ASSERT_EQ(h.fakes.fileDialogs.titles.size(), 1u);
        EXPECT_EQ(h.fakes.fileDialogs.titles[0], "选择要导入的列表文件");
        EXPECT_EQ(h.fakes.fileDialogs.filters[0], "TXT files(*.txt)|*.txt|All files(*.*)|*.*");
        EXPECT_EQ(ListViewRowCount(h.List()), 3);
    }
}

TEST(ImportCommand, SampleFilesReportWhatCameIn) {
    struct Case {
        const char* name;
        std::string file;
        const char* report;
        std::vector<std::wstring> rows;
    } cases[] = {
        {"one new of three lines",
         "111 aaa\r\n111 bbb\r\n12a 999\r\n",
         "成功导入1条数据",
         {L"小明", L"工作号", L"Alice", L"111"}},
        {"all stored already", "10001 a\r\n10002 b\r\n", "没有数据导入", {L"小明", L"工作号", L"Alice"}},
        {"UTF-16 with Chinese",
         std::string("\xFF\xFE"
                     "7\0"
                     "7\0"
                     " \0"
                     "\xC6\x5B"
                     "\x01\x78",
                     12),
         "成功导入1条数据",
         {L"小明", L"工作号", L"Alice", L"77"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QQFormHarness h(ThreeAccounts());
        ASSERT_TRUE(h.Load());
        WriteList(h, c.file);
        h.Command(IDM_MMLISTI);
        ASSERT_EQ(h.fakes.messages.shown.size(), 2u);
        EXPECT_EQ(h.fakes.messages.shown[1].text, c.report);
        EXPECT_EQ(h.fakes.messages.shown[1].title, "提示");
        EXPECT_EQ(h.fakes.messages.shown[1].style, kMbOk);
        EXPECT_EQ(ListRows(h.List()), c.rows);
    }
}

TEST(ImportCommand, ImportedRowsAreTickedInvisibleAtTheEndAndEnableTheCommands) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    ASSERT_FALSE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    WriteList(h,
              "\xEF\xBB\xBF"
              "30001 密码\n30002 abc");
    h.Command(IDM_MMLISTI);
    EXPECT_EQ(h.fakes.messages.shown.back().text, "成功导入2条数据");
    HWND list = h.List();
    ASSERT_EQ(ListViewRowCount(list), 2);
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(ListViewIsChecked(list, row));
        EXPECT_FALSE(ListViewIsSelected(list, row));
        EXPECT_EQ(ListViewGetImage(list, row), kImageInvisible);
        EXPECT_EQ(ListViewGetText(list, row, 1), L"2026-12-07 9:07:03");
    }
    EXPECT_EQ(StoredAccount(h.DbPath(), "30001"),
              (std::vector<std::string>{"30001", "1", "0", "2026-12-07 9:07:03", PwdHash("密码")}));
    EXPECT_EQ(StoredAccount(h.DbPath(), "30002")[4], "kAFQmDzST7DWlj99KOF/cg");
    EXPECT_TRUE(IsWindowEnabled(h.Item(IDC_QQ_FORM_CMD_LOGIN)));
    EXPECT_TRUE(h.MenuEnabled(IDM_MMED));
}

TEST(ImportCommand, ANumberThatIsAnotherAccountsAliasIsSkipped) {
    QQFormHarness h({InsertAccount("40001", "99999", "1", "1", "x")});
    ASSERT_TRUE(h.Load());
    WriteList(h, "40001 a\r\n40002 b\r\n");
    h.Command(IDM_MMLISTI);
    EXPECT_EQ(h.fakes.messages.shown.back().text, "成功导入1条数据");
    EXPECT_EQ(ListRows(h.List()), (std::vector<std::wstring>{L"40001", L"40002"}));
    EXPECT_EQ(StoredNames(h.DbPath()), (std::vector<std::string>{"40001", "40002"}));
}

namespace {

// The import asks for the time once per line it takes in: look at the cursor then.
class CursorClock : public FakeClock {
  public:
    LocalTime Now() override {
        waitCursor.push_back(GetCursor() == LoadCursorW(nullptr, IDC_WAIT));
        return FakeClock::Now();
    }
    std::vector<bool> waitCursor;
};

}  // namespace

TEST(ImportCommand, TheBusyCursorIsUpWhileLinesComeIn) {
    QQFormHarness h;
    ASSERT_TRUE(h.Load());
    CursorClock clock;
    h.fakes.services.clock = &clock;
    WriteList(h, "50001 a\r\n50002 b\r\n");
    h.Command(IDM_MMLISTI);
    EXPECT_EQ(clock.waitCursor, (std::vector<bool>{true, true}));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
}
