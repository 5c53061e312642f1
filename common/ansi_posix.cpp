// The ANSI code page off Windows: code page 936 (GBK) through iconv.
#include "common/text.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace {

constexpr const char* kAnsiCodePage = "CP936";

// Converts with iconv; a sequence the target cannot represent becomes `replacement` and the
// conversion goes on with the next input character (utf8 input) or byte (ansi input).
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    bool inputIsUtf8) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    std::vector<char> buffer(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), outPtr);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one input character.
        out += replacement;
        size_t skip = 1;
        if (inputIsUtf8) {
            while (skip < inLeft && (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80) ++skip;
        }
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    // Re-encode first so malformed UTF-8 reaches iconv as U+FFFD (which then becomes '?').
    std::string clean = Utf16ToUtf8(Utf8ToUtf16(utf8));
    return Convert(kAnsiCodePage, "UTF-8", clean, "?", true);
}

std::string AnsiToUtf8(std::string_view ansi) { return Convert("UTF-8", kAnsiCodePage, ansi, "\xEF\xBF\xBD", false); }
