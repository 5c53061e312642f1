#include "jet/format/text_codec.h"

#include <optional>

#include "common/text.h"

namespace jet {
namespace {

// "FF FE" opens a compressed text whatever the column's flag says: Access and other engines store
// compressed memos in columns whose descriptor does not allow compression, and Jackcess, mdbtools
// and mdb-reader all decide by these two bytes alone.
bool IsCompressed(std::span<const uint8_t> stored) {
    return stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE;
}

Result<std::u16string> DecodePlain(std::span<const uint8_t> bytes) {
    if (bytes.size() % 2 != 0) return Status(ErrorCode::Corrupt, "text value of odd byte length");
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i < bytes.size(); i += 2) text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    return text;
}

// Most stored texts are ASCII (numbers, dates, hashes, Latin aliases): those bytes are already UTF-8,
// with no UTF-16 string in between. False (and `text` unspecified) when the text is not of that kind.
bool AsciiText(std::span<const uint8_t> stored, std::string& text) {
    if (IsCompressed(stored)) {
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

Result<std::string> DecodeJetTextUtf8(std::span<const uint8_t> stored) {
    std::string text;
    KESTRIN_TRY(DecodeJetTextUtf8Into(stored, text));
    return text;
}

Status DecodeJetTextUtf8Into(std::span<const uint8_t> stored, std::string& out) {
    if (AsciiText(stored, out)) return Status::Ok();
    auto text = DecodeJetText(stored);
    KESTRIN_TRY(text);
    out = Utf16ToUtf8(*text);
    return Status::Ok();
}

Result<std::u16string> DecodeJetText(std::span<const uint8_t> stored) {
    if (!IsCompressed(stored)) return DecodePlain(stored);
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
    bytes.reserve(text.size() * 2 + 3);
    // Plain bytes that start FF FE would read back as compressed: such a text (a leading U+FEFF) is
    // written as FF FE, an empty one-byte segment, then two-byte characters, when none of them has
    // a 0 low byte (which would end the segment).
    bool leadingMark = !text.empty() && text[0] == 0xFEFF;
    for (char16_t c : text) leadingMark = leadingMark && (c & 0xFF) != 0;
    if (leadingMark) {
        bytes.push_back(0xFF);
        bytes.push_back(0xFE);
        bytes.push_back(0x00);
    }
    for (char16_t c : text) {
        bytes.push_back(uint8_t(c));
        bytes.push_back(uint8_t(c >> 8));
    }
    return bytes;
}

}  // namespace jet
