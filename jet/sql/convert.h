#pragma once
// Conversions between SQL literals, stored column values and Recordset Variants, following what
// Jet does with the same statement text:
//   - a text literal for a Byte/Integer/Long column is read as a number: blanks around it are
//     ignored, a sign is allowed, a fraction is rounded half to even ('1' -> 1, ' 12 ' -> 12,
//     '2.5' -> 2); any other text is TypeMismatch;
//   - an integer literal for a Text/Memo column is stored as its decimal text (007 -> "7");
//   - a value outside the column's range (Byte 0..255, Integer 16-bit, Long 32-bit) is TooLarge, a
//     text longer than a Text column's size is TooLarge;
//   - Boolean columns take integers (non-zero is True) and read back as -1 / 0, as ADO gives them.
// Reading, every type comes out: Single and Double as their shortest exact decimal text, Currency
// and Decimal exact ("12.34"), Date/Time as "yyyy-mm-dd hh:mm:ss", a GUID as
// "{00112233-4455-6677-8899-AABBCCDDEEFF}", Binary, OLE and Access's fixed binary as hexadecimal.
// Writing and WHERE take only the types the product uses (integers, Yes/No, Text, Memo); the others
// are Unsupported.
// Messages name the column and, for literals, their position in the statement.

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/result.h"
#include "jet/sql/statement.h"
#include "jet/sql/variant.h"
#include "jet/tables/database.h"

namespace jet {

// The number a text stands for, as Jet converts it to an integer type; nullopt when it is none.
std::optional<int64_t> TextToInteger(std::string_view text);

// The value to store for SET col = literal or VALUES(literal).
Result<Value> LiteralToColumnValue(const ColumnInfo& column, const Literal& literal);

// The value that rows must hold to satisfy WHERE col = literal; nullopt when no row can (NULL, or a
// number outside the column's range).
Result<std::optional<Value>> LiteralToSearchKey(const ColumnInfo& column, const Literal& literal);

Result<Variant> ColumnValueToVariant(const ColumnInfo& column, const Value& value);
// The same, taking the text over instead of copying it.
Result<Variant> ColumnValueToVariant(const ColumnInfo& column, Value&& value);

}  // namespace jet
