#pragma once
// Index keys: the bytes under which a row's values sort in an index (one flag byte per column, then
// the value bytes). Text uses the General (legacy) sort order, LCID 1033 version 0.
//
// Format, per column: a flag byte (0x7F ascending / 0x80 descending value; 0x00 / 0xFF null, nothing
// follows), then the value: Byte as is; Integer, Long, Currency big-endian with the sign bit flipped;
// Single, Double, Date IEEE big-endian with the sign bit flipped when clear, every bit when set;
// Boolean 0x00 True / 0xFF False; Text and Memo the General codes, 0x01, the accent list, then
// 01 01 01 and the unprintable groups if any, 0x00. Descending columns invert their value bytes
// (text then gets one more 0x00).
//
// Invariants:
//  1. Keys of one column's values compare as unsigned bytes in Jet's order of the values.
//  2. Text that differs only in case, trailing spaces or past its 255th character gives equal keys;
//     accents, apostrophes and hyphens are kept.
//
// Text columns in the Chinese sort orders (PRC 2052 and Taiwan 1028, version 0) get General's codes
// for the characters Access-made files prove they share: all of printable ASCII in 2052; digits,
// Latin letters, the space and `( ) - . / _ { } ~` in 1028 (index_key.cpp lists them per order).
//
// A value that cannot be encoded exactly (text with characters outside the tables this engine
// carries or outside that shared range, or a column in another sort order) is Unsupported: the
// caller refuses the write instead of storing a wrong key. Above U+00FF only U+2014, U+2019, U+3000 and the fullwidth
// digits U+FF10-U+FF19 are known; Binary, GUID, OLE and Decimal columns are Unsupported. A null Boolean is encoded as
// False (Jet's booleans have no null).

#include <string>
#include <vector>

#include "common/result.h"
#include "jet/format/value.h"

namespace jet {

struct IndexKeyColumn {
    ColumnType type = ColumnType::Long;
    bool ascending = true;
    uint16_t sortOrder = 1033;  // text: the column's collating order LCID
    uint8_t sortVersion = 0;    // text: 0 = General legacy
};

// `values` are in index column order, one per column.
Result<std::string> EncodeIndexKey(const std::vector<IndexKeyColumn>& columns, const std::vector<Value>& values);

}  // namespace jet
