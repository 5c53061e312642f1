#pragma once
// Column types of Jet 4.0 and the values the engine reads and writes.
// Invariants:
//  1. Each column type has one Value kind (see Value below); Null is its own kind for every type.
//  2. Text is UTF-8 here; the codecs convert to and from the UTF-16 the file holds.
// On disk: the type codes are byte 0 of a column descriptor (table_def.h).

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// The data type codes of column descriptors.
enum class ColumnType : uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,  // 16-bit
    Long = 0x04,     // 32-bit; AutoNumber is a Long with the AutoNumber flag
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
    // Access's own fixed-length binary (MSysAccessObjects.Data, 3992 bytes): read as Binary.
    FixedBinary = 0x11,
};

const char* ColumnTypeName(ColumnType type);

struct Null {
    bool operator==(const Null&) const = default;
};

// A date as Jet stores it: days since 1899-12-30, the fraction the time of day.
struct DateTime {
    double days = 0;
    bool operator==(const DateTime&) const = default;
};

// Currency: the amount times 10,000.
struct Currency {
    int64_t scaled = 0;
    bool operator==(const Currency&) const = default;
};

// Numeric (Decimal): the digits as text, e.g. "-12.50", exact.
struct Decimal {
    std::string text;
    bool operator==(const Decimal&) const = default;
};

using Bytes = std::vector<uint8_t>;

// Text and Memo values are UTF-8; Binary, FixedBinary, OLE and GUID values are their bytes (a GUID's 16 bytes
// as stored); Boolean values are bool; Byte, Integer and Long values are int64_t;
// Single and Double are double.
using Value = std::variant<Null, bool, int64_t, double, std::string, Bytes, DateTime, Currency, Decimal>;

inline bool IsNull(const Value& v) {
    return std::holds_alternative<Null>(v);
}

}  // namespace jet
