// up_form driven with messages over fake services: the list, the download's events, OK, Cancel and
// the frame's close, and the single instance.
#include "updater/up_form.h"

#include <gtest/gtest.h>

#include "resources/update_ids.h"
#include "tests/win/fake_services.h"
#include "tests/win/test_folder.h"
#include "tests/win/test_signing.h"
#include "update/version_file.h"
#include "updater/updater_services.h"
#include "win/dialog.h"
#include "win/files.h"
#include "win/strings.h"

namespace {

constexpr char kSite[] = "http://127.0.0.1:8123";
constexpr char kProgramName[] = "更新程序.exe";
constexpr char kProgramBytes[] = "MZ the new program";
constexpr char kConnecting[] = "> 正在建立远程连接...";
constexpr char kRefused[] = "> 更新已取消，下载的文件已删除";

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

    std::string VersionFile() const { return folder.PathUtf8() + "\\update.txt"; }
    std::wstring ProgramPath() const { return folder.Path() + L"\\更新程序.exe"; }

    // A signed version file handed over, then the window loaded.
    bool Load() {
        if (!FileExists(ToWide(VersionFile()))) {
            EXPECT_TRUE(WriteSignedFile(ToWide(VersionFile()), "V1.5\r\n", "Kestrin.txt"));
        }
        return LoadAsItIs();
    }
    bool LoadAsItIs() {
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
    // The signature's transfer completes (its file is whatever the folder holds), then the program's.
    void SignatureArrives() { Events().Completed(100); }
    void ProgramArrives(int32_t size = 1000) { Events().Completed(size); }
    // A good program and signature in the folder, both transfers complete.
    void GoodDownload() {
        ASSERT_TRUE(WriteSignedFile(ProgramPath(), kProgramBytes, kProgramName));
        SignatureArrives();
        ProgramArrives();
    }

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
    const std::vector<std::string> unsigned_ = {"> 错误 - 版本信息没有有效的签名", kRefused};
    const std::string big(kMaxVersionFileBytes + 1, 'x');
    const Case cases[] = {
        {"one line", "V1.5\r\n", {"Kestrin最新版本： V1.5", "更新信息：", "", kConnecting}},
        {"notes in the ANSI code page, lone CR",
         "V1.5\r\xb0\xe6\xb1\xbe\r\n  b",
         {"Kestrin最新版本： V1.5", "更新信息：", "版本", "  b", "", kConnecting}},
        {"no version file", std::nullopt, unsigned_},
        {"a version file above the size limit is not read", big, unsigned_},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(ToWide(VersionFile()).c_str());
        if (c.versionFile) {
            ASSERT_TRUE(WriteSignedFile(ToWide(VersionFile()), *c.versionFile, "Kestrin.txt"));
        }
        ASSERT_TRUE(LoadAsItIs());
        EXPECT_EQ(ListLines(Hwnd()), c.lines);
        form.reset();
    }
}

// Whatever Kestrin handed over is shown only as its signature allows; otherwise nothing is fetched.
TEST_F(UpFormTest, AVersionFileThatDoesNotVerifyFetchesNothing) {
    const std::wstring path = ToWide(VersionFile());
    struct Case {
        const char* name;
        std::string signature;
    } cases[] = {
        {"unsigned", ""},
        {"signed by another key", SignatureOf("V1.5\r\n", "Kestrin.txt", UntrustedKey())},
        {"changed after signing", SignatureOf("V1.6\r\n", "Kestrin.txt")},
        {"a signature of the program", SignatureOf("V1.5\r\n", kProgramName)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileBytes(path, "V1.5\r\n"));
        ASSERT_TRUE(WriteFileBytes(path + L".sig", c.signature));
        ASSERT_TRUE(LoadAsItIs());
        EXPECT_EQ(ListLines(Hwnd()), (std::vector<std::string>{"> 错误 - 版本信息没有有效的签名", kRefused}));
        EXPECT_TRUE(fakes.downloads.created.empty());
        EXPECT_FALSE(Command1Enabled());
        Click(IDC_UP_FORM_COMMAND2);
        EXPECT_EQ(fakes.processes.applications, std::vector<std::string>{Program("Kestrin.exe")});
        fakes.processes.applications.clear();
        form.reset();
    }
}

TEST_F(UpFormTest, ALongReleaseNoteCanBeScrolledToItsEnd) {
    ASSERT_TRUE(WriteSignedFile(ToWide(VersionFile()), "V1.5\r\n" + std::string(300, 'w') + "\r\n", "Kestrin.txt"));
    ASSERT_TRUE(Load());
    HWND list = GetDlgItem(Hwnd(), IDC_UP_FORM_LSTOUT);
    RECT client{};
    GetClientRect(list, &client);
    EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), client.right);
}

TEST_F(UpFormTest, LoadDownloadsTheSignatureThenTheNewProgramIntoItsOwnFolderWithOkDisabled) {
    ASSERT_TRUE(Load());
    EXPECT_EQ(ToUtf8(GetWindowString(Hwnd())), "版本更新");
    EXPECT_EQ(Download().started, std::vector<std::string>{std::string(kSite) + "/tools/kestrin/更新程序.exe.sig"});
    EXPECT_EQ(Download().fileName, "更新程序.exe.sig");
    EXPECT_EQ(Download().folder, folder.PathUtf8());
    SignatureArrives();
    EXPECT_EQ(Download().started.back(), std::string(kSite) + "/tools/kestrin/更新程序.exe");
    EXPECT_EQ(Download().fileName, "更新程序.exe");
    EXPECT_EQ(Download().folder, folder.PathUtf8());
    EXPECT_EQ(Download().starts, 2);
    EXPECT_FALSE(Command1Enabled());
    EXPECT_EQ(Command1Text(), "确定");
    EXPECT_EQ(ToUtf8(GetItemText(Hwnd(), IDC_UP_FORM_COMMAND2)), "取消");
    // Fixed size: no sizing frame and no maximise box.
    LONG style = GetWindowLongW(Hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

TEST_F(UpFormTest, EventsOfTheProgramsTransferAddTheirLogLines) {
    ASSERT_TRUE(Load());
    // The signature's transfer is quiet.
    Events().Connected("127.0.0.1");
    Events().SizeKnown(300);
    Events().TransferStarted();
    Events().Progress(0.5f, 150, 300);
    EXPECT_EQ(Command1Text(), "确定");
    SignatureArrives();
    Events().Connected("127.0.0.1");
    Events().SizeKnown(1572864);
    Events().TransferStarted();
    Events().SizeKnown(1023);
    std::vector<std::string> lines = ListLines(Hwnd());
    lines.erase(lines.begin(), lines.begin() + 3);  // the release notes
    std::vector<std::string> expected = {kConnecting, std::string("> 成功连接到 ") + kSite,
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
        {4, "> 错误 - 服务器没有给出文件大小"},  // a body without Content-Length
        {5, "> 错误 - 文件大小不符"},            // a truncated body, or one longer than stated
        {0, nullptr},
        {7, nullptr},
        {-1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_TRUE(Load());
        SignatureArrives();
        size_t before = ListLines(Hwnd()).size();
        Events().Failed(c.code, "detail");
        Events().Completed(0);
        std::vector<std::string> lines = ListLines(Hwnd());
        std::vector<std::string> added(lines.begin() + static_cast<ptrdiff_t>(before), lines.end());
        const std::vector<std::string> expected =
            c.line ? std::vector<std::string>{c.line, kRefused} : std::vector<std::string>{};
        EXPECT_EQ(added, expected);
        EXPECT_FALSE(Command1Enabled());
        form.reset();
    }
}

// Every doubt about the program: its line, then nothing started, the download deleted, OK disabled
// and Cancel starting Kestrin as after a failed download.
TEST_F(UpFormTest, AProgramThatDoesNotVerifyIsDeletedAndNeverStarted) {
    const std::string program = kProgramBytes;
    struct Case {
        const char* name;
        std::optional<std::string> signature;  // nullopt: the signature's transfer fails (404)
        std::string served;                    // the program as it arrived
        const char* line;
    } cases[] = {
        {"a tampered program", SignatureOf(program, kProgramName), program + "!", "> 错误 - 更新包与签名不符"},
        {"a truncated program", SignatureOf(program, kProgramName), program.substr(0, 5), "> 错误 - 更新包与签名不符"},
        {"a signature by another key", SignatureOf(program, kProgramName, UntrustedKey()), program,
         "> 错误 - 更新包的签名密钥不受信任"},
        {"a signature of another file", SignatureOf("V1.5\r\n", "Kestrin.txt"), program, "> 错误 - 签名不属于此更新包"},
        {"a signature that is not one", std::string("Kestrin signature 1\n"), program, "> 错误 - 更新包没有签名"},
        {"a missing signature", std::nullopt, program, "> 错误 - 更新包没有签名"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes.processes.applications.clear();
        ASSERT_TRUE(Load());
        if (c.signature) {
            ASSERT_TRUE(WriteFileBytes(ProgramPath() + L".sig", *c.signature));
            SignatureArrives();
            ASSERT_TRUE(WriteFileBytes(ProgramPath(), c.served));
            ProgramArrives(static_cast<int32_t>(c.served.size()));
        } else {
            Events().Failed(1, "HTTP 404");
            Events().Completed(0);
        }
        std::vector<std::string> lines = ListLines(Hwnd());
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], c.line);
        EXPECT_EQ(lines.back(), kRefused);
        EXPECT_FALSE(FileExists(ProgramPath()));
        EXPECT_FALSE(FileExists(ProgramPath() + L".sig"));
        EXPECT_FALSE(Command1Enabled());
        Send(WM_COMMAND, IDOK);
        EXPECT_TRUE(fakes.processes.applications.empty());
        Click(IDC_UP_FORM_COMMAND2);
        EXPECT_EQ(fakes.processes.applications, std::vector<std::string>{Program("Kestrin.exe")});
        form.reset();
    }
}

TEST_F(UpFormTest, TheVerifiedProgramCannotBeChangedUntilItIsStarted) {
    ASSERT_TRUE(Load());
    GoodDownload();
    ASSERT_TRUE(Command1Enabled());
    UniqueFile writer(CreateFileW(ProgramPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_FALSE(DeleteFileW(ProgramPath().c_str()));
    EXPECT_FALSE(MoveFileW(ProgramPath().c_str(), (ProgramPath() + L".moved").c_str()));
    Click(IDC_UP_FORM_COMMAND1);
    EXPECT_EQ(fakes.processes.applications, std::vector<std::string>{Program(kProgramName)});
    // Started, then let go.
    EXPECT_TRUE(DeleteFileW(ProgramPath().c_str()));
}

TEST_F(UpFormTest, ProgressShowsOnTheDisabledOkButtonUntilTheDownloadCompletes) {
    ASSERT_TRUE(Load());
    SignatureArrives();
    Events().Progress(0.456f, 456, 1000);
    EXPECT_EQ(Command1Text(), "46%");
    EXPECT_FALSE(Command1Enabled());
    Events().Completed(0);
    EXPECT_EQ(Command1Text(), "46%");
    EXPECT_FALSE(Command1Enabled());
    EXPECT_EQ(Download().stops, 1);

    ASSERT_TRUE(WriteSignedFile(ProgramPath(), kProgramBytes, kProgramName));
    ProgramArrives();
    EXPECT_EQ(Command1Text(), "确定");
    EXPECT_TRUE(Command1Enabled());
    EXPECT_EQ(Download().stops, 2);
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
        if (c.complete) GoodDownload();
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
    GoodDownload();
    Send(WM_CLOSE);
    EXPECT_EQ(Hwnd(), nullptr);
    EXPECT_TRUE(fakes.processes.applications.empty());
}

TEST_F(UpFormTest, ASecondUpdaterEndsSilentlyBeforeAnyWindowOrDownload) {
    fakes.instance.anotherCopy = true;
    EXPECT_FALSE(LoadAsItIs());
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
