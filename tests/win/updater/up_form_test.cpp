// up_form driven with messages over fake services: the list, the download's events, OK, Cancel and
// the frame's close, and the single instance.
#include "updater/up_form.h"

#include <gtest/gtest.h>

#include "resources/update_ids.h"
#include "tests/win/fake_services.h"
#include "tests/win/test_folder.h"
#include "update/version_file.h"
#include "updater/updater_services.h"
#include "win/dialog.h"
#include "win/strings.h"

namespace {

constexpr char kSite[] = "http://127.0.0.1:8123";

std::vector<std::string> ListLines(HWND form) {
    HWND list = GetDlgItem(form, IDC_UP_FORM_LSTOUT);
    std::vector<std::string> lines;
    int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        lines.push_back(ToUtf8(text.c_str()));
    }
    return lines;
}

class UpFormTest : public testing::Test {
  protected:
    UpFormTest() {
        services.processes = &fakes.processes;
        services.downloads = &fakes.downloads;
        services.instance = &fakes.instance;
        services.end = &fakes.end;
    }

    std::string VersionFile() const { return folder.PathUtf8() + "\\Kestrin.txt"; }

    bool Load() {
        form = std::make_unique<UpForm>(GetModuleHandleW(nullptr), services,
                                        UpFormSettings{kSite, folder.PathUtf8(), VersionFile()});
        bool loaded = form->Load();
        PumpMessages();
        return loaded;
    }
    HWND Hwnd() const { return form->Hwnd(); }
    FakeFetchwell& Download() const { return *fakes.downloads.created.back(); }
    FetchwellEvents& Events() const { return *Download().events; }
    std::string Command1Text() const { return ToUtf8(GetItemText(Hwnd(), IDC_UP_FORM_COMMAND1)); }
    bool Command1Enabled() const { return IsWindowEnabled(GetDlgItem(Hwnd(), IDC_UP_FORM_COMMAND1)) != FALSE; }
    void Send(UINT msg, WPARAM wParam = 0) {
        SendMessageW(Hwnd(), msg, wParam, 0);
        PumpMessages();
    }
    void Click(int id) {
        SendMessageW(GetDlgItem(Hwnd(), id), BM_CLICK, 0, 0);
        PumpMessages();
    }
    std::string Program(const char* name) const { return folder.PathUtf8() + "\\" + name; }

    TestFolder folder;
    FakeServices fakes;
    UpdaterServices services;
    std::unique_ptr<UpForm> form;
};

}  // namespace

TEST_F(UpFormTest, ListShowsTheReleaseNotesBeforeTheConnectingLogLine) {
    struct Case {
        const char* name;
        std::optional<std::string> versionFile;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"no version file", std::nullopt, {"> 正在建立远程连接..."}},
        {"one line", "V1.5\r\n", {"Kestrin最新版本： V1.5", "更新信息：", "", "> 正在建立远程连接..."}},
        {"notes in the ANSI code page, lone CR",
         "V1.5\r\xb0\xe6\xb1\xbe\r\n  b",
         {"Kestrin最新版本： V1.5", "更新信息：", "版本", "  b", "", "> 正在建立远程连接..."}},
        {"a version file above the size limit is not read",
         std::string(kMaxVersionFileBytes + 1, 'x'),
         {"> 正在建立远程连接..."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(ToWide(VersionFile()).c_str());
        if (c.versionFile) {
            ASSERT_TRUE(WriteFileBytes(ToWide(VersionFile()), *c.versionFile));
        }
        ASSERT_TRUE(Load());
        EXPECT_EQ(ListLines(Hwnd()), c.lines);
        form.reset();
    }
}

TEST_F(UpFormTest, ALongReleaseNoteCanBeScrolledToItsEnd) {
    ASSERT_TRUE(WriteFileBytes(ToWide(VersionFile()), "V1.5\r\n" + std::string(300, 'w') + "\r\n"));
    ASSERT_TRUE(Load());
    HWND list = GetDlgItem(Hwnd(), IDC_UP_FORM_LSTOUT);
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), client.right);
}

TEST_F(UpFormTest, LoadDownloadsTheNewProgramIntoItsOwnFolderWithOkDisabled) {
    ASSERT_TRUE(Load());
    EXPECT_EQ(ToUtf8(GetWindowString(Hwnd())), "版本更新");
    EXPECT_EQ(Download().url, std::string(kSite) + "/tools/kestrin/更新程序.exe");
    EXPECT_EQ(Download().folder, folder.PathUtf8());
    EXPECT_EQ(Download().starts, 1);
    EXPECT_FALSE(Command1Enabled());
    EXPECT_EQ(Command1Text(), "确定");
    EXPECT_EQ(ToUtf8(GetItemText(Hwnd(), IDC_UP_FORM_COMMAND2)), "取消");
    // Fixed size: no sizing frame and no maximise box.
    LONG style = GetWindowLongW(Hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

TEST_F(UpFormTest, EventsAddTheirLogLines) {
    ASSERT_TRUE(Load());
    Events().Connected("127.0.0.1");
    Events().SizeKnown(1572864);
    Events().TransferStarted();
    Events().SizeKnown(1023);
    std::vector<std::string> lines = ListLines(Hwnd());
    std::vector<std::string> expected = {"> 正在建立远程连接...", std::string("> 成功连接到 ") + kSite,
                                         "> 文件大小为1.5M (1572864 bytes)", "> 开始下载数据...",
                                         "> 文件大小为1023b (1023 bytes)"};
    EXPECT_EQ(lines, expected);
}

TEST_F(UpFormTest, EachFailureCodeLogsItsTextAndOkStaysDisabled) {
    struct Case {
        int32_t code;
        const char* line;  // nullptr: nothing is logged
    };
    const Case cases[] = {
        {1, "> 错误 - 不可下载文件"},
        {2, "> 错误 - 地址被重定向"},
        {3, "> 错误 - 没有返回数据"},
        {99, "> 错误 - 系统未知错误"},
        {0, nullptr},
        {4, nullptr},
        {-1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_TRUE(Load());
        Events().Failed(c.code, "detail");
        Events().Completed(0);
        std::vector<std::string> lines = ListLines(Hwnd());
        ASSERT_EQ(lines.size(), c.line ? 2u : 1u);
        if (c.line) {
            EXPECT_EQ(lines[1], c.line);
        }
        EXPECT_FALSE(Command1Enabled());
        form.reset();
    }
}

TEST_F(UpFormTest, ProgressShowsOnTheDisabledOkButtonUntilTheDownloadCompletes) {
    ASSERT_TRUE(Load());
    Events().Progress(0.456f, 456, 1000);
    EXPECT_EQ(Command1Text(), "46%");
    EXPECT_FALSE(Command1Enabled());
    Events().Completed(0);
    EXPECT_EQ(Command1Text(), "46%");
    EXPECT_FALSE(Command1Enabled());
    EXPECT_EQ(Download().stops, 0);

    Events().Completed(1000);
    EXPECT_EQ(Command1Text(), "确定");
    EXPECT_TRUE(Command1Enabled());
    EXPECT_EQ(Download().stops, 1);
    EXPECT_EQ(ListLines(Hwnd()).back(), "> 更新包下载完成...");
}

TEST_F(UpFormTest, OkBeforeTheDownloadCompletesStartsNothing) {
    ASSERT_TRUE(Load());
    Click(IDC_UP_FORM_COMMAND1);
    Send(WM_COMMAND, IDOK);  // Enter on the default button
    Send(WM_COMMAND, IDC_UP_FORM_COMMAND1);
    EXPECT_TRUE(fakes.processes.applications.empty());
    EXPECT_TRUE(fakes.end.exitCodes.empty());
    EXPECT_TRUE(IsWindow(Hwnd()));
}

TEST_F(UpFormTest, OkAndCancelEachStartTheirProgramFromTheUpdatersFolderAndEnd) {
    struct Case {
        const char* name;
        bool complete;
        UINT command;  // a click on the button, or the dialog's Enter/Esc command
        const char* program;
    };
    const Case cases[] = {
        {"OK clicked", true, IDC_UP_FORM_COMMAND1, "更新程序.exe"},
        {"Enter", true, IDOK, "更新程序.exe"},
        {"Cancel while downloading", false, IDC_UP_FORM_COMMAND2, "Kestrin.exe"},
        {"Cancel after completion", true, IDC_UP_FORM_COMMAND2, "Kestrin.exe"},
        {"Esc", false, IDCANCEL, "Kestrin.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes.processes.applications.clear();
        fakes.processes.started.clear();
        fakes.end.exitCodes.clear();
        ASSERT_TRUE(Load());
        if (c.complete) Events().Completed(1);
        int stopsBefore = Download().stops;
        if (c.command == IDOK || c.command == IDCANCEL) {
            Send(WM_COMMAND, c.command);
        } else {
            Click(static_cast<int>(c.command));
        }
        std::string program = Program(c.program);
        EXPECT_EQ(fakes.processes.applications, std::vector<std::string>{program});
        EXPECT_EQ(fakes.processes.started, std::vector<std::string>{"\"" + program + "\""});
        EXPECT_EQ(fakes.end.exitCodes, std::vector<int>{0});
        EXPECT_GT(Download().stops, stopsBefore);
        EXPECT_EQ(Hwnd(), nullptr);  // unloaded before the start
        form.reset();
    }
}

TEST_F(UpFormTest, ClosingByTheFrameStartsNothing) {
    ASSERT_TRUE(Load());
    Events().Completed(1);
    Send(WM_CLOSE);
    EXPECT_EQ(Hwnd(), nullptr);
    EXPECT_TRUE(fakes.processes.applications.empty());
}

TEST_F(UpFormTest, ASecondUpdaterEndsSilentlyBeforeAnyWindowOrDownload) {
    fakes.instance.anotherCopy = true;
    EXPECT_FALSE(Load());
    EXPECT_EQ(Hwnd(), nullptr);
    EXPECT_EQ(fakes.end.exitCodes, std::vector<int>{0});
    EXPECT_TRUE(fakes.downloads.created.empty());
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST(UpdaterInstanceGuard, TheSecondGuardOfASessionSeesTheFirst) {
    UpdaterInstanceGuard first;
    UpdaterInstanceGuard second;
    EXPECT_FALSE(first.AnotherCopyRunning());
    EXPECT_FALSE(first.AnotherCopyRunning());  // asking again does not find itself
    EXPECT_TRUE(second.AnotherCopyRunning());
}
