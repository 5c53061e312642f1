#pragma once
// TextCodec: Jet 4.0 text values (Text and Memo columns) between stored bytes and UTF-8.
//
// On disk: UTF-16LE, or "FF FE" followed by segments separated by single 0x00 bytes, alternating
// one-byte characters (high byte 0, the first segment) and two-byte characters. Access writes the
// compressed form into columns that allow Unicode compression, and other engines also into memo
// columns that do not: "FF FE" marks it whatever the column says.
// Invariants:
//  1. Decoding accepts mixed segments of any length; encoding writes what Access writes: "FF FE" plus
//     one byte per character when the column allows compression, every character is U+0001..U+00FF
//     and there are at least 3, else plain UTF-16LE (a text starting with U+FEFF gets the segment
//     form, so that it reads back).
//  2. Malformed bytes (an odd plain length, a character cut off) are Corrupt, never a partial text.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace jet {

Result<std::u16string> DecodeJetText(std::span<const uint8_t> stored);
// The same text as UTF-8 (unpaired surrogates as U+FFFD, as Utf16ToUtf8 does).
Result<std::string> DecodeJetTextUtf8(std::span<const uint8_t> stored);
// The same into `out`, which a row decoder hands in already placed in its value (no moves between).
Status DecodeJetTextUtf8Into(std::span<const uint8_t> stored, std::string& out);
std::vector<uint8_t> EncodeJetText(std::u16string_view text, bool compressible);

}  // namespace jet
