// Index keys: one flag byte per column, then bytes that compare as unsigned strings in the order Jet
// sorts the values. Numbers become big-endian with the sign folded in; text goes through the
// General code table (general_sort_order.cpp). Descending columns invert their value bytes, so the
// B-tree itself only ever compares ascending bytes.

#include "jet/index/index_key.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/text.h"
#include "jet/index/general_sort_order.h"

namespace jet {
namespace {

constexpr uint8_t kAscendingPresent = 0x7F;
constexpr uint8_t kAscendingNull = 0x00;
constexpr uint8_t kDescendingPresent = 0x80;
constexpr uint8_t kDescendingNull = 0xFF;
constexpr size_t kMaxIndexColumns = 10;
constexpr size_t kMaxTextChars = 255;

Status Mismatch(size_t column, const char* expected) {
    return Status(ErrorCode::TypeMismatch, "index column " + std::to_string(column + 1) + ": expected " + expected);
}

std::string CodePoint(char16_t ch) {
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(ch));
    return text;
}

bool IsKeyable(ColumnType type) {
    switch (type) {
        case ColumnType::Boolean:
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long:
        case ColumnType::Currency:
        case ColumnType::Single:
        case ColumnType::Double:
        case ColumnType::DateTime:
        case ColumnType::Text:
        case ColumnType::Memo:
            return true;
        default:
            return false;
    }
}

void InvertFrom(std::string& out, size_t start) {
    for (size_t i = start; i < out.size(); ++i) out[i] = char(~uint8_t(out[i]));
}

// Two's complement big-endian with the sign bit flipped: negative numbers sort below positive ones.
void AppendSigned(std::string& out, int64_t value, int bytes) {
    uint64_t bits = uint64_t(value) ^ (uint64_t(1) << (8 * bytes - 1));
    for (int i = bytes - 1; i >= 0; --i) out.push_back(char(uint8_t(bits >> (8 * i))));
}

// IEEE big-endian; positive values flip the sign bit, negative values flip everything, so that the
// bytes of -2 < -1 < 0 < 1 compare in that order.
void AppendFloatBits(std::string& out, uint64_t bits, int bytes) {
    uint64_t sign = uint64_t(1) << (8 * bytes - 1);
    bits = (bits & sign) ? ~bits : (bits ^ sign);
    for (int i = bytes - 1; i >= 0; --i) out.push_back(char(uint8_t(bits >> (8 * i))));
}

Result<int64_t> IntegerIn(const Value& value, size_t column, int64_t low, int64_t high) {
    const int64_t* number = std::get_if<int64_t>(&value);
    if (!number) return Mismatch(column, "an integer");
    if (*number < low || *number > high) {
        return Status(ErrorCode::TypeMismatch,
                      "index column " + std::to_string(column + 1) + ": " + std::to_string(*number) + " out of range");
    }
    return *number;
}

Result<double> RealIn(const Value& value, size_t column) {
    if (const double* number = std::get_if<double>(&value)) return *number;
    if (const DateTime* date = std::get_if<DateTime>(&value)) return date->days;
    return Mismatch(column, "a number or date");
}

// The value bytes of a non-null, non-text column, ascending.
Status AppendNumber(std::string& out, ColumnType type, const Value& value, size_t column) {
    switch (type) {
        case ColumnType::Byte: {
            auto number = IntegerIn(value, column, 0, 255);
            KESTRIN_TRY(number);
            out.push_back(char(uint8_t(*number)));
            return Status::Ok();
        }
        case ColumnType::Integer: {
            auto number = IntegerIn(value, column, INT16_MIN, INT16_MAX);
            KESTRIN_TRY(number);
            AppendSigned(out, *number, 2);
            return Status::Ok();
        }
        case ColumnType::Long: {
            auto number = IntegerIn(value, column, INT32_MIN, INT32_MAX);
            KESTRIN_TRY(number);
            AppendSigned(out, *number, 4);
            return Status::Ok();
        }
        case ColumnType::Currency: {
            const Currency* money = std::get_if<Currency>(&value);
            if (!money) return Mismatch(column, "a currency amount");
            AppendSigned(out, money->scaled, 8);
            return Status::Ok();
        }
        case ColumnType::Single: {
            auto number = RealIn(value, column);
            KESTRIN_TRY(number);
            float single = float(*number);
            uint32_t bits;
            std::memcpy(&bits, &single, 4);
            AppendFloatBits(out, bits, 4);
            return Status::Ok();
        }
        case ColumnType::Double:
        case ColumnType::DateTime: {
            auto number = RealIn(value, column);
            KESTRIN_TRY(number);
            uint64_t bits;
            std::memcpy(&bits, &*number, 8);
            AppendFloatBits(out, bits, 8);
            return Status::Ok();
        }
        default:
            return Mismatch(column, "a numeric column");
    }
}

// Builds the text bytes after the flag: inline codes, end mark, accent list, unprintable group, end.
// `n` counts inline characters; an accent or unprintable character records its position by n.
Status AppendText(std::string& out, std::u16string_view text, size_t column) {
    std::string extras;
    std::string unprintables;
    uint32_t n = 0;
    for (char16_t ch : text) {
        const GeneralCode* code = GeneralCodeOf(ch);
        if (!code) {
            return Status(ErrorCode::Unsupported,
                          "index column " + std::to_string(column + 1) + ": no General sort code for " + CodePoint(ch));
        }
        switch (code->sortClass) {
            case SortClass::Simple:
                out.append(reinterpret_cast<const char*>(code->inlineBytes), code->inlineCount);
                ++n;
                break;
            case SortClass::International:
                out.append(reinterpret_cast<const char*>(code->inlineBytes), code->inlineCount);
                if (extras.size() < n) extras.append(n - extras.size(), '\x02');
                extras.push_back(char(code->extra));
                ++n;
                break;
            case SortClass::Unprintable: {
                uint16_t position = uint16_t(0x8000 + 7 + 4 * n);
                unprintables += {char(position >> 8), char(position & 0xFF), '\x06', char(code->extra)};
                break;
            }
            case SortClass::Ignored:
                break;
        }
    }
    out.push_back('\x01');
    while (!extras.empty() && uint8_t(extras.back()) <= 0x02) extras.pop_back();
    out += extras;
    if (!unprintables.empty()) {
        out += "\x01\x01\x01";
        out += unprintables;
    }
    out.push_back('\x00');
    return Status::Ok();
}

// The Chinese sort orders share General's codes for the characters that Access-made files show
// them to (their stored keys compared with General's; see the format notes): all of printable
// ASCII in 2052, fewer in 1028, where the files hold less. Any other character there is refused:
// its code in those orders is not known here.
struct SharedRange {
    uint16_t sortOrder;
    std::string_view characters;
};
constexpr SharedRange kSharedWithGeneral[] = {
    {2052, " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"},
    {1028, " ()-./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz{}~"},
};

const SharedRange* SharedRangeOf(const IndexKeyColumn& col) {
    for (const SharedRange& range : kSharedWithGeneral)
        if (range.sortOrder == col.sortOrder && col.sortVersion == 0) return &range;
    return nullptr;
}

Status CheckSharedRange(const SharedRange& range, std::u16string_view text, size_t column) {
    for (char16_t ch : text) {
        if (ch < 0x80 && range.characters.find(char(ch)) != std::string_view::npos) continue;
        return Status(ErrorCode::Unsupported, "index column " + std::to_string(column + 1) + ": sort order " +
                                                  std::to_string(range.sortOrder) + " has no known code for " +
                                                  CodePoint(ch));
    }
    return Status::Ok();
}

Status AppendTextColumn(std::string& out, const IndexKeyColumn& col, const Value& value, size_t column) {
    const SharedRange* shared = SharedRangeOf(col);
    if ((col.sortOrder != 1033 || col.sortVersion != 0) && !shared) {
        return Status(ErrorCode::Unsupported, "index column " + std::to_string(column + 1) + ": sort order " +
                                                  std::to_string(col.sortOrder) + " version " +
                                                  std::to_string(col.sortVersion) + " is not General");
    }
    const std::string* utf8 = std::get_if<std::string>(&value);
    if (!utf8) return Mismatch(column, "text");
    if (!IsValidUtf8(*utf8)) {
        return Status(ErrorCode::InvalidArgument, "index column " + std::to_string(column + 1) + ": invalid UTF-8");
    }
    std::u16string text = Utf8ToUtf16(*utf8);
    if (text.size() > kMaxTextChars) text.resize(kMaxTextChars);
    while (!text.empty() && text.back() == u' ') text.pop_back();
    if (shared) KESTRIN_TRY(CheckSharedRange(*shared, text, column));
    return AppendText(out, text, column);
}

Status AppendColumn(std::string& out, const IndexKeyColumn& col, const Value& value, size_t column) {
    if (!IsKeyable(col.type)) {
        return Status(ErrorCode::Unsupported,
                      "index column " + std::to_string(column + 1) + ": this engine does not index this column type");
    }
    bool isText = col.type == ColumnType::Text || col.type == ColumnType::Memo;
    // A Boolean lives in the null mask and has no null: a missing value is False.
    if (col.type == ColumnType::Boolean) {
        bool truth = false;
        if (const bool* b = std::get_if<bool>(&value)) {
            truth = *b;
        } else if (!IsNull(value)) {
            return Mismatch(column, "a Boolean");
        }
        out.push_back(char(col.ascending ? kAscendingPresent : kDescendingPresent));
        out.push_back(char((truth == col.ascending) ? 0x00 : 0xFF));
        return Status::Ok();
    }
    if (IsNull(value)) {
        out.push_back(char(col.ascending ? kAscendingNull : kDescendingNull));
        return Status::Ok();
    }
    out.push_back(char(col.ascending ? kAscendingPresent : kDescendingPresent));
    size_t start = out.size();
    if (isText) {
        KESTRIN_TRY(AppendTextColumn(out, col, value, column));
        if (!col.ascending) {
            InvertFrom(out, start);  // the text's own 0x00 end mark becomes 0xFF
            out.push_back('\x00');
        }
        return Status::Ok();
    }
    KESTRIN_TRY(AppendNumber(out, col.type, value, column));
    if (!col.ascending) InvertFrom(out, start);
    return Status::Ok();
}

}  // namespace

Result<std::string> EncodeIndexKey(const std::vector<IndexKeyColumn>& columns, const std::vector<Value>& values) {
    if (columns.empty() || columns.size() > kMaxIndexColumns) {
        return Status(ErrorCode::InvalidArgument, "an index has 1 to 10 columns");
    }
    if (values.size() != columns.size()) {
        return Status(ErrorCode::InvalidArgument, "index key: " + std::to_string(values.size()) + " values for " +
                                                      std::to_string(columns.size()) + " columns");
    }
    std::string key;
    for (size_t i = 0; i < columns.size(); ++i) KESTRIN_TRY(AppendColumn(key, columns[i], values[i], i));
    return key;
}

}  // namespace jet
