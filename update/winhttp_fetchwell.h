#pragma once
// WinHttpFetchwell: Fetchwell over WinHTTP (http and https). The transfer runs on a worker thread
// of its own; every event is posted to a hidden message-only window of the thread that created the
// object and raised from that thread's message loop (see Fetchwell's invariants).
// Invariants:
//   1. At most one transfer runs; StartDownload stops a running one first.
//   2. Each transfer has a generation number; events of an older generation are dropped, so after
//      StopDownload (or a new StartDownload) nothing of the stopped transfer is raised.
//   3. Redirects are not followed (Failed 2); an HTTP error status is Failed 1; a success status with
//      no body is Failed 3; no Content-Length is Failed 4; a body above kMaxDownloadBytes or not of
//      the stated length is Failed 5; everything else that goes wrong is Failed 99. Each Failed is
//      followed by Completed(0). A stored file gives Completed with its size (at least 1).
//   4. The body is written as it arrives to "<target>.<process>-<generation>.download", flushed,
//      and renamed over the target; a failed or stopped transfer deletes that file (a stop at once)
//      and leaves the target as it was.
//   5. StopDownload never waits for the worker: a worker blocked on a stalled server finishes on its
//      own (it holds the transfer's shared state, never this object).

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "update/fetchwell.h"
#include "common/services.h"

class WinHttpFetchwell : public Fetchwell {
  public:
    WinHttpFetchwell();
    ~WinHttpFetchwell() override;
    WinHttpFetchwell(const WinHttpFetchwell&) = delete;
    WinHttpFetchwell& operator=(const WinHttpFetchwell&) = delete;

    void SetEvents(FetchwellEvents* events) override { events_ = events; }
    void SetDownloadUrl(const std::string& url) override { url_ = url; }
    void SetSaveFolder(const std::string& folder) override { folder_ = folder; }
    void SetFileName(const std::string& name) override { fileName_ = name; }
    void StartDownload() override;
    void StopDownload() override;

    struct Transfer;  // shared by the UI thread and the worker
    struct Event;     // one posted event

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Raise(const Event& event);

    FetchwellEvents* events_ = nullptr;  // borrowed
    std::string url_;
    std::string folder_;
    std::string fileName_;
    HWND window_ = nullptr;  // owned: the message-only window events are posted to
    unsigned generation_ = 0;
    std::shared_ptr<Transfer> transfer_;
    std::thread worker_;
};

// Makes the WinHTTP download control; the production download factory of both programs.
class WinHttpDownloadFactory : public DownloadFactory {
  public:
    std::unique_ptr<Fetchwell> Create() override;
};
