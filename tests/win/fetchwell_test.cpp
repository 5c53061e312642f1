// The WinHTTP download control against a real HTTP server on 127.0.0.1 (tests/http_test_server.py,
// started by with_http_server.sh, which passes its port in KESTRIN_TEST_HTTP_PORT).
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/win/test_folder.h"
#include "update/winhttp_fetchwell.h"
#include "win/files.h"
#include "win/strings.h"

namespace {

struct Recorder : FetchwellEvents {
    void Progress(float fraction, int64_t received, int64_t) override {
        log += "P";
        lastFraction = fraction;
        lastReceived = received;
        if (fraction < previousFraction) fractionsRise = false;
        previousFraction = fraction;
    }
    void Failed(int32_t code, const std::string&) override {
        log += "F";
        failure = code;
    }
    void Completed(int32_t v) override {
        log += "C";
        value = v;
        done = true;
        if (inEvent) reentered = true;
    }
    void Connected(const std::string&) override { log += "N"; }
    void SizeKnown(int32_t s) override {
        log += "S";
        size = s;
    }
    void TransferStarted() override { log += "T"; }

    std::string log;
    float lastFraction = -1;
    float previousFraction = 0;
    bool fractionsRise = true;
    int64_t lastReceived = 0;
    int32_t failure = 0;
    int32_t value = -100;
    int32_t size = -1;
    bool done = false;
    bool inEvent = false;
    bool reentered = false;
};

std::string Server() {
    const char* port = std::getenv("KESTRIN_TEST_HTTP_PORT");
    return std::string("http://127.0.0.1:") + (port ? port : "1");
}

// Runs the message loop until Completed or `milliseconds` pass.
int FileCount(const TestFolder& folder) {
    int count = 0;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder.Path() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

bool PumpUntilDone(Recorder& recorder, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (!recorder.done && GetTickCount() - start < milliseconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    return recorder.done;
}

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
}

}  // namespace

TEST(Fetchwell, FileNameIsTheAddressesLastSegment) {
    struct Case {
        const char* url;
        const char* name;
    } cases[] = {{"http://h/tools/kestrin/Kestrin.txt", "Kestrin.txt"},
                 {"https://h:8443/a/b.exe?x=1#f", "b.exe"},
                 {"http://h/tools/", ""},
                 {"http://h", ""},
                 {"http://h/%E6%9B%B4.exe", "%E6%9B%B4.exe"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(FetchwellFileName(c.url), c.name);
    }
}

TEST(Fetchwell, DownloadStoresTheFileWithRisingProgressAndEventsOnlyFromTheLoop) {
    ASSERT_NE(std::getenv("KESTRIN_TEST_HTTP_PORT"), nullptr);
    TestFolder folder;
    Recorder recorder;
    WinHttpFetchwell control;
    control.SetEvents(&recorder);
    control.SetDownloadUrl(Server() + "/files/big.bin");
    control.SetSaveFolder(folder.PathUtf8());
    control.StartDownload();
    EXPECT_EQ(recorder.log, "");  // nothing is raised from inside StartDownload
    ASSERT_TRUE(PumpUntilDone(recorder, 20000));
    EXPECT_EQ(recorder.log.substr(0, 3), "NST");
    EXPECT_EQ(recorder.log.back(), 'C');
    EXPECT_EQ(recorder.size, 1 << 20);
    EXPECT_EQ(recorder.value, 1 << 20);
    EXPECT_FLOAT_EQ(recorder.lastFraction, 1.0f);
    EXPECT_TRUE(recorder.fractionsRise);
    std::string stored = ReadFileBytes(folder.File(L"big.bin"));
    ASSERT_EQ(stored.size(), 1u << 20);
    EXPECT_EQ(static_cast<unsigned char>(stored[1000]), (1000 * 7 + 3) % 251);
    EXPECT_EQ(FileCount(folder), 1);  // no partial file left beside it
}

TEST(Fetchwell, FailuresGiveTheirCodesAndNeverReplaceTheOldFile) {
    ASSERT_NE(std::getenv("KESTRIN_TEST_HTTP_PORT"), nullptr);
    struct Case {
        const char* name;
        std::string url;
        int32_t code;
    } cases[] = {
        {"404", Server() + "/missing/Kestrin.txt", 1},
        {"redirect", Server() + "/redirect/Kestrin.txt", 2},
        {"empty body", Server() + "/empty/Kestrin.txt", 3},
        {"connection refused", "http://127.0.0.1:1/files/Kestrin.txt", 99},
        {"no http address", "ftp://127.0.0.1/files/Kestrin.txt", 99},
        {"no Content-Length", Server() + "/nolength/Kestrin.txt", 4},
        {"a body shorter than stated", Server() + "/short/Kestrin.txt", 5},
        {"a body above the size limit", Server() + "/huge/Kestrin.txt", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        ASSERT_TRUE(WriteFileBytes(folder.File(L"Kestrin.txt"), "V1.4\r\n"));
        Recorder recorder;
        WinHttpFetchwell control;
        control.SetEvents(&recorder);
        control.SetDownloadUrl(c.url);
        control.SetSaveFolder(folder.PathUtf8());
        control.StartDownload();
        ASSERT_TRUE(PumpUntilDone(recorder, 20000));
        EXPECT_EQ(recorder.failure, c.code);
        EXPECT_EQ(recorder.value, 0);
        EXPECT_EQ(recorder.log.substr(recorder.log.size() - 2), "FC");
        EXPECT_EQ(ReadFileBytes(folder.File(L"Kestrin.txt")), "V1.4\r\n");
        EXPECT_EQ(FileCount(folder), 1);
    }
}

TEST(Fetchwell, TheFileTakesTheNameGivenNotTheAddresses) {
    ASSERT_NE(std::getenv("KESTRIN_TEST_HTTP_PORT"), nullptr);
    TestFolder folder;
    Recorder recorder;
    WinHttpFetchwell control;
    control.SetEvents(&recorder);
    control.SetDownloadUrl(Server() + "/files/other.txt?x=1");
    control.SetSaveFolder(folder.PathUtf8());
    control.SetFileName("Kestrin.txt");
    control.StartDownload();
    ASSERT_TRUE(PumpUntilDone(recorder, 20000));
    EXPECT_GT(recorder.value, 0);
    EXPECT_EQ(ReadFileBytes(folder.File(L"Kestrin.txt")), "V1.5\r\nRelease notes\r\n");
    EXPECT_EQ(FileCount(folder), 1);
}

TEST(Fetchwell, StopMidTransferRaisesNothingMoreAndKeepsTheOldFile) {
    ASSERT_NE(std::getenv("KESTRIN_TEST_HTTP_PORT"), nullptr);
    TestFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"stall.bin"), "good"));
    Recorder recorder;
    WinHttpFetchwell control;
    control.SetEvents(&recorder);
    control.SetDownloadUrl(Server() + "/stall/stall.bin");
    control.SetSaveFolder(folder.PathUtf8());
    control.StartDownload();
    DWORD start = GetTickCount();
    while (recorder.log.find('T') == std::string::npos && GetTickCount() - start < 10000) PumpFor(20);
    ASSERT_NE(recorder.log.find('T'), std::string::npos);
    control.StopDownload();
    std::string logAtStop = recorder.log;
    PumpFor(500);
    EXPECT_EQ(recorder.log, logAtStop);
    EXPECT_FALSE(recorder.done);
    EXPECT_EQ(ReadFileBytes(folder.File(L"stall.bin")), "good");
    // The part received went to a temporary file, which goes once the cancelled worker returns.
    for (int wait = 0; wait < 100 && FileCount(folder) > 1; ++wait) PumpFor(50);
    EXPECT_EQ(FileCount(folder), 1);
    control.StopDownload();  // harmless when nothing runs
    EXPECT_EQ(recorder.log, logAtStop);
}
