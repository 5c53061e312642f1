#pragma once
// UTF-8 <-> UTF-16 at the Win32 boundary: the core keeps UTF-8, Win32 calls take UTF-16.

#include <string>
#include <string_view>

std::wstring ToWide(std::string_view utf8);
std::string ToUtf8(std::wstring_view wide);
