#pragma once
// Text conversions for the portable core. Portable code keeps text as UTF-8 std::string; the engine
// stores UTF-16; a few places need the bytes of the system's ANSI code page (the password hash input,
// the import file, the version file). The ANSI code page is CP_ACP on Windows and code page 936
// (GBK) elsewhere, which stands for the Chinese Windows systems the program is made for.

#include <string>
#include <string_view>

// Invalid UTF-8 sequences become U+FFFD; unpaired surrogates likewise.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Everything before a path's last "\" or "/": "c:\windows\temp" for "c:\windows\temp\Kestrin.txt",
// empty for a bare file name.
std::string FolderOfPath(std::string_view path);

// True when the text is not empty and every character is one of "0123456789" (ASCII only:
// full-width digits are not digits here).
bool AllDigits(std::string_view text);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
// How many of the bytes decode the same whatever follows them: all but a multi-byte sequence cut off
// at the end (at most 3 bytes). Decoding or checking a stream a piece at a time, each piece's rest
// carried to the next, then gives what the whole would give.
size_t Utf8DecodableLength(std::string_view bytes);

// The ANSI code page's bytes for a UTF-8 text. A character the code page cannot write becomes '?',
// as Windows' best-fit-free conversion does; a double-byte character contributes both its bytes.
std::string Utf8ToAnsi(std::string_view utf8);
// UTF-8 for bytes in the ANSI code page; undecodable bytes become U+FFFD.
std::string AnsiToUtf8(std::string_view ansi);
