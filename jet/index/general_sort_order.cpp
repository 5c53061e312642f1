// The General (legacy) code table for U+0000-U+00FF, built once at compile time, and the handful of
// characters above U+00FF whose codes are known exactly. The full table above U+00FF (63,232
// records) is not carried: a wrong code would put a row where Jet cannot find it, so unknown
// characters get no code and the key is refused.

#include "jet/index/general_sort_order.h"

#include <array>

namespace jet {
namespace {

constexpr GeneralCode S(uint8_t a) {
    return {SortClass::Simple, 1, {a, 0}, 0};
}
constexpr GeneralCode S(uint8_t a, uint8_t b) {
    return {SortClass::Simple, 2, {a, b}, 0};
}
constexpr GeneralCode I(uint8_t base, uint8_t accent) {
    return {SortClass::International, 1, {base, 0}, accent};
}
constexpr GeneralCode U(uint8_t code) {
    return {SortClass::Unprintable, 0, {0, 0}, code};
}
constexpr GeneralCode X() {
    return {};
}

using Table = std::array<GeneralCode, 256>;

constexpr void FillControls(Table& t) {
    t[0x00] = X();
    for (int c = 0x01; c <= 0x08; ++c) t[c] = U(uint8_t(c + 2));
    for (int c = 0x09; c <= 0x0D; ++c) t[c] = S(0x08, uint8_t(c - 0x09 + 0x03));  // tab, LF, VT, FF, CR
    for (int c = 0x0E; c <= 0x1F; ++c) t[c] = U(uint8_t(c - 3));
    t[0x7F] = U(0x1D);
    for (int c = 0x80; c <= 0x9F; ++c) t[c] = U(uint8_t(c - 0x62));
}

// Space, punctuation and digits sort before letters; ' and - are unprintable so that "ab", "a-b"
// and "a'b" sort next to each other yet stay distinct.
constexpr void FillAscii(Table& t) {
    constexpr uint8_t k20To3F[32] = {0x07, 0x09, 0x0A, 0x0C, 0x0E, 0x10, 0x12, 0x00, 0x14, 0x16, 0x18,
                                     0x2C, 0x1A, 0x00, 0x1C, 0x1E, 0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40,
                                     0x42, 0x44, 0x46, 0x48, 0x20, 0x22, 0x2E, 0x30, 0x32, 0x24};
    for (int c = 0x20; c <= 0x3F; ++c) t[c] = S(k20To3F[c - 0x20]);
    t[0x27] = U(0x80);
    t[0x2D] = U(0x82);
    constexpr uint8_t kLetters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,
                                      0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
    for (int i = 0; i < 26; ++i) t[0x41 + i] = t[0x61 + i] = S(kLetters[i]);
    t[0x40] = S(0x26);
    t[0x5B] = S(0x27);
    t[0x5C] = S(0x29);
    t[0x5D] = S(0x2A);
    t[0x5E] = S(0x2B, 0x02);
    t[0x5F] = S(0x2B, 0x03);
    t[0x60] = S(0x2B, 0x07);
    t[0x7B] = S(0x2B, 0x09);
    t[0x7C] = S(0x2B, 0x0B);
    t[0x7D] = S(0x2B, 0x0D);
    t[0x7E] = S(0x2B, 0x0F);
}

constexpr void FillLatin1Symbols(Table& t) {
    t[0xA0] = S(0x08, 0x02);
    const int k2B[] = {0xA1, 0xA6, 0xA8, 0xAF, 0xB4, 0xB8, 0xBF};
    for (int i = 0; i < 7; ++i) t[k2B[i]] = S(0x2B, uint8_t(0x10 + i));
    const int k34a[] = {0xA2, 0xA3, 0xA4, 0xA5, 0xA7, 0xA9};
    for (int i = 0; i < 6; ++i) t[k34a[i]] = S(0x34, uint8_t(0xA6 + i));
    const int k34b[] = {0xAC, 0xAE, 0xB0, 0xB5, 0xB6, 0xB7};
    for (int i = 0; i < 6; ++i) t[k34b[i]] = S(0x34, uint8_t(0xAC + i));
    t[0xAB] = S(0x33, 0x05);
    t[0xB1] = S(0x33, 0x04);
    t[0xBB] = S(0x33, 0x07);
    t[0xD7] = S(0x33, 0x09);
    t[0xF7] = S(0x33, 0x0A);
    t[0xAD] = U(0x83);  // soft hyphen
    t[0xAA] = I(0x4A, 0x03);
    t[0xBA] = I(0x64, 0x03);
    t[0xB2] = S(0x3A);  // superscripts sort as their digits
    t[0xB3] = S(0x3C);
    t[0xB9] = S(0x38);
    t[0xBC] = S(0x37, 0x12);
    t[0xBD] = S(0x37, 0x16);
    t[0xBE] = S(0x37, 0x1A);
}

// Accented capitals U+00C0-U+00DE; the small letters 0x20 above share them (U+00D7/U+00F7 differ).
constexpr void FillLatin1Letters(Table& t) {
    const uint8_t kA[] = {0x0F, 0x0E, 0x12, 0x19, 0x13, 0x1A};
    for (int i = 0; i < 6; ++i) t[0xC0 + i] = I(0x4A, kA[i]);
    t[0xC6] = S(0x4A, 0x51);
    t[0xC7] = I(0x4D, 0x1C);
    const uint8_t kEIU[] = {0x0F, 0x0E, 0x12, 0x13};
    for (int i = 0; i < 4; ++i) {
        t[0xC8 + i] = I(0x51, kEIU[i]);
        t[0xCC + i] = I(0x59, kEIU[i]);
        t[0xD9 + i] = I(0x6F, kEIU[i]);
    }
    t[0xD0] = I(0x4F, 0x68);
    t[0xD1] = I(0x62, 0x19);
    const uint8_t kO[] = {0x0F, 0x0E, 0x12, 0x19, 0x13};
    for (int i = 0; i < 5; ++i) t[0xD2 + i] = I(0x64, kO[i]);
    t[0xD8] = I(0x64, 0x21);
    t[0xDD] = I(0x76, 0x0E);
    t[0xDE] = S(0x6D, 0x57);
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) t[c + 0x20] = t[c];
    }
    t[0xDF] = S(0x6B, 0x6B);  // sharp s sorts as "ss"
    t[0xFF] = I(0x76, 0x13);
}

constexpr Table BuildLatin1() {
    Table t{};
    FillControls(t);
    FillAscii(t);
    FillLatin1Symbols(t);
    FillLatin1Letters(t);
    return t;
}

constexpr Table kLatin1 = BuildLatin1();

// Above U+00FF: only codes established exactly.
constexpr GeneralCode kIdeographicSpace = S(0x07);  // U+3000 sorts as a space (but is never trimmed)
constexpr GeneralCode kRightSingleQuote = S(0x2B, 0x38);
constexpr GeneralCode kEmDash = U(0x8B);

}  // namespace

const GeneralCode* GeneralCodeOf(char16_t ch) {
    if (ch <= 0xFF) return &kLatin1[ch];
    if (ch >= 0xFF10 && ch <= 0xFF19) return &kLatin1[u'0' + (ch - 0xFF10)];  // fullwidth digits
    switch (ch) {
        case 0x3000:
            return &kIdeographicSpace;
        case 0x2019:
            return &kRightSingleQuote;
        case 0x2014:
            return &kEmDash;
        default:
            return nullptr;
    }
}

}  // namespace jet
