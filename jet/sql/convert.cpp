#include "jet/sql/convert.h"

#include <charconv>
#include <limits>
#include <string>

#include "common/text.h"
#include "jet/format/jet_date.h"

namespace jet {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsIntegerType(ColumnType type) {
    return type == ColumnType::Byte || type == ColumnType::Integer || type == ColumnType::Long;
}

bool IsTextType(ColumnType type) {
    return type == ColumnType::Text || type == ColumnType::Memo;
}

struct Range {
    int64_t low;
    int64_t high;
};

Range RangeOf(ColumnType type) {
    switch (type) {
        case ColumnType::Byte:
            return {0, 255};
        case ColumnType::Integer:
            return {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()};
        default:
            return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    }
}

bool InRange(ColumnType type, int64_t value) {
    const Range range = RangeOf(type);
    return value >= range.low && value <= range.high;
}

std::string ColumnLabel(const ColumnInfo& column) {
    std::string label = "column " + column.name + " (" + ColumnTypeName(column.type);
    if (column.type == ColumnType::Text) label += "(" + std::to_string(column.maxLength) + ")";
    return label + ")";
}

std::string LiteralLabel(const Literal& literal) {
    const std::string shown = literal.kind == Literal::Kind::Text      ? "'" + literal.text + "'"
                              : literal.kind == Literal::Kind::Integer ? std::to_string(literal.integer)
                                                                       : "NULL";
    return shown + " at position " + std::to_string(literal.position);
}

Status Unsupported(const ColumnInfo& column) {
    return Status(ErrorCode::Unsupported, ColumnLabel(column) + ": this type is not handled by the SQL layer");
}

// A literal as an integer for an integer or Boolean column; TypeMismatch when it is no number.
Result<int64_t> LiteralAsInteger(const ColumnInfo& column, const Literal& literal) {
    if (literal.kind == Literal::Kind::Integer) return literal.integer;
    std::optional<int64_t> number = TextToInteger(literal.text);
    if (!number) {
        return Status(ErrorCode::TypeMismatch, ColumnLabel(column) + ": " + LiteralLabel(literal) + " is not a number");
    }
    return *number;
}

std::string LiteralAsText(const Literal& literal) {
    return literal.kind == Literal::Kind::Integer ? std::to_string(literal.integer) : literal.text;
}

// The shortest text that reads back as the same Single or Double.
std::string RealText(ColumnType type, double value) {
    char text[32];
    auto written = type == ColumnType::Single ? std::to_chars(text, text + sizeof text, float(value))
                                              : std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

// Exact: the amount is a count of ten-thousandths; trailing zeros of the fraction go.
std::string CurrencyText(Currency money) {
    uint64_t magnitude = money.scaled < 0 ? uint64_t(0) - uint64_t(money.scaled) : uint64_t(money.scaled);
    std::string text = (money.scaled < 0 ? "-" : "") + std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

std::string HexText(const Bytes& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * bytes.size());
    for (uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

// {00112233-4455-6677-8899-AABBCCDDEEFF}: the first three groups are stored little-endian.
std::string GuidText(const Bytes& b) {
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    Bytes ordered;
    for (int i : order) ordered.push_back(b[i]);
    std::string hex = HexText(ordered);
    return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
           hex.substr(20) + "}";
}

}  // namespace

std::optional<int64_t> TextToInteger(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    for (std::string_view digits : {whole, fraction}) {
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
        }
    }
    int64_t magnitude = 0;
    if (!whole.empty()) {
        auto [stop, error] = std::from_chars(whole.data(), whole.data() + whole.size(), magnitude);
        if (error != std::errc() || stop != whole.data() + whole.size()) return std::nullopt;
    }
    // Round half to even, as Jet's (and VBA's) conversion to an integer type does.
    const bool aboveHalf = !fraction.empty() &&
                           (fraction[0] > '5' || (fraction[0] == '5' &&
                                                  fraction.substr(1).find_first_not_of('0') != std::string_view::npos));
    const bool exactlyHalf = !fraction.empty() && fraction[0] == '5' && !aboveHalf;
    if (aboveHalf || (exactlyHalf && magnitude % 2 == 1)) {
        if (magnitude == std::numeric_limits<int64_t>::max()) return std::nullopt;
        ++magnitude;
    }
    return negative ? -magnitude : magnitude;
}

Result<Value> LiteralToColumnValue(const ColumnInfo& column, const Literal& literal) {
    if (literal.kind == Literal::Kind::Null) return Value(jet::Null{});
    if (IsIntegerType(column.type)) {
        Result<int64_t> number = LiteralAsInteger(column, literal);
        if (!number) return number.status();
        if (!InRange(column.type, *number)) {
            return Status(ErrorCode::TooLarge, ColumnLabel(column) + ": " + LiteralLabel(literal) + " is out of range");
        }
        return Value(*number);
    }
    if (column.type == ColumnType::Boolean) {
        Result<int64_t> number = LiteralAsInteger(column, literal);
        if (!number) return number.status();
        return Value(*number != 0);
    }
    if (!IsTextType(column.type)) return Unsupported(column);
    Result<Value> value = Value(LiteralAsText(literal));
    const std::string& text = std::get<std::string>(*value);
    if (column.type == ColumnType::Text && Utf8ToUtf16(text).size() > column.maxLength) {
        return Status(ErrorCode::TooLarge, ColumnLabel(column) + ": " + LiteralLabel(literal) + " is longer than " +
                                               std::to_string(column.maxLength) + " characters");
    }
    return value;
}

Result<std::optional<Value>> LiteralToSearchKey(const ColumnInfo& column, const Literal& literal) {
    // In Jet, col = NULL is never true: Null compares as unknown.
    if (literal.kind == Literal::Kind::Null) return std::optional<Value>();
    if (IsIntegerType(column.type)) {
        Result<int64_t> number = LiteralAsInteger(column, literal);
        if (!number) return number.status();
        if (!InRange(column.type, *number)) return std::optional<Value>();
        return std::optional<Value>(Value(*number));
    }
    if (column.type == ColumnType::Boolean) {
        Result<int64_t> number = LiteralAsInteger(column, literal);
        if (!number) return number.status();
        return std::optional<Value>(Value(*number != 0));
    }
    if (!IsTextType(column.type)) return Unsupported(column);
    // No length check: a longer text simply matches no row.
    return std::optional<Value>(Value(LiteralAsText(literal)));
}

Result<Variant> ColumnValueToVariant(const ColumnInfo& column, Value&& value) {
    if (auto* text = std::get_if<std::string>(&value)) return Variant(std::move(*text));
    return ColumnValueToVariant(column, static_cast<const Value&>(value));
}

Result<Variant> ColumnValueToVariant(const ColumnInfo& column, const Value& value) {
    if (IsNull(value)) return Variant();
    if (const auto* integer = std::get_if<int64_t>(&value)) return Variant(*integer);
    if (const auto* text = std::get_if<std::string>(&value)) return Variant(*text);
    if (const auto* flag = std::get_if<bool>(&value)) return Variant(int64_t{*flag ? -1 : 0});
    if (const auto* real = std::get_if<double>(&value)) return Variant(RealText(column.type, *real));
    if (const auto* money = std::get_if<Currency>(&value)) return Variant(CurrencyText(*money));
    if (const auto* date = std::get_if<DateTime>(&value)) return Variant(FormatJetDate(*date));
    if (const auto* number = std::get_if<Decimal>(&value)) return Variant(number->text);
    if (const auto* bytes = std::get_if<Bytes>(&value))
        return Variant(column.type == ColumnType::Guid && bytes->size() == 16 ? GuidText(*bytes) : HexText(*bytes));
    return Unsupported(column);
}

}  // namespace jet
