// The end of an update check over the real main window with fake services: what each version file
// and source tell the user, declining, and accepting (the updater written, started, the program ended).
#include "update/update_check.h"

#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/win/qq_form_harness.h"
#include "tests/win/test_signing.h"
#include "update/trusted_key.h"
#include "win/files.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

constexpr char kOffer[] = "发现新版本，是否立即更新";
constexpr char kNetworkError[] = "网络错误";
constexpr char kNoUpdate[] = "没有可用更新";

// Records each start together with the bytes of the started file at that moment: the main window's
// closing deletes update.exe afterwards (only a running updater's file survives that).
class StartRecorder : public Processes {
  public:
    bool Start(const std::string& application, const std::string& commandLine) override {
        applications.push_back(application);
        commandLines.push_back(commandLine);
        bytesAtStart.push_back(ReadFileBytes(ToWide(application)));
        return true;
    }
    std::vector<std::string> applications;
    std::vector<std::string> commandLines;
    std::vector<std::string> bytesAtStart;
};

// How the version file's signature beside it was made.
enum class Signed { kGood, kNone, kByAnotherKey, kChangedAfter };

// The test program carries fake_updater.bin as its "UPEXE" 125.
std::string ResourceFileBytes() {
    auto bytes = LoadResBytes(L"UPEXE", IDR_UPDATER_EXE);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()) : std::string();
}

class UpdateCheckTest : public testing::Test {
  protected:
    UpdateCheckTest() {
        h.fakes.services.processes = &starts;
        h.globals.VersionFile = h.folder.PathUtf8() + "\\Kestrin.txt";
    }

    // Finishes a check of `source` whose downloads stored `versionFile` (nullopt: nothing stored)
    // and its signature.
    void FinishCheck(int16_t source, const std::optional<std::string>& versionFile, Signed how = Signed::kGood) {
        const std::wstring path = ToWide(h.globals.VersionFile);
        DeleteFileW(path.c_str());
        DeleteFileW((path + L".sig").c_str());
        if (versionFile) {
            ASSERT_TRUE(WriteFileBytes(path, *versionFile));
            if (how == Signed::kGood) {
                ASSERT_TRUE(WriteSignedFile(path, *versionFile, "Kestrin.txt"));
            }
            if (how == Signed::kByAnotherKey) {
                ASSERT_TRUE(WriteSignedFile(path, *versionFile, "Kestrin.txt", UntrustedKey()));
            }
            if (how == Signed::kChangedAfter) {
                ASSERT_TRUE(WriteFileBytes(path + L".sig", SignatureOf(*versionFile + " ", "Kestrin.txt")));
            }
        }
        h.form->StartUpdateCheck(source, 4);
        h.Download()->events->Completed(static_cast<int32_t>(versionFile ? versionFile->size() + 1 : 1));
        h.Download()->events->Completed(100);  // the signature
        PumpMessages();
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const ShownMessage& m : h.fakes.messages.shown) texts.push_back(m.text);
        return texts;
    }

    QQFormHarness h;
    StartRecorder starts;
};

}  // namespace

TEST_F(UpdateCheckTest, EachVersionFileAndSourceGivesItsMessage) {
    struct Case {
        const char* name;
        std::optional<std::string> versionFile;
        int16_t source;
        std::vector<std::string> shown;
        const char* newest;
        Signed how = Signed::kGood;
    };
    const Case cases[] = {
        {"newer, automatic", "V1.5\r\nnotes\r\n", 0, {kOffer}, "V1.5"},
        {"newer, menu", "V1.5\r\n", 1, {kOffer}, "V1.5"},
        {"older is offered too", "V1.3\r\n", 2, {kOffer}, "V1.3"},
        {"other letter case", "v1.4\r\n", 0, {kOffer}, "v1.4"},
        {"same, automatic", "V1.4\r\n", 0, {}, "V1.4"},
        {"same, menu", "V1.4\r\nnotes", 1, {kNoUpdate}, "V1.4"},
        {"same, settings dialog", "V1.4", 2, {kNoUpdate}, "V1.4"},
        {"empty first line, automatic", "\r\nV1.5\r\n", 0, {}, ""},
        {"empty first line, menu", "\r\nV1.5\r\n", 1, {kNetworkError}, ""},
        {"missing file, automatic", std::nullopt, 0, {}, "V1.4"},
        {"missing file, settings dialog", std::nullopt, 2, {kNetworkError}, "V1.4"},
        {"unsigned, automatic", "V1.5\r\n", 0, {}, "V1.4", Signed::kNone},
        {"unsigned, menu", "V1.5\r\n", 1, {kNetworkError}, "V1.4", Signed::kNone},
        {"signed by another key, automatic", "V1.5\r\n", 0, {}, "V1.4", Signed::kByAnotherKey},
        {"signed by another key, settings dialog", "V1.5\r\n", 2, {kNetworkError}, "V1.4", Signed::kByAnotherKey},
        {"changed after signing, menu", "V1.5\r\n", 1, {kNetworkError}, "V1.4", Signed::kChangedAfter},
    };
    ASSERT_TRUE(h.Load());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        h.fakes.messages.shown.clear();
        h.fakes.messages.answers = {kIdCancel};
        h.globals.NewestVersion = "V1.4";
        FinishCheck(c.source, c.versionFile, c.how);
        EXPECT_EQ(Shown(), c.shown);
        EXPECT_EQ(h.globals.NewestVersion, c.newest);
    }
    EXPECT_TRUE(starts.applications.empty());
    EXPECT_TRUE(h.fakes.end.exitCodes.empty());
}

TEST_F(UpdateCheckTest, MessagesCarryTheirTitlesButtonsAndIcons) {
    ASSERT_TRUE(h.Load());
    h.fakes.messages.answers = {kIdCancel};
    FinishCheck(0, "V1.5\r\n");
    FinishCheck(1, "V1.4\r\n");
    FinishCheck(1, std::nullopt);
    const auto& shown = h.fakes.messages.shown;
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, "Kestrin V1.4");
    EXPECT_EQ(shown[0].style, kMbOkCancel | kMbIconQuestion);
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(shown[i].title, "提示");
        EXPECT_EQ(shown[i].style, kMbOk);
    }
}

TEST_F(UpdateCheckTest, TheSignatureIsFetchedAfterTheVersionFileWithinTheSameTimeOut) {
    ASSERT_TRUE(h.Load());
    h.globals.VersionUrl = "http://127.0.0.1:8123/x?/tools/kestrin/Kestrin.txt";
    ASSERT_TRUE(WriteSignedFile(ToWide(h.globals.VersionFile), "V1.4\r\n", "Kestrin.txt"));
    h.form->StartUpdateCheck(1, 4);
    EXPECT_EQ(h.Download()->fileName, "Kestrin.txt");  // from the path, never from the address
    h.Download()->events->Completed(6);
    EXPECT_EQ(h.Download()->started.back(), h.globals.VersionUrl + ".sig");
    EXPECT_EQ(h.Download()->fileName, "Kestrin.txt.sig");
    EXPECT_EQ(h.Download()->folder, h.folder.PathUtf8());
    EXPECT_TRUE(h.fakes.messages.shown.empty());
    for (int tick = 1; tick <= 3; ++tick) SendMessageW(h.Hwnd(), WM_TIMER, 1, 0);
    EXPECT_TRUE(h.fakes.messages.shown.empty());
    h.Download()->events->Completed(100);
    EXPECT_EQ(Shown(), std::vector<std::string>{kNoUpdate});
}

TEST_F(UpdateCheckTest, AVersionFileReplacedAfterItsCheckChangesNothingHandedOver) {
    ASSERT_TRUE(h.Load());
    const std::wstring path = ToWide(h.globals.VersionFile);
    // Another signed answer (an older one, say) put in place while the offer is open.
    h.fakes.messages.whileShown = [&] { ASSERT_TRUE(WriteSignedFile(path, "V1.6\r\nother\r\n", "Kestrin.txt")); };
    h.fakes.messages.answers = {kIdOk};
    FinishCheck(1, "V1.5\r\nnotes\r\n");
    EXPECT_EQ(h.globals.NewestVersion, "V1.5");
    const std::wstring handed = h.folder.File(L"update.txt");
    EXPECT_EQ(ReadFileBytes(handed), "V1.5\r\nnotes\r\n");
    EXPECT_EQ(
        CheckSignedBytes(ReadFileBytes(handed + L".sig"), "Kestrin.txt", "V1.5\r\nnotes\r\n", TrustedUpdateKeys()),
        SignatureCheck::kGood);
}

TEST_F(UpdateCheckTest, TheTimerEndsACheckWhoseDownloadNeverCompletes) {
    ASSERT_TRUE(h.Load());
    h.form->StartUpdateCheck(1, 4);
    h.Download()->events->Completed(0);  // a failed download: the timer goes on counting
    int stops = h.Download()->stops;
    for (int tick = 1; tick <= 3; ++tick) SendMessageW(h.Hwnd(), WM_TIMER, 1, 0);
    EXPECT_TRUE(h.fakes.messages.shown.empty());
    EXPECT_EQ(h.globals.UpdateCheckTicks, 1);
    SendMessageW(h.Hwnd(), WM_TIMER, 1, 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{kNetworkError});
    EXPECT_GT(h.Download()->stops, stops);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 0);
}

TEST_F(UpdateCheckTest, AStartWhileACheckRunsRestartsItWithTheNewSourceAndTicks) {
    ASSERT_TRUE(h.Load());
    h.form->StartUpdateCheck(0, 5);
    int starts = h.Download()->starts;
    h.form->StartUpdateCheck(2, 4);
    EXPECT_EQ(h.Download()->starts, starts + 1);
    EXPECT_EQ(h.globals.UpdateCheckSource, 2);
    EXPECT_EQ(h.globals.UpdateCheckTicks, 4);
    for (int tick = 1; tick <= 4; ++tick) SendMessageW(h.Hwnd(), WM_TIMER, 1, 0);
    EXPECT_EQ(Shown(), std::vector<std::string>{kNetworkError});  // reported as the dialog's check
}

TEST_F(UpdateCheckTest, DecliningChangesNothingAndTheCheckCanBeRepeated) {
    ASSERT_TRUE(h.Load());
    h.fakes.messages.answers = {kIdCancel, kIdCancel};
    FinishCheck(1, "V1.5\r\n");
    FinishCheck(1, "V1.5\r\n");
    EXPECT_EQ(Shown(), (std::vector<std::string>{kOffer, kOffer}));
    EXPECT_TRUE(starts.applications.empty());
    EXPECT_TRUE(h.fakes.end.exitCodes.empty());
    EXPECT_TRUE(IsWindow(h.Hwnd()));
    EXPECT_FALSE(FileExists(ToWide(h.globals.UpdaterPath)));
}

TEST_F(UpdateCheckTest, AcceptingWritesTheUpdaterStartsItExactlyAndEndsTheProgram) {
    ASSERT_TRUE(h.Load());
    h.fakes.clock.sleeps.clear();
    h.fakes.messages.answers = {kIdOk};
    FinishCheck(0, "V1.5\r\n");
    const std::string updater = h.globals.UpdaterPath;
    EXPECT_EQ(starts.applications, std::vector<std::string>{updater});
    EXPECT_EQ(starts.commandLines, std::vector<std::string>{"\"" + updater + "\""});
    ASSERT_EQ(starts.bytesAtStart.size(), 1u);
    EXPECT_EQ(starts.bytesAtStart[0], ResourceFileBytes());
    EXPECT_FALSE(ResourceFileBytes().empty());
    EXPECT_EQ(h.fakes.clock.sleeps, std::vector<int>{100});
    EXPECT_EQ(h.fakes.end.exitCodes, std::vector<int>{0});
    EXPECT_EQ(h.form->Hwnd(), nullptr);  // unloaded through its closing handlers
}

TEST_F(UpdateCheckTest, AFailedStartStillEndsTheProgramWithoutAMessage) {
    ASSERT_TRUE(h.Load());
    // A folder where update.exe should be: the resource cannot be written there.
    ASSERT_TRUE(CreateDirectoryW(ToWide(h.globals.UpdaterPath).c_str(), nullptr));
    h.fakes.messages.answers = {kIdOk};
    FinishCheck(1, "V1.5\r\n");
    EXPECT_EQ(Shown(), std::vector<std::string>{kOffer});
    EXPECT_EQ(h.fakes.end.exitCodes, std::vector<int>{0});
    RemoveDirectoryW(ToWide(h.globals.UpdaterPath).c_str());
}
