#pragma once
// Fetchwell: fetches one web file into a folder and reports through events.
// Invariants:
//   1. Callers set DownloadUrl, then SaveFolder, then call StartDownload, which returns before any
//      event of that transfer is raised.
//   2. Events are raised on the thread that called StartDownload (the UI thread), each from that
//      thread's message loop: never from inside StartDownload, StopDownload or another event.
//   3. The file is stored as SaveFolder + "\" + the name given by SetFileName (by default the
//      address's last segment: callers name their files from their own constants). It is written
//      under a temporary name, flushed to disk and renamed over an older file only when complete,
//      so a failed or stopped transfer never replaces a good file.
//   4. After StopDownload returns, no further event of the stopped transfer is raised. StopDownload
//      is harmless after completion, after failure or when nothing runs.
//   5. A body is stored only when the server states its length (Content-Length), the length is at
//      most kMaxDownloadBytes and exactly that many bytes arrive; it goes to disk as it arrives.
// Portable: the interface has no Win32 types; the WinHTTP implementation lives beside it.

#include <cstdint>
#include <memory>
#include <string>

namespace fetchwell {

// Failed's codes.
constexpr int32_t kHttpError = 1;   // the server answered with an error status: the file cannot be downloaded
constexpr int32_t kRedirected = 2;  // the address was redirected (redirects are not followed)
constexpr int32_t kNoData = 3;      // the server returned no data
constexpr int32_t kSystemError = 99;
constexpr int32_t kNoLength = 4;     // the server did not state the body's length
constexpr int32_t kWrongLength = 5;  // the body was shorter or longer than stated, or above the limit

}  // namespace fetchwell

// The largest file a transfer stores (a program update is far smaller); a body announced larger is
// refused before it is read.
constexpr int64_t kMaxDownloadBytes = 64 * 1024 * 1024;

// The six events, in the order of the control's event list. Callers override what they handle.
class FetchwellEvents {
  public:
    virtual ~FetchwellEvents() = default;
    // Share of the file received (0 to 1), with the bytes so far and the total (0 when unknown).
    virtual void Progress(float /*fraction*/, int64_t /*received*/, int64_t /*total*/) {}
    // A code of fetchwell::k*, with a description for logs.
    virtual void Failed(int32_t /*code*/, const std::string& /*detail*/) {}
    // Above 0: the file is completely stored; 0 or less: it is not.
    virtual void Completed(int32_t /*value*/) {}
    // The server has been reached (its host name).
    virtual void Connected(const std::string& /*host*/) {}
    // The total size in bytes, when the server states it.
    virtual void SizeKnown(int32_t /*size*/) {}
    // Data begins to arrive.
    virtual void TransferStarted() {}
};

class Fetchwell {
  public:
    virtual ~Fetchwell() = default;
    // UTF-8 texts. The events object is borrowed and must outlive the transfer (or StopDownload).
    virtual void SetEvents(FetchwellEvents* events) = 0;
    virtual void SetDownloadUrl(const std::string& url) = 0;
    virtual void SetSaveFolder(const std::string& folder) = 0;
    // The stored file's name; empty: the address's last segment.
    virtual void SetFileName(const std::string& name) = 0;
    virtual void StartDownload() = 0;
    virtual void StopDownload() = 0;
};

// The file name a transfer stores: the address's last path segment, without query or fragment.
// Empty when the address has none ("http://host/" or "http://host").
std::string FetchwellFileName(const std::string& url);
