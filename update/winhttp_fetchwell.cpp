#include "update/winhttp_fetchwell.h"

#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <limits>
#include <mutex>
#include <vector>

#include "win/strings.h"
#include "win/unique_handle.h"

namespace {

constexpr UINT kEventMessage = WM_APP + 1;
constexpr wchar_t kSinkClass[] = L"KestrinFetchwellSink";
constexpr DWORD kChunkBytes = 64 * 1024;

}  // namespace

struct WinHttpFetchwell::Event {
    enum class Kind { Progress, Failed, Completed, Connected, SizeKnown, TransferStarted } kind;
    unsigned generation = 0;
    float fraction = 0;
    int64_t received = 0;
    int64_t total = 0;
    int32_t value = 0;  // Failed's code, Completed's value, SizeKnown's size
    std::string text;
};

struct WinHttpFetchwell::Transfer {
    HWND window = nullptr;  // borrowed: the sink the events go to
    unsigned generation = 0;
    std::wstring url;
    std::wstring target;
    std::wstring temp;  // unique per transfer, so a late worker never touches a newer transfer's file
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    HINTERNET request = nullptr;  // owned, guarded by mutex; closing it cancels a blocked call

    void Post(Event event) {
        if (cancelled) return;
        event.generation = generation;
        auto* posted = new Event(std::move(event));
        if (!PostMessageW(window, kEventMessage, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
    }
    void CloseRequest() {
        std::lock_guard<std::mutex> lock(mutex);
        if (request) WinHttpCloseHandle(request);
        request = nullptr;
    }

    // The temporary file is open only while a piece is written, under the mutex, and never after a
    // stop: so a stop deletes it at once, even while the worker still waits on a stalled server.
    bool WriteTemp(const char* data, DWORD size, DWORD disposition) {
        std::lock_guard<std::mutex> lock(mutex);
        if (cancelled) return false;
        UniqueFile file(
            CreateFileW(temp.c_str(), FILE_APPEND_DATA, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return file && (size == 0 || (WriteFile(file.Get(), data, size, &written, nullptr) && written == size));
    }
    // Flushes the complete file to disk and gives it its final name.
    bool CommitTemp() {
        std::lock_guard<std::mutex> lock(mutex);
        if (cancelled) return false;
        {
            UniqueFile file(
                CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file || !FlushFileBuffers(file.Get())) return false;
        }
        return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    void DeleteTemp() {
        std::lock_guard<std::mutex> lock(mutex);
        DeleteFileW(temp.c_str());
    }
};

namespace {

using Event = WinHttpFetchwell::Event;
using Transfer = WinHttpFetchwell::Transfer;

struct UrlParts {
    std::wstring host;
    std::wstring path;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool CrackUrl(const std::wstring& url, UrlParts& parts) {
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof(components);
    components.dwHostNameLength = static_cast<DWORD>(-1);
    components.dwUrlPathLength = static_cast<DWORD>(-1);
    components.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &components)) return false;
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) return false;
    parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.path.assign(components.lpszUrlPath, components.dwUrlPathLength);
    if (components.lpszExtraInfo) parts.path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    if (parts.path.empty()) parts.path = L"/";
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

DWORD QueryNumber(HINTERNET request, DWORD header, bool& found) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    found = WinHttpQueryHeaders(request, header | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value,
                                &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
    return value;
}

// The stated body length, read as text: the number form of the query holds only 32 bits.
std::optional<int64_t> QueryContentLength(HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof(text);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    int64_t value = 0;
    size_t digits = 0;
    for (const wchar_t* c = text; *c; ++c, ++digits) {
        if (*c < L'0' || *c > L'9' || digits >= 15) return std::nullopt;
        value = value * 10 + (*c - L'0');
    }
    if (digits == 0) return std::nullopt;
    return value;
}

// Reads exactly `total` bytes of the body into the temporary file. Returns the failure code, or 0
// (also when cancelled: the caller asks).
int32_t ReceiveBody(Transfer& t, HINTERNET request, int64_t total, std::string& detail) {
    std::vector<char> buffer(kChunkBytes);
    int64_t received = 0;
    for (;;) {
        // Asking what is available first makes each read return as soon as data arrives, so progress
        // follows the transfer instead of the buffer size.
        DWORD available = 0;
        DWORD read = 0;
        if (!WinHttpQueryDataAvailable(request, &available) ||
            (available > 0 && !WinHttpReadData(request, buffer.data(), std::min(available, kChunkBytes), &read))) {
            if (t.cancelled) return 0;
            return detail = "read failed", fetchwell::kSystemError;
        }
        if (t.cancelled) return 0;
        if (read == 0) break;
        if (received == 0) t.Post({Event::Kind::TransferStarted, 0, 0, 0, 0, 0, {}});
        if (read > total - received) return detail = "more data than stated", fetchwell::kWrongLength;
        if (!t.WriteTemp(buffer.data(), read, OPEN_EXISTING)) {
            if (t.cancelled) return 0;
            return detail = "cannot write " + ToUtf8(t.temp), fetchwell::kSystemError;
        }
        received += read;
        float fraction = static_cast<float>(static_cast<double>(received) / static_cast<double>(total));
        t.Post({Event::Kind::Progress, 0, fraction, received, total, 0, {}});
    }
    if (received < total) return detail = "connection closed early", fetchwell::kWrongLength;
    return 0;
}

// The transfer itself, on the worker thread. Returns the failure code, or 0 when the file is stored
// (the completion events are posted here).
int32_t Fetch(Transfer& t, std::string& detail) {
    const std::wstring& temp = t.temp;
    UrlParts parts;
    if (!CrackUrl(t.url, parts)) return detail = "not an http or https address", fetchwell::kSystemError;
    UniqueInternet session(
        WinHttpOpen(L"Kestrin", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return detail = "WinHttpOpen", fetchwell::kSystemError;
    WinHttpSetTimeouts(session.Get(), 10000, 10000, 15000, 15000);
    UniqueInternet connection(WinHttpConnect(session.Get(), parts.host.c_str(), parts.port, 0));
    if (!connection) return detail = "WinHttpConnect", fetchwell::kSystemError;
    HINTERNET request = WinHttpOpenRequest(connection.Get(), L"GET", parts.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, parts.secure ? WINHTTP_FLAG_SECURE : 0);
    if (!request) return detail = "WinHttpOpenRequest", fetchwell::kSystemError;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        t.request = request;
    }
    if (t.cancelled) return 0;
    // A redirect is reported, never followed: the caller asked for one address.
    DWORD feature = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof(feature));
    if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
        DWORD error = GetLastError();
        return detail = "no response, error " + std::to_string(error), fetchwell::kSystemError;
    }
    t.Post({Event::Kind::Connected, 0, 0, 0, 0, 0, ToUtf8(parts.host)});
    bool found = false;
    DWORD status = QueryNumber(request, WINHTTP_QUERY_STATUS_CODE, found);
    if (status >= 300 && status < 400) return detail = "HTTP " + std::to_string(status), fetchwell::kRedirected;
    if (!found || status < 200 || status >= 300)
        return detail = "HTTP " + std::to_string(status), fetchwell::kHttpError;
    std::optional<int64_t> length = QueryContentLength(request);
    if (!length) return detail = "no Content-Length", fetchwell::kNoLength;
    if (*length == 0) return detail = "empty body", fetchwell::kNoData;
    if (*length > kMaxDownloadBytes) return detail = "above the size limit", fetchwell::kWrongLength;
    t.Post({Event::Kind::SizeKnown, 0, 0, 0, 0, static_cast<int32_t>(*length), {}});
    // Written as it arrives (a program is not held in memory), flushed before it takes its name.
    if (!t.WriteTemp(nullptr, 0, CREATE_ALWAYS)) {
        if (t.cancelled) return 0;
        return detail = "cannot write " + ToUtf8(temp), fetchwell::kSystemError;
    }
    int32_t code = ReceiveBody(t, request, *length, detail);
    if (code != 0 || t.cancelled) return code;
    if (!t.CommitTemp()) {
        if (t.cancelled) return 0;
        return detail = "cannot replace " + ToUtf8(t.target), fetchwell::kSystemError;
    }
    t.Post({Event::Kind::Completed, 0, 0, 0, 0, static_cast<int32_t>(*length), {}});
    return 0;
}

void RunTransfer(std::shared_ptr<Transfer> t) {
    std::string detail;
    int32_t code = Fetch(*t, detail);
    t->CloseRequest();
    if (code != 0 || t->cancelled) t->DeleteTemp();
    if (code != 0) {
        t->Post({Event::Kind::Failed, 0, 0, 0, 0, code, detail});
        t->Post({Event::Kind::Completed, 0, 0, 0, 0, 0, {}});
    }
}

HWND CreateSink(WinHttpFetchwell* owner, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = kSinkClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    HWND sink = CreateWindowExW(0, kSinkClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (sink) SetWindowLongPtrW(sink, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return sink;
}

}  // namespace

WinHttpFetchwell::WinHttpFetchwell() {
    window_ = CreateSink(this, WindowProc);
}

WinHttpFetchwell::~WinHttpFetchwell() {
    StopDownload();
    if (window_) DestroyWindow(window_);
    // Events still queued for the destroyed window are lost with it; their memory is freed by
    // nobody, which is a few bytes at the end of the owner's life.
}

void WinHttpFetchwell::StartDownload() {
    StopDownload();
    std::string name = fileName_.empty() ? FetchwellFileName(url_) : fileName_;
    auto transfer = std::make_shared<Transfer>();
    transfer->window = window_;
    transfer->generation = ++generation_;
    transfer->url = ToWide(url_);
    transfer->target = ToWide(folder_ + "\\" + name);
    transfer->temp = transfer->target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(transfer->generation) + L".download";
    transfer_ = transfer;
    if (name.empty()) {
        transfer->Post({Event::Kind::Failed, 0, 0, 0, 0, fetchwell::kSystemError, "the address names no file"});
        transfer->Post({Event::Kind::Completed, 0, 0, 0, 0, 0, {}});
        return;
    }
    worker_ = std::thread(RunTransfer, transfer);
}

// The worker is not waited for: a call blocked on a stalled server may not return before its
// time-out (closing the request does not wake it everywhere), and the UI thread must not freeze.
// The cancelled transfer raises nothing more and writes no file.
void WinHttpFetchwell::StopDownload() {
    ++generation_;
    if (transfer_) {
        transfer_->cancelled = true;
        transfer_->CloseRequest();
        transfer_->DeleteTemp();
    }
    if (worker_.joinable()) worker_.detach();
    transfer_.reset();
}

LRESULT CALLBACK WinHttpFetchwell::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kEventMessage) return DefWindowProcW(hwnd, msg, wParam, lParam);
    std::unique_ptr<Event> event(reinterpret_cast<Event*>(lParam));
    auto* self = reinterpret_cast<WinHttpFetchwell*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && event->generation == self->generation_) self->Raise(*event);
    return 0;
}

void WinHttpFetchwell::Raise(const Event& e) {
    if (!events_) return;
    switch (e.kind) {
        case Event::Kind::Progress:
            events_->Progress(e.fraction, e.received, e.total);
            break;
        case Event::Kind::Failed:
            events_->Failed(e.value, e.text);
            break;
        case Event::Kind::Completed:
            events_->Completed(e.value);
            break;
        case Event::Kind::Connected:
            events_->Connected(e.text);
            break;
        case Event::Kind::SizeKnown:
            events_->SizeKnown(e.value);
            break;
        case Event::Kind::TransferStarted:
            events_->TransferStarted();
            break;
    }
}

std::unique_ptr<Fetchwell> WinHttpDownloadFactory::Create() {
    return std::make_unique<WinHttpFetchwell>();
}
