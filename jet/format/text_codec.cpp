#include "jet/format/text_codec.h"

#include <optional>

#include "common/text.h"

namespace jet {
namespace {

Result<std::u16string> DecodePlain(std::span<const uint8_t> bytes) {
    if (bytes.size() % 2 != 0) return Status(ErrorCode::Corrupt, "text value of odd byte length");
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i < bytes.size(); i += 2) text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    return text;
}

// Most stored texts are ASCII (numbers, dates, hashes, Latin aliases): those bytes are already UTF-8,
// with no UTF-16 string in between. False (and `text` unspecified) when the text is not of that kind.
bool AsciiText(std::span<const uint8_t> stored, bool compressible, std::string& text) {
    bool compressed = compressible && stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE;
    if (compressed) {
        // A 0 byte switches a compressed text to two-byte characters; U+0000 itself is no ASCII here.
        for (size_t i = 2; i < stored.size(); ++i)
            if (stored[i] == 0 || stored[i] >= 0x80) return false;
        text.assign(reinterpret_cast<const char*>(stored.data()) + 2, stored.size() - 2);
        return true;
    }
    if (stored.size() % 2 != 0) return false;
    for (size_t i = 0; i < stored.size(); i += 2)
        if (stored[i] == 0 || stored[i] >= 0x80 || stored[i + 1] != 0) return false;
    text.resize(stored.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) text[i] = char(stored[2 * i]);
    return true;
}

}  // namespace

Result<std::string> DecodeJetTextUtf8(std::span<const uint8_t> stored, bool compressible) {
    std::string text;
    KESTRIN_TRY(DecodeJetTextUtf8Into(stored, compressible, text));
    return text;
}

Status DecodeJetTextUtf8Into(std::span<const uint8_t> stored, bool compressible, std::string& out) {
    if (AsciiText(stored, compressible, out)) return Status::Ok();
    auto text = DecodeJetText(stored, compressible);
    KESTRIN_TRY(text);
    out = Utf16ToUtf8(*text);
    return Status::Ok();
}

Result<std::u16string> DecodeJetText(std::span<const uint8_t> stored, bool compressible) {
    if (!compressible || stored.size() < 2 || stored[0] != 0xFF || stored[1] != 0xFE) return DecodePlain(stored);
    std::u16string text;
    bool oneByte = true;
    for (size_t i = 2; i < stored.size();) {
        if (stored[i] == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            text.push_back(char16_t(stored[i++]));
        } else {
            if (i + 1 >= stored.size()) return Status(ErrorCode::Corrupt, "compressed text ends inside a character");
            text.push_back(char16_t(stored[i] | stored[i + 1] << 8));
            i += 2;
        }
    }
    return text;
}

std::vector<uint8_t> EncodeJetText(std::u16string_view text, bool compressible) {
    bool oneByteEach = compressible && text.size() >= 3;
    for (char16_t c : text) oneByteEach = oneByteEach && c >= 1 && c <= 0xFF;
    std::vector<uint8_t> bytes;
    if (oneByteEach) {
        bytes.reserve(text.size() + 2);
        bytes.push_back(0xFF);
        bytes.push_back(0xFE);
        for (char16_t c : text) bytes.push_back(uint8_t(c));
        return bytes;
    }
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(uint8_t(c));
        bytes.push_back(uint8_t(c >> 8));
    }
    return bytes;
}

}  // namespace jet
