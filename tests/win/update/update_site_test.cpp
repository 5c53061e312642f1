// Whole update checks against a local site (tests/http_test_server.py, started by
// with_http_server.sh): the real download control, the real Timer1, the version file the site
// serves. Skipped when no site runs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "tests/win/qq_form_harness.h"
#include "tests/win/test_signing.h"
#include "update/winhttp_fetchwell.h"
#include "win/strings.h"

namespace {

constexpr char kOffer[] = "发现新版本，是否立即更新";
constexpr char kNetworkError[] = "网络错误";
constexpr char kNoUpdate[] = "没有可用更新";

class RealDownloads : public DownloadFactory {
  public:
    std::unique_ptr<Fetchwell> Create() override { return std::make_unique<WinHttpFetchwell>(); }
};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Runs the thread's messages (download events, Timer1) until the running check has ended.
bool WaitForCheckEnd(const GlobalSettings& globals, int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (globals.UpdateCheckTicks > 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

}  // namespace

TEST(UpdateSite, AutomaticAndUserChecksAgainstTheSite) {
    const std::string port = Environment("KESTRIN_TEST_HTTP_PORT");
    const std::string siteFolder = Environment("KESTRIN_TEST_HTTP_ROOT_WIN");
    if (port.empty() || siteFolder.empty()) GTEST_SKIP() << "no local site (run through with_http_server.sh)";
    const std::string site = "http://127.0.0.1:" + port;
    const std::wstring served = ToWide(siteFolder + "\\Kestrin.txt");

    struct Case {
        const char* name;
        std::optional<std::string> served;  // nullopt: the site has no version file (404)
        std::string versionUrl;             // empty: the site's version file
        std::vector<std::string> automatic;
        std::vector<std::string> user;
        bool signedBeside = true;  // the site serves the version file's signature
    };
    const Case cases[] = {
        {"newer version", "V1.5\r\nnotes\r\n", "", {kOffer}, {kOffer}},
        {"older version", "V1.3\r\n", "", {kOffer}, {kOffer}},
        {"same version", "V1.4\r\n", "", {}, {kNoUpdate}},
        {"empty first line", "\r\nV1.5\r\n", "", {}, {kNetworkError}},
        {"missing file", std::nullopt, "", {}, {kNetworkError}},
        {"no server", "V1.5\r\n", "http://127.0.0.1:1/tools/kestrin/Kestrin.txt", {}, {kNetworkError}},
        {"server that stalls", "V1.5\r\n", site + "/stall/Kestrin.txt", {}, {kNetworkError}},
        {"no signature served", "V1.5\r\n", "", {}, {kNetworkError}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(served.c_str());
        DeleteFileW((served + L".sig").c_str());
        if (c.served) {
            ASSERT_TRUE(c.signedBeside ? WriteSignedFile(served, *c.served, "Kestrin.txt")
                                       : WriteFileBytes(served, *c.served));
        }
        RealDownloads downloads;
        QQFormHarness h;
        h.fakes.services.downloads = &downloads;
        h.globals.VersionUrl = c.versionUrl.empty() ? site + "/tools/kestrin/Kestrin.txt" : c.versionUrl;
        h.globals.VersionFile = h.folder.PathUtf8() + "\\Kestrin.txt";
        h.fakes.messages.answers = {kIdCancel, kIdCancel};
        auto started = std::chrono::steady_clock::now();

        ASSERT_TRUE(h.Load());  // the automatic check: 5 seconds
        ASSERT_TRUE(WaitForCheckEnd(h.globals, 10));
        std::vector<std::string> shown;
        for (const ShownMessage& m : h.fakes.messages.shown) shown.push_back(m.text);
        EXPECT_EQ(shown, c.automatic);

        h.fakes.messages.shown.clear();
        h.form->StartUpdateCheck(1, 4);  // MenuUp: 4 seconds
        ASSERT_TRUE(WaitForCheckEnd(h.globals, 10));
        shown.clear();
        for (const ShownMessage& m : h.fakes.messages.shown) shown.push_back(m.text);
        EXPECT_EQ(shown, c.user);
        // A check that reaches the site ends with the download, not with the time-out.
        if (c.served && c.signedBeside && c.versionUrl.empty()) {
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
        }
        EXPECT_TRUE(h.fakes.processes.started.empty());
    }
}
