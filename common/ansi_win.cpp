// The ANSI code page on Windows: CP_ACP through the system's conversion functions.
#include "common/text.h"

#include <windows.h>

namespace {

std::wstring ToWide(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    int count = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(count, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), count);
    return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return {};
    int count = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
    std::string bytes(count, '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), count, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    std::u16string utf16 = Utf8ToUtf16(utf8);
    return FromWide(std::wstring(utf16.begin(), utf16.end()), CP_ACP);
}

std::string AnsiToUtf8(std::string_view ansi) {
    std::wstring wide = ToWide(ansi, CP_ACP);
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
