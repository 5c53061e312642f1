#include "win/resources.h"

namespace {

HINSTANCE OrSelf(HINSTANCE module) {
    return module ? module : GetModuleHandleW(nullptr);
}

}  // namespace

std::wstring LoadResString(UINT id, HINSTANCE module) {
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource itself,
    // which is not NUL-terminated; the returned length says where it ends.
    const wchar_t* text = nullptr;
    int length = LoadStringW(OrSelf(module), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    return std::wstring(text, static_cast<size_t>(length));
}

std::optional<std::span<const std::byte>> LoadResBytes(const wchar_t* type, UINT id, HINSTANCE module) {
    HINSTANCE self = OrSelf(module);
    HRSRC info = FindResourceW(self, MAKEINTRESOURCEW(id), type);
    if (!info) return std::nullopt;
    HGLOBAL loaded = LoadResource(self, info);
    if (!loaded) return std::nullopt;
    const void* data = LockResource(loaded);
    DWORD size = SizeofResource(self, info);
    if (!data && size) return std::nullopt;
    return std::span<const std::byte>(static_cast<const std::byte*>(data), size);
}
