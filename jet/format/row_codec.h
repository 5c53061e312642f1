#pragma once
// RowCodec: one table row between its stored bytes and Values, by the table's definition.
//
// On disk (offsets from the row's first byte):
//   column count (u16) | fixed area (each fixed column at 2 + its fixed offset, always present) |
//   variable data | [padding] | EOD (u16) | variable offsets (u16, last slot first) |
//   variable count (u16) | null mask (ceil(column count / 8) bytes, bit set = value present;
//   for Boolean columns the bit is the value).
//   A table without variable columns stores only count, fixed area and null mask.
//   Memo/OLE cells start with a 12-byte header: length (bits 0-29) | 0x80 inline, 0x40 one LVAL row,
//   0x00 a chain of LVAL rows; row reference; zero; then the inline bytes.
// Invariants:
//  1. Values are in TableDef::columns order (column-number order).
//  2. A column the row is too old to carry (number >= the row's column count, slot >= its variable
//     count) is Null.
//  3. Every offset is checked against the row: a bad row is Corrupt, never a read outside it.
//  4. Encoding writes the TDEF's max column count and variable count, text as Access does
//     (text_codec.h), and memo values inline only (TooLarge when the row would not fit a page).

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "common/result.h"
#include "jet/format/data_page.h"
#include "jet/format/table_def.h"
#include "jet/format/value.h"

namespace jet {

// The largest row this engine writes (what Jackcess allows; a page holds 4080).
inline constexpr size_t kMaxRowSize = 4060;

// Returns the bytes of the LVAL row at a reference (the caller follows pages and slots).
using LongValueReader = std::function<Result<std::vector<uint8_t>>(RowRef)>;

// With `wanted` (one flag per column, in TableDef::columns order), only the flagged columns are
// decoded and checked; the others come back Null.
Result<std::vector<Value>> DecodeRow(const TableDef& def, std::span<const uint8_t> row, const LongValueReader& readLval,
                                     const std::vector<bool>* wanted = nullptr);
// The same into `values` (cleared first), so that a scan reuses one vector for all its rows.
Status DecodeRowInto(const TableDef& def, std::span<const uint8_t> row, const LongValueReader& readLval,
                     const std::vector<bool>* wanted, std::vector<Value>& values);
// `values` in TableDef::columns order. Types must already match the columns (TypeMismatch otherwise).
Result<std::vector<uint8_t>> EncodeRow(const TableDef& def, const std::vector<Value>& values);
// Pads a row with zero bytes before its EOD word up to `length` (for in-place updates).
Result<std::vector<uint8_t>> PadRow(const TableDef& def, std::vector<uint8_t> row, size_t length);

// One cell's value from its stored bytes (exposed for the long-value and codec tests).
Result<Value> DecodeCell(const ColumnDef& column, std::span<const uint8_t> bytes, const LongValueReader& readLval);
Result<std::vector<uint8_t>> EncodeCell(const ColumnDef& column, const Value& value);

}  // namespace jet
