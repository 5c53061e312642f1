#pragma once
// The General (legacy) sort order, LCID 1033 version 0: the code bytes one UTF-16 character
// contributes to a text index key. Private to jet/index; index_key.cpp builds keys from it.
//
// Invariants:
//  1. Every character U+0000-U+00FF has a code. Above U+00FF only the few characters whose codes
//     are known exactly have one; every other character has none (the caller refuses the key).
//  2. Lower- and upper-case letters share their inline bytes; accents live only in the extra byte.
//
// Classes: Simple = inline bytes only; International = inline bytes plus one extra byte recording
// the accent; Unprintable = no inline bytes, one code byte in the key's trailing group; Ignored =
// nothing at all.

#include <cstdint>

namespace jet {

enum class SortClass : uint8_t { Simple, International, Unprintable, Ignored };

struct GeneralCode {
    SortClass sortClass = SortClass::Ignored;
    uint8_t inlineCount = 0;      // 0..2
    uint8_t inlineBytes[2] = {};  // Simple and International
    uint8_t extra = 0;            // International: the accent byte; Unprintable: the group's code byte
};

// The code of `ch`, or nullptr when this engine does not know it.
const GeneralCode* GeneralCodeOf(char16_t ch);

}  // namespace jet
