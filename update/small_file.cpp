#include "update/small_file.h"

#include <windows.h>

#include <algorithm>

#include "win/unique_handle.h"

std::optional<std::string> ReadSmallFile(const std::wstring& path, size_t limit) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    // One byte more than the limit tells a file of exactly `limit` bytes from a longer one without
    // trusting the size the file system reports.
    std::string bytes(limit + 1, '\0');
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - total, 1 << 20));
        if (!ReadFile(file.Get(), bytes.data() + total, want, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        total += got;
    }
    if (total > limit) return std::nullopt;
    bytes.resize(total);
    return bytes;
}
