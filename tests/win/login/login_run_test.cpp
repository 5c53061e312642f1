// The login run through the real main window: commands in; started programs, message boxes, the
// list's columns, the window's state and config.dat out.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>

#include "app/win32_services.h"
#include "resources/resource_ids.h"
#include "tests/win/qq_form_harness.h"
#include "win/listview.h"
#include "win/strings.h"

namespace {

constexpr char kQQPath[] = "C:\\Program Files\\Tencent QQ\\Bin\\QQ.exe";
constexpr char kNow[] = "2026-12-07 9:07:03";  // FakeClock's time
constexpr char kHashAbc[] = "kAFQmDzST7DWlj99KOF/cg";

// 小明 and Alice ticked (online and invisible), 工作号 not.
std::vector<std::string> ThreeAccounts() {
    return {InsertAccount("小明", "10001", "1", "1", "2026-12-01 8:00:00"),
            InsertAccount("工作号", "10002", "0", "1", "2026-12-02 8:00:00"),
            InsertAccount("Alice", "20003", "1", "0", "2026-12-03 8:00:00")};
}

std::string Line(const std::string& number, const std::string& code) {
    return std::string(kQQPath) + " /START QQUIN:" + number + " PWDHASH:" + kHashAbc + "== /STAT:" + code;
}

// A_activ and A_last of every account, in stored order.
std::vector<std::string> Stored(const QQFormHarness& h) {
    std::vector<std::string> out;
    for (const auto& row : QueryConfigDat(h.DbPath(), "select A_Name,A_activ,A_last from zk_auto_qqlist")) {
        out.push_back(row[0].Text() + "=" + std::to_string(row[1].Integer()) + "@" + row[2].Text());
    }
    return out;
}

// Records, with each start, whether cmd_login was enabled at that moment.
class ButtonWatchingProcesses : public Processes {
  public:
    bool Start(const std::string& application, const std::string& commandLine) override {
        buttonEnabledAtStart.push_back(IsWindowEnabled(button) != FALSE);
        return inner->Start(application, commandLine);
    }
    Processes* inner = nullptr;
    HWND button = nullptr;
    std::vector<bool> buttonEnabledAtStart;
};

// Closes every dialog of this thread but the main window as soon as it shows, first running `during`
// (for example a user who picks a QQ path in it); records their titles.
class DialogCloser {
  public:
    DialogCloser(HWND main, std::function<void()> during) {
        current = this;
        main_ = main;
        during_ = std::move(during);
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~DialogCloser() {
        KillTimer(nullptr, timer_);
        current = nullptr;
    }
    std::vector<std::wstring> closed;

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), CloseOne, 0); }
    static BOOL CALLBACK CloseOne(HWND window, LPARAM) {
        if (!current || window == current->main_ || !IsWindowVisible(window)) return TRUE;
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (std::wstring(className) != L"#32770") return TRUE;
        if (current->during_) current->during_();
        wchar_t title[128] = {};
        GetWindowTextW(window, title, 128);
        current->closed.push_back(title);
        PostMessageW(window, WM_CLOSE, 0, 0);
        return TRUE;
    }
    static inline DialogCloser* current = nullptr;
    HWND main_ = nullptr;
    std::function<void()> during_;
    UINT_PTR timer_ = 0;
};

class LoginRun : public testing::Test {
  protected:
    void Open(const std::vector<std::string>& statements) {
        h_ = std::make_unique<QQFormHarness>(statements);
        ASSERT_TRUE(h_->Load());
        h_->globals.QQPath = kQQPath;
    }
    std::vector<ShownMessage>& Shown() { return h_->fakes.messages.shown; }
    std::vector<std::string>& Started() { return h_->fakes.processes.started; }
    std::unique_ptr<QQFormHarness> h_;
};

void ExpectOneMessage(const std::vector<ShownMessage>& shown, const char* text, const char* title) {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, text);
    EXPECT_EQ(shown[0].title, title);
    EXPECT_EQ(shown[0].style, kMbOk);
}

}  // namespace

TEST_F(LoginRun, FirstAndThirdTickedStartTwoClientsStampBothAndMinimise) {
    Open(ThreeAccounts());
    ButtonWatchingProcesses watcher;
    watcher.inner = &h_->fakes.processes;
    watcher.button = h_->Item(IDC_QQ_FORM_CMD_LOGIN);
    h_->fakes.services.processes = &watcher;
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);

    EXPECT_EQ(Started(), (std::vector<std::string>{Line("10001", "41"), Line("20003", "40")}));
    EXPECT_EQ(h_->fakes.processes.applications, (std::vector<std::string>{kQQPath, kQQPath}));
    EXPECT_EQ(watcher.buttonEnabledAtStart, (std::vector<bool>{false, false}));
    EXPECT_TRUE(IsWindowEnabled(h_->Item(IDC_QQ_FORM_CMD_LOGIN)));
    EXPECT_TRUE(Shown().empty());
    HWND list = h_->List();
    EXPECT_EQ(ListViewGetText(list, 0, 1), ToWide(kNow));
    EXPECT_EQ(ListViewGetText(list, 1, 1), L"2026-12-02 8:00:00");
    EXPECT_EQ(ListViewGetText(list, 2, 1), ToWide(kNow));
    EXPECT_EQ(Stored(*h_), (std::vector<std::string>{std::string("小明=1@") + kNow, "工作号=0@2026-12-02 8:00:00",
                                                     std::string("Alice=1@") + kNow}));
    EXPECT_TRUE(IsIconic(h_->Hwnd()));
    EXPECT_TRUE(h_->form->TrayShown());
}

TEST_F(LoginRun, LoginMenuItemsRunTheButtonsHandler) {
    for (int command : {IDM_MMOPEN, IDM_MENUR_OPENA}) {
        SCOPED_TRACE(command);
        Open(ThreeAccounts());
        h_->Command(command);
        EXPECT_EQ(Started(), (std::vector<std::string>{Line("10001", "41"), Line("20003", "40")}));
        EXPECT_TRUE(IsIconic(h_->Hwnd()));
    }
}

TEST_F(LoginRun, TicksChangedInTheListDecideWhatStartsAndAreStored) {
    Open(ThreeAccounts());
    h_->SetTicked(0, false);
    h_->SetTicked(1, true);
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    EXPECT_EQ(Started(), (std::vector<std::string>{Line("10002", "41"), Line("20003", "40")}));
    EXPECT_EQ(Stored(*h_), (std::vector<std::string>{"小明=0@2026-12-01 8:00:00", std::string("工作号=1@") + kNow,
                                                     std::string("Alice=1@") + kNow}));
}

TEST_F(LoginRun, EmptyListOnlySaysSoAndLeavesTheButtonAlone) {
    Open({});
    bool enabledBefore = IsWindowEnabled(h_->Item(IDC_QQ_FORM_CMD_LOGIN)) != FALSE;
    h_->Command(IDM_MMOPEN);
    ExpectOneMessage(Shown(), "还没有添加QQ号码", "提示");
    EXPECT_TRUE(Started().empty());
    EXPECT_EQ(IsWindowEnabled(h_->Item(IDC_QQ_FORM_CMD_LOGIN)) != FALSE, enabledBefore);
    EXPECT_FALSE(IsIconic(h_->Hwnd()));
}

TEST_F(LoginRun, EmptyPathOpensTheSettingsDialogAndStartsNothingEvenWhenAPathIsSetThere) {
    Open(ThreeAccounts());
    h_->globals.QQPath.clear();
    DialogCloser closer(h_->Hwnd(), [this] { h_->globals.QQPath = kQQPath; });
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    ExpectOneMessage(Shown(), "请指定QQ路径", "提示");
    EXPECT_EQ(closer.closed.size(), 1u);
    EXPECT_TRUE(Started().empty());
    EXPECT_EQ(Stored(*h_)[0], "小明=1@2026-12-01 8:00:00");
    EXPECT_FALSE(IsIconic(h_->Hwnd()));
    h_->fakes.messages.shown.clear();
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);  // the next click logs in with the path now set
    EXPECT_EQ(Started().size(), 2u);
}

TEST_F(LoginRun, NoTickedRowStoresAllInactiveAsksForOneAndStaysOpen) {
    Open(ThreeAccounts());
    for (int row = 0; row < 3; ++row) h_->SetTicked(row, false);
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    ExpectOneMessage(Shown(), "至少选择一个QQ号码", "提示");
    EXPECT_TRUE(Started().empty());
    for (const std::string& stored : Stored(*h_)) EXPECT_NE(stored.find("=0@"), std::string::npos) << stored;
    EXPECT_FALSE(IsIconic(h_->Hwnd()));
    EXPECT_TRUE(IsWindowEnabled(h_->Item(IDC_QQ_FORM_CMD_LOGIN)));
}

TEST_F(LoginRun, ExitAfterLoginEndsTheProgramThroughTheQuitPath) {
    Open(ThreeAccounts());
    h_->globals.ExitAfterLogin = 1;
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    EXPECT_EQ(Started().size(), 2u);
    EXPECT_EQ(h_->fakes.end.exitCodes, (std::vector<int>{0}));
    EXPECT_FALSE(IsWindow(h_->Hwnd()));
}

TEST_F(LoginRun, SelectedUntickedRowStartsAloneAndKeepsItsTickAndTheWindow) {
    Open(ThreeAccounts());
    ListViewSetSelected(h_->List(), 1, true);
    h_->Command(IDM_MENUR_OPENO);
    EXPECT_EQ(Started(), (std::vector<std::string>{Line("10002", "41")}));
    EXPECT_FALSE(ListViewIsChecked(h_->List(), 1));
    EXPECT_EQ(ListViewGetText(h_->List(), 1, 1), ToWide(kNow));
    EXPECT_EQ(Stored(*h_), (std::vector<std::string>{"小明=1@2026-12-01 8:00:00", std::string("工作号=1@") + kNow,
                                                     "Alice=1@2026-12-03 8:00:00"}));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(IsIconic(h_->Hwnd()));
}

TEST_F(LoginRun, SelectedLoginWithoutASelectionSaysSo) {
    Open(ThreeAccounts());
    h_->Command(IDM_MENUR_OPENO);
    ExpectOneMessage(Shown(), "您还没有选择号码", "提示");
    EXPECT_TRUE(Started().empty());
}

TEST_F(LoginRun, PathThatIsNoProgramStampsTheFirstRowReportsAndLeavesTheRestUntouched) {
    Open(ThreeAccounts());
    h_->fakes.processes.startSucceeds = false;
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    ExpectOneMessage(Shown(), "程序异常错误", "Kestrin");
    EXPECT_EQ(Started().size(), 1u);
    EXPECT_EQ(ListViewGetText(h_->List(), 0, 1), ToWide(kNow));
    EXPECT_EQ(ListViewGetText(h_->List(), 2, 1), L"2026-12-03 8:00:00");
    EXPECT_EQ(Stored(*h_), (std::vector<std::string>{std::string("小明=1@") + kNow, "工作号=0@2026-12-02 8:00:00",
                                                     "Alice=1@2026-12-03 8:00:00"}));
    EXPECT_TRUE(IsWindowEnabled(h_->Item(IDC_QQ_FORM_CMD_LOGIN)));
    EXPECT_FALSE(IsIconic(h_->Hwnd()));
    EXPECT_TRUE(h_->fakes.end.exitCodes.empty());
}

// A config.dat edited in another program: 工作号's number carries a switch of its own.
TEST_F(LoginRun, TamperedNumberIsAFailureAndItsClientIsNotStarted) {
    Open({InsertAccount("小明", "10001", "1", "1", "2026-12-01 8:00:00"),
          InsertAccount("工作号", "1 /X", "1", "1", "2026-12-02 8:00:00"),
          InsertAccount("Alice", "20003", "1", "0", "2026-12-03 8:00:00")});
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    ExpectOneMessage(Shown(), "程序异常错误", "Kestrin");
    EXPECT_EQ(Started(), (std::vector<std::string>{Line("10001", "41")}));
    EXPECT_EQ(ListViewGetText(h_->List(), 2, 1), L"2026-12-03 8:00:00");
    EXPECT_TRUE(IsWindowEnabled(h_->Item(IDC_QQ_FORM_CMD_LOGIN)));
    EXPECT_FALSE(IsIconic(h_->Hwnd()));
}

// The program is exactly the stored path. Started from the command line alone, "...\QQ dir\QQ.exe"
// with a blank would be found as "...\QQ" + ".exe" first: a different program would log in.
TEST_F(LoginRun, MissingClientIsAFailureEvenWhenAShorterPrefixOfItsPathNamesAProgram) {
    Open(ThreeAccounts());
    std::wstring decoy = h_->folder.File(L"QQ.exe");
    ASSERT_TRUE(CopyFileW(ToWide(KESTRIN_BINARY_DIR "/qq_stub.exe").c_str(), decoy.c_str(), FALSE));
    Win32Processes real;
    h_->fakes.services.processes = &real;
    h_->globals.QQPath = h_->folder.PathUtf8() + "\\QQ dir\\QQ.exe";
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    ExpectOneMessage(Shown(), "程序异常错误", "Kestrin");
    Sleep(1000);  // a wrongly started decoy would have logged by now
    EXPECT_EQ(GetFileAttributesW(h_->folder.File(L"qq_stub.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A blank in the client's own name, so the test folder (which removes only files) cleans up; the
// end-to-end test covers folders with blanks.
TEST_F(LoginRun, RealClientWithBlanksInItsPathGetsTheExactCommandLine) {
    Open({InsertAccount("小明", "10001", "1", "0", "2026-12-01 8:00:00")});
    std::wstring client = h_->folder.File(L"QQ 客户端.exe");
    ASSERT_TRUE(CopyFileW(ToWide(KESTRIN_BINARY_DIR "/qq_stub.exe").c_str(), client.c_str(), FALSE));
    Win32Processes real;
    h_->fakes.services.processes = &real;
    h_->globals.QQPath = ToUtf8(client);
    h_->Click(IDC_QQ_FORM_CMD_LOGIN);
    EXPECT_TRUE(Shown().empty());
    std::string logged;
    for (int i = 0; i < 100 && (logged.empty() || logged.back() != '\n'); ++i, Sleep(100))
        logged = ReadFileBytes(h_->folder.File(L"qq_stub.log"));
    EXPECT_EQ(logged, h_->globals.QQPath + " /START QQUIN:10001 PWDHASH:" + kHashAbc + "== /STAT:40\n");
}
