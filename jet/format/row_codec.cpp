#include "jet/format/row_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "common/text.h"
#include "jet/format/jet4_layout.h"
#include "jet/format/text_codec.h"

namespace jet {
namespace {

Status Bad(const std::string& what) {
    return Status(ErrorCode::Corrupt, "row: " + what);
}
Status Mismatch(const ColumnDef& c, const char* what) {
    return Status(ErrorCode::TypeMismatch, "column " + c.name + ": " + what);
}

constexpr uint32_t kLvalInline = 0x80000000;
constexpr uint32_t kLvalSingle = 0x40000000;
constexpr uint32_t kLvalLengthMask = 0x3FFFFFFF;

size_t FixedSize(ColumnType type) {
    switch (type) {
        case ColumnType::Byte:
            return 1;
        case ColumnType::Integer:
            return 2;
        case ColumnType::Long:
        case ColumnType::Single:
            return 4;
        case ColumnType::Currency:
        case ColumnType::Double:
        case ColumnType::DateTime:
            return 8;
        case ColumnType::Guid:
            return 16;
        case ColumnType::Numeric:
            return 17;
        default:
            return 0;
    }
}

// Decimal: sign byte (0x80 = negative), then a 128-bit magnitude as four little-endian 32-bit words,
// the most significant word first; the column's misc bytes hold precision and scale.
std::string DecimalText(const uint8_t* p, int scale) {
    uint32_t words[4];
    for (int i = 0; i < 4; ++i) words[i] = Le32(p + 1 + 4 * i);
    std::string digits;
    while (words[0] || words[1] || words[2] || words[3]) {
        uint64_t remainder = 0;
        for (auto& w : words) {
            uint64_t current = remainder << 32 | w;
            w = uint32_t(current / 10);
            remainder = current % 10;
        }
        digits.insert(digits.begin(), char('0' + remainder));
    }
    while (int(digits.size()) <= scale) digits.insert(digits.begin(), '0');
    if (scale > 0) digits.insert(digits.end() - scale, '.');
    return (p[0] & 0x80 ? "-" : "") + digits;
}

Result<Value> DecodeFixed(const ColumnDef& c, const uint8_t* p) {
    switch (c.type) {
        case ColumnType::Byte:
            return Value(int64_t(p[0]));
        case ColumnType::Integer:
            return Value(int64_t(int16_t(Le16(p))));
        case ColumnType::Long:
            return Value(int64_t(int32_t(Le32(p))));
        case ColumnType::Currency:
            return Value(Currency{int64_t(uint64_t(Le32(p)) | uint64_t(Le32(p + 4)) << 32)});
        case ColumnType::Single: {
            uint32_t bits = Le32(p);
            float f;
            std::memcpy(&f, &bits, 4);
            return Value(double(f));
        }
        case ColumnType::Double:
            return Value(LeDouble(p));
        case ColumnType::DateTime:
            return Value(DateTime{LeDouble(p)});
        case ColumnType::Guid:
            return Value(Bytes(p, p + 16));
        case ColumnType::Numeric:
            return Value(Decimal{DecimalText(p, c.misc[1])});
        case ColumnType::FixedBinary:
            return Value(Bytes(p, p + c.length));
        default:
            return Bad("column " + c.name + ": unknown fixed type " + std::to_string(int(c.type)));
    }
}

Result<std::vector<uint8_t>> ReadLongValue(std::span<const uint8_t> cell, const LongValueReader& readLval) {
    if (cell.size() < 12) return Bad("long value header too short");
    uint32_t head = Le32(cell.data());
    size_t length = head & kLvalLengthMask;
    if (head & kLvalInline) {
        if (cell.size() - 12 < length) return Bad("inline long value longer than its cell");
        return std::vector<uint8_t>(cell.begin() + 12, cell.begin() + 12 + length);
    }
    RowRef ref = ReadRowRef(cell.data() + 4);
    if (head & kLvalSingle) {
        auto bytes = readLval(ref);
        KESTRIN_TRY(bytes);
        if (bytes->size() < length) return Bad("long value row shorter than its length");
        bytes->resize(length);
        return bytes;
    }
    // Every piece must add bytes and be one not visited before: a chain then ends within the rows
    // of the file, however long a value it claims.
    std::vector<uint8_t> value;
    std::set<std::pair<uint32_t, uint8_t>> visited;
    while (value.size() < length) {
        if (ref.page == kNoPage) return Bad("long value chain ends early");
        if (!visited.emplace(ToIndex(ref.page), ref.row).second) return Bad("long value chain runs in a loop");
        auto piece = readLval(ref);
        KESTRIN_TRY(piece);
        if (piece->size() <= 4) return Bad("long value piece holds no bytes");
        ref = ReadRowRef(piece->data());
        value.insert(value.end(), piece->begin() + 4, piece->end());
    }
    value.resize(length);
    return value;
}

Result<std::string> TextOf(const ColumnDef& c, std::span<const uint8_t> bytes) {
    auto text = DecodeJetTextUtf8(bytes);
    if (!text.ok()) return text.status().WithContext("column " + c.name);
    return text;
}

}  // namespace

Result<Value> DecodeCell(const ColumnDef& c, std::span<const uint8_t> bytes, const LongValueReader& readLval) {
    switch (c.type) {
        case ColumnType::Text: {
            auto text = TextOf(c, bytes);
            KESTRIN_TRY(text);
            return Value(std::move(*text));
        }
        case ColumnType::Binary:
            return Value(Bytes(bytes.begin(), bytes.end()));
        case ColumnType::Memo:
        case ColumnType::Ole: {
            auto data = ReadLongValue(bytes, readLval);
            if (!data.ok()) return data.status().WithContext("column " + c.name);
            if (c.type == ColumnType::Ole) return Value(std::move(*data));
            auto text = TextOf(c, *data);
            KESTRIN_TRY(text);
            return Value(std::move(*text));
        }
        default: {
            size_t size = c.type == ColumnType::FixedBinary ? c.length : FixedSize(c.type);
            if (bytes.size() < size) return Bad("column " + c.name + " shorter than its type");
            return DecodeFixed(c, bytes.data());
        }
    }
}

Result<std::vector<Value>> DecodeRow(const TableDef& def, std::span<const uint8_t> row, const LongValueReader& readLval,
                                     const std::vector<bool>* wanted) {
    std::vector<Value> values;
    KESTRIN_TRY(DecodeRowInto(def, row, readLval, wanted, values));
    return values;
}

Status DecodeRowInto(const TableDef& def, std::span<const uint8_t> row, const LongValueReader& readLval,
                     const std::vector<bool>* wanted, std::vector<Value>& values) {
    values.clear();
    if (row.size() < 2) return Bad("shorter than its column count");
    size_t columnCount = Le16(row.data());
    size_t maskSize = (columnCount + 7) / 8;
    if (row.size() < 2 + maskSize) return Bad("shorter than its null mask");
    const uint8_t* mask = row.data() + row.size() - maskSize;
    size_t trailer = row.size() - maskSize;  // first byte after the fixed area / variable part
    size_t varCount = 0, eod = 0, offsetsAt = 0;
    if (def.varColumns > 0) {
        if (trailer < 4) return Bad("no variable count");
        varCount = Le16(row.data() + trailer - 2);
        if (trailer < 2 + 2 * varCount + 2 + 2) return Bad("variable offsets run past the row start");
        offsetsAt = trailer - 2 - 2 * varCount;  // entry for the last slot
        eod = Le16(row.data() + offsetsAt - 2);
        trailer = offsetsAt - 2;
        if (eod > trailer) return Bad("EOD past the variable data");
    }
    auto present = [&](uint16_t number) { return number < columnCount && (mask[number / 8] >> (number % 8) & 1); };
    auto varStart = [&](size_t slot) { return size_t(Le16(row.data() + offsetsAt + 2 * (varCount - 1 - slot))); };

    values.reserve(def.columns.size());
    for (const ColumnDef& c : def.columns) {
        if (wanted && (values.size() >= wanted->size() || !(*wanted)[values.size()])) {
            values.emplace_back(Null{});
            continue;
        }
        if (c.type == ColumnType::Boolean) {
            values.emplace_back(present(c.number));
            continue;
        }
        if (!present(c.number) || (!c.IsFixed() && c.varSlot >= varCount)) {
            values.emplace_back(Null{});
            continue;
        }
        size_t start, end;
        if (c.IsFixed()) {
            start = 2 + size_t(c.fixedOffset);
            end = start + c.length;
            if (end > trailer) return Bad("column " + c.name + " past the fixed area");
        } else {
            start = varStart(c.varSlot);
            end = size_t(c.varSlot) + 1 < varCount ? varStart(c.varSlot + 1u) : eod;
            if (start < 2 || start > end || end > eod) return Bad("column " + c.name + " has bad variable offsets");
        }
        std::span<const uint8_t> cell = row.subspan(start, end - start);
        if (c.type == ColumnType::Text) {
            // Decoded in place: most texts are short, and each move of one is a copy.
            auto& text = values.emplace_back(std::in_place_type<std::string>);
            Status decoded = DecodeJetTextUtf8Into(cell, std::get<std::string>(text));
            if (!decoded.ok()) return decoded.WithContext("column " + c.name);
            continue;
        }
        auto value = DecodeCell(c, cell, readLval);
        KESTRIN_TRY(value);
        values.push_back(std::move(*value));
    }
    return Status::Ok();
}

namespace {

Result<int64_t> WholeNumber(const ColumnDef& c, const Value& v, int64_t lo, int64_t hi) {
    const int64_t* i = std::get_if<int64_t>(&v);
    if (!i) return Mismatch(c, "expects a whole number");
    if (*i < lo || *i > hi) return Mismatch(c, "number out of range");
    return *i;
}

Result<double> RealNumber(const ColumnDef& c, const Value& v) {
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto i = std::get_if<int64_t>(&v)) return double(*i);
    if (auto t = std::get_if<DateTime>(&v)) return t->days;
    return Mismatch(c, "expects a number");
}

Result<std::vector<uint8_t>> EncodeFixed(const ColumnDef& c, const Value& v) {
    std::vector<uint8_t> out(FixedSize(c.type), 0);
    switch (c.type) {
        case ColumnType::Byte:
        case ColumnType::Integer:
        case ColumnType::Long: {
            int64_t limit = c.type == ColumnType::Byte ? 255 : c.type == ColumnType::Integer ? 32767 : 2147483647;
            auto i = WholeNumber(c, v, c.type == ColumnType::Byte ? 0 : -limit - 1, limit);
            KESTRIN_TRY(i);
            for (size_t k = 0; k < out.size(); ++k) out[k] = uint8_t(uint64_t(*i) >> (8 * k));
            return out;
        }
        case ColumnType::Currency: {
            int64_t scaled;
            if (auto cur = std::get_if<Currency>(&v))
                scaled = cur->scaled;
            else if (auto i = std::get_if<int64_t>(&v))
                scaled = *i * 10000;
            else
                return Mismatch(c, "expects a currency amount");
            for (size_t k = 0; k < 8; ++k) out[k] = uint8_t(uint64_t(scaled) >> (8 * k));
            return out;
        }
        case ColumnType::Single: {
            auto d = RealNumber(c, v);
            KESTRIN_TRY(d);
            float f = float(*d);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            PutLe32(out.data(), bits);
            return out;
        }
        case ColumnType::Double:
        case ColumnType::DateTime: {
            auto d = RealNumber(c, v);
            KESTRIN_TRY(d);
            PutLeDouble(out.data(), *d);
            return out;
        }
        case ColumnType::Guid: {
            auto b = std::get_if<Bytes>(&v);
            if (!b || b->size() != 16) return Mismatch(c, "expects 16 bytes");
            return *b;
        }
        default:
            return Status(ErrorCode::Unsupported,
                          "column " + c.name + ": writing " + ColumnTypeName(c.type) + " values");
    }
}

// A memo or OLE value, always inline: the header says so, the bytes follow.
Result<std::vector<uint8_t>> EncodeLongValue(const ColumnDef& c, const Value& v) {
    std::vector<uint8_t> data;
    if (auto s = std::get_if<std::string>(&v); s && c.type == ColumnType::Memo)
        data = EncodeJetText(Utf8ToUtf16(*s), c.IsCompressible());
    else if (auto b = std::get_if<Bytes>(&v); b && c.type == ColumnType::Ole)
        data = *b;
    else
        return Mismatch(c, c.type == ColumnType::Memo ? "expects text" : "expects bytes");
    if (data.size() > kMaxRowSize) return Status(ErrorCode::TooLarge, "column " + c.name + ": long value too long");
    std::vector<uint8_t> cell(12, 0);
    PutLe32(cell.data(), uint32_t(data.size()) | kLvalInline);
    cell.insert(cell.end(), data.begin(), data.end());
    return cell;
}

}  // namespace

Result<std::vector<uint8_t>> EncodeCell(const ColumnDef& c, const Value& v) {
    switch (c.type) {
        case ColumnType::Text: {
            auto s = std::get_if<std::string>(&v);
            if (!s) return Mismatch(c, "expects text");
            std::u16string units = Utf8ToUtf16(*s);
            if (units.size() > size_t(c.length / 2))
                return Status(ErrorCode::TooLarge, "column " + c.name + ": text longer than " +
                                                       std::to_string(c.length / 2) + " characters");
            return EncodeJetText(units, c.IsCompressible());
        }
        case ColumnType::Binary: {
            auto b = std::get_if<Bytes>(&v);
            if (!b) return Mismatch(c, "expects bytes");
            if (b->size() > c.length) return Status(ErrorCode::TooLarge, "column " + c.name + ": value too long");
            return *b;
        }
        case ColumnType::Memo:
        case ColumnType::Ole:
            return EncodeLongValue(c, v);
        default:
            return EncodeFixed(c, v);
    }
}

Result<std::vector<uint8_t>> EncodeRow(const TableDef& def, const std::vector<Value>& values) {
    if (values.size() != def.columns.size())
        return Status(ErrorCode::InvalidArgument, "row has the wrong number of values");
    size_t fixedSize = def.FixedAreaSize();
    std::vector<uint8_t> row(2 + fixedSize, 0);
    PutLe16(row.data(), def.maxColumns);
    std::vector<uint8_t> mask((def.maxColumns + 7) / 8, 0);
    std::vector<std::vector<uint8_t>> varCells(def.varColumns);
    std::vector<bool> varPresent(def.varColumns, false);
    for (size_t i = 0; i < def.columns.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        const Value& v = values[i];
        bool set = false;
        if (c.type == ColumnType::Boolean) {
            if (auto b = std::get_if<bool>(&v))
                set = *b;
            else if (auto n = std::get_if<int64_t>(&v))
                set = *n != 0;
            else if (!IsNull(v))
                return Mismatch(c, "expects true or false");
        } else if (!IsNull(v)) {
            auto cell = EncodeCell(c, v);
            KESTRIN_TRY(cell);
            set = true;
            if (c.IsFixed()) {
                if (2 + size_t(c.fixedOffset) + cell->size() > row.size())
                    return Mismatch(c, "fixed value past the fixed area");
                std::memcpy(row.data() + 2 + c.fixedOffset, cell->data(), cell->size());
            } else if (c.varSlot < def.varColumns) {
                varCells[c.varSlot] = std::move(*cell);
            }
        }
        if (set && c.number < def.maxColumns) mask[c.number / 8] |= uint8_t(1 << (c.number % 8));
    }
    if (def.varColumns > 0) {
        std::vector<uint16_t> offsets;
        for (auto& cell : varCells) {
            offsets.push_back(uint16_t(row.size()));
            row.insert(row.end(), cell.begin(), cell.end());
        }
        size_t eod = row.size();
        row.resize(row.size() + 2 + 2 * offsets.size() + 2);
        uint8_t* p = row.data() + eod;
        PutLe16(p, uint16_t(eod));
        for (size_t s = 0; s < offsets.size(); ++s) PutLe16(p + 2 + 2 * (offsets.size() - 1 - s), offsets[s]);
        PutLe16(p + 2 + 2 * offsets.size(), uint16_t(offsets.size()));
    }
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > kMaxRowSize) return Status(ErrorCode::TooLarge, "row of " + std::to_string(row.size()) + " bytes");
    return row;
}

Result<std::vector<uint8_t>> PadRow(const TableDef& def, std::vector<uint8_t> row, size_t length) {
    if (row.size() == length) return row;
    if (row.size() > length || def.varColumns == 0) return Status(ErrorCode::InvalidArgument, "row cannot be padded");
    size_t maskSize = (Le16(row.data()) + 7) / 8;
    size_t eodAt = row.size() - maskSize - 2 - 2 * size_t(def.varColumns) - 2;
    row.insert(row.begin() + eodAt, length - row.size(), 0);
    return row;
}

}  // namespace jet
