#include "common/text.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at bytes[pos], advancing pos; malformed input yields U+FFFD and skips one byte.
char32_t DecodeUtf8(std::string_view bytes, size_t& pos, bool& valid) {
    auto byteAt = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    uint8_t lead = byteAt(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        valid = false;
        ++pos;
        return kReplacement;
    }
    if (pos + extra >= bytes.size()) {  // truncated sequence
        valid = false;
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        uint8_t b = byteAt(pos + i);
        if ((b & 0xC0) != 0x80) {
            valid = false;
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        valid = false;
        ++pos;
        return kReplacement;
    }
    pos += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    bool valid = true;
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t cp = DecodeUtf8(utf8, pos, valid);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string FolderOfPath(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool IsValidUtf8(std::string_view bytes) {
    bool valid = true;
    for (size_t pos = 0; pos < bytes.size() && valid;) DecodeUtf8(bytes, pos, valid);
    return valid;
}

// DecodeUtf8 reads a lead byte's sequence only as far as its continuation bytes go and resumes at the
// next byte otherwise, so only a lead whose sequence would reach past the end depends on what follows.
size_t Utf8DecodableLength(std::string_view bytes) {
    for (size_t i = bytes.size() > 3 ? bytes.size() - 3 : 0; i < bytes.size(); ++i) {
        auto lead = static_cast<uint8_t>(bytes[i]);
        size_t extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
        if (extra > 0 && i + extra >= bytes.size()) return i;
    }
    return bytes.size();
}
