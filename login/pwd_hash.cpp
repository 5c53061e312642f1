#include "login/pwd_hash.h"

#include "common/text.h"
#include "login/md5.h"

namespace pwd_hash_steps {

namespace {
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kB64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Text starting at 0-based `start`, at most `count` characters, empty past the end (like Mid$).
std::string_view Slice(std::string_view text, size_t start, size_t count) {
    if (start >= text.size()) return {};
    return text.substr(start, count);
}
}  // namespace

std::string HexDigitToBits(std::string_view hexDigit) {
    if (hexDigit.size() != 1) return {};
    char upper = hexDigit[0] >= 'a' && hexDigit[0] <= 'f' ? char(hexDigit[0] - 'a' + 'A') : hexDigit[0];
    size_t value = kHexDigits.find(upper);
    if (value == std::string_view::npos) return {};
    std::string bits;
    for (int bit = 3; bit >= 0; --bit) bits += (value >> bit) & 1 ? '1' : '0';
    return bits;
}

std::string BitsToHexDigit(std::string_view bits) {
    if (bits.size() != 4) return {};
    size_t value = 0;
    for (char c : bits) {
        if (c != '0' && c != '1') return {};
        value = value * 2 + (c - '0');
    }
    return std::string(1, kHexDigits[value]);
}

std::string HexPairToB64Char(std::string_view pair) {
    if (pair.size() != 2) return {};
    size_t high = kHexDigits.find(pair[0]);
    size_t low = kHexDigits.find(pair[1]);
    if (high == std::string_view::npos || low == std::string_view::npos) return {};
    size_t value = high * 16 + low;
    if (value >= 64) return {};
    return std::string(1, kB64Alphabet[value]);
}

std::string HexToBitText(std::string_view hexChunk) {
    std::string bits;
    for (size_t i = 0; i < 12; ++i) bits += HexDigitToBits(Slice(hexChunk, i, 1));
    return bits;
}

std::string SplitSextets(std::string_view bitText) {
    std::string out;
    for (size_t start = 0; start < 48; start += 6) {
        out += "00";
        out += Slice(bitText, start, 6);
    }
    return out;
}

std::string BitTextToHex(std::string_view bitText) {
    std::string hex;
    for (size_t outer = 0; outer < 64; outer += 16) {
        std::string_view group = Slice(bitText, outer, 16);
        for (size_t inner = 0; inner < 16; inner += 4) hex += BitsToHexDigit(Slice(group, inner, 4));
    }
    return hex;
}

std::string HexPairsToB64(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i < 16; i += 2) out += HexPairToB64Char(Slice(hex, i, 2));
    return out;
}

std::string HexChunkToB64(std::string_view hexChunk) {
    return HexPairsToB64(BitTextToHex(SplitSextets(HexToBitText(hexChunk))));
}

}  // namespace pwd_hash_steps

std::string Md5Hex(std::string_view message) {
    static constexpr char kLower[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : Md5(message)) {
        hex += kLower[byte >> 4];
        hex += kLower[byte & 15];
    }
    return hex;
}

std::string HexToB64(std::string_view hex) {
    std::string out;
    for (size_t start = 0; start < hex.size(); start += 12) out += pwd_hash_steps::HexChunkToB64(hex.substr(start, 12));
    return out;
}

std::string PwdHashOfBytes(std::string_view ansiBytes) { return HexToB64(Md5Hex(ansiBytes)); }

std::string PwdHash(std::string_view password) { return PwdHashOfBytes(Utf8ToAnsi(password)); }
