#include "win/registry.h"

#include <string>

#include "win/unique_handle.h"

namespace {

Status RegError(const char* what, LSTATUS code) {
    ErrorCode kind = code == ERROR_FILE_NOT_FOUND ? ErrorCode::NotFound : ErrorCode::Io;
    return Status(kind, std::string(what) + ": Windows error " + std::to_string(code));
}

}  // namespace

std::optional<std::wstring> RegReadString(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return std::nullopt;
    UniqueHKey key(raw);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // The stored data need not end in NUL; one spare character keeps the copy terminated.
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(wcsnlen(data.c_str(), size / sizeof(wchar_t)));
    return data;
}

Status RegWriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& data) {
    HKEY raw = nullptr;
    LSTATUS code = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr);
    if (code != ERROR_SUCCESS) return RegError("RegCreateKeyExW", code);
    UniqueHKey key(raw);
    auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    code = RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    if (code != ERROR_SUCCESS) return RegError("RegSetValueExW", code);
    return Status::Ok();
}

Status RegDeleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY raw = nullptr;
    LSTATUS code = RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &raw);
    if (code != ERROR_SUCCESS) return RegError("RegOpenKeyExW", code);
    UniqueHKey key(raw);
    code = RegDeleteValueW(key.Get(), name.c_str());
    if (code != ERROR_SUCCESS) return RegError("RegDeleteValueW", code);
    return Status::Ok();
}
