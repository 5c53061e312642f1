#include "jet/format/table_def.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

#include "common/text.h"
#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

using L = Jet4Layout;

Status Bad(const std::string& what) {
    return Status(ErrorCode::Corrupt, "table definition: " + what);
}

// A bounds-checked reader over the TDEF string.
class Cursor {
  public:
    explicit Cursor(const std::vector<uint8_t>& bytes, size_t position) : bytes_(bytes), position_(position) {}
    bool Has(size_t n) const { return position_ <= bytes_.size() && bytes_.size() - position_ >= n; }
    const uint8_t* Take(size_t n) {
        const uint8_t* p = bytes_.data() + position_;
        position_ += n;
        return p;
    }
    Result<std::string> Name(const char* what) {
        if (!Has(2)) return Bad(std::string(what) + " name runs past the end");
        size_t length = Le16(Take(2));
        if (length % 2 != 0 || length > 256 || !Has(length)) return Bad(std::string(what) + " name length");
        std::u16string name;
        const uint8_t* p = Take(length);
        for (size_t i = 0; i < length; i += 2) name.push_back(char16_t(Le16(p + i)));
        return Utf16ToUtf8(name);
    }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t position_;
};

ColumnDef ParseColumn(const uint8_t* p) {
    ColumnDef c;
    c.type = ColumnType(p[0]);
    c.number = Le16(p + 5);
    c.varSlot = Le16(p + 7);
    c.ordinal = Le16(p + 9);
    std::memcpy(c.misc, p + 11, 4);
    c.flags = p[15];
    c.extFlags = p[16];
    c.fixedOffset = Le16(p + 21);
    c.length = Le16(p + 23);
    return c;
}

Status ParseRealIndex(const uint8_t* p, RealIndexDef& index) {
    for (int slot = 0; slot < 10; ++slot) {
        uint16_t column = Le16(p + 4 + 3 * slot);
        if (column == 0xFFFF) break;
        index.columns.push_back({column, p[6 + 3 * slot] != 0});
    }
    if (index.columns.empty()) return Bad("index without columns");
    index.usageMap = ReadRowRef(p + 34);
    index.rootPage = Le32(p + 38);
    index.flags = p[46];
    return Status::Ok();
}

LogicalIndexDef ParseLogical(const uint8_t* p) {
    LogicalIndexDef d;
    d.number = Le32(p + 4);
    d.realIndex = Le32(p + 8);
    d.relationSide = p[12];
    d.otherIndex = Le32(p + 13);
    d.otherTable = Le32(p + 17);
    d.cascadeUpdates = p[21];
    d.cascadeDeletes = p[22];
    d.kind = p[23];
    return d;
}

Status CheckColumns(const TableDef& def) {
    for (size_t i = 0; i < def.columns.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        if (i > 0 && def.columns[i - 1].number == c.number)
            return Bad("two columns numbered " + std::to_string(c.number));
        if (c.IsFixed() && size_t(c.fixedOffset) + c.length > 4096) return Bad("column " + c.name + " fixed offset");
        if (!c.IsFixed() && c.varSlot >= def.varColumns) return Bad("column " + c.name + " variable slot");
    }
    return Status::Ok();
}

Status ParseIndexes(Cursor& cursor, TableDef& def, uint32_t logicalCount) {
    for (auto& index : def.realIndexes) {
        if (!cursor.Has(L::kTdefRealIndexSize)) return Bad("index definitions run past the end");
        KESTRIN_TRY(ParseRealIndex(cursor.Take(L::kTdefRealIndexSize), index));
        for (auto& column : index.columns)
            if (!def.ColumnByNumber(column.column))
                return Bad("index on missing column " + std::to_string(column.column));
    }
    for (uint32_t i = 0; i < logicalCount; ++i) {
        if (!cursor.Has(L::kTdefLogicalIndexSize)) return Bad("logical indexes run past the end");
        def.logicalIndexes.push_back(ParseLogical(cursor.Take(L::kTdefLogicalIndexSize)));
        if (def.logicalIndexes.back().realIndex >= def.realIndexes.size())
            return Bad("logical index without real index");
    }
    for (auto& logical : def.logicalIndexes) {
        auto name = cursor.Name("index");
        KESTRIN_TRY(name);
        logical.name = *name;
    }
    return Status::Ok();
}

Status ParseLongValueMaps(Cursor& cursor, TableDef& def) {
    for (int guard = 0; guard < 256; ++guard) {
        if (!cursor.Has(2)) return Bad("no terminator");
        uint16_t column = Le16(cursor.Take(2));
        if (column == 0xFFFF) return Status::Ok();
        if (!cursor.Has(8)) return Bad("long-value maps run past the end");
        const uint8_t* p = cursor.Take(8);
        def.longValueMaps.push_back({column, ReadRowRef(p), ReadRowRef(p + 4)});
    }
    return Bad("too many long-value maps");
}

void PutName(std::vector<uint8_t>& out, const std::string& name) {
    std::u16string units = Utf8ToUtf16(name);
    size_t at = out.size();
    out.resize(at + 2 + 2 * units.size());
    PutLe16(out.data() + at, uint16_t(2 * units.size()));
    for (size_t i = 0; i < units.size(); ++i) PutLe16(out.data() + at + 2 + 2 * i, uint16_t(units[i]));
}

std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return folded;
}

void PutColumn(std::vector<uint8_t>& out, const ColumnDef& c) {
    uint8_t d[L::kTdefColumnSize] = {};
    d[0] = uint8_t(c.type);
    PutLe32(d + 1, L::kTdefMagic);
    PutLe16(d + 5, c.number);
    PutLe16(d + 7, c.varSlot);
    PutLe16(d + 9, c.ordinal);
    std::memcpy(d + 11, c.misc, 4);
    d[15] = c.flags;
    d[16] = c.extFlags;
    PutLe16(d + 21, c.fixedOffset);
    PutLe16(d + 23, c.length);
    out.insert(out.end(), d, d + sizeof d);
}

void PutRealIndex(std::vector<uint8_t>& out, const RealIndexDef& index) {
    uint8_t d[L::kTdefRealIndexSize] = {};
    PutLe32(d, L::kRealIndexMagic);
    for (int slot = 0; slot < 10; ++slot) {
        bool used = size_t(slot) < index.columns.size();
        PutLe16(d + 4 + 3 * slot, used ? index.columns[slot].column : 0xFFFF);
        d[6 + 3 * slot] = used && index.columns[slot].ascending ? 1 : 0;
    }
    WriteRowRef(d + 34, index.usageMap);
    PutLe32(d + 38, index.rootPage);
    d[46] = index.flags;
    out.insert(out.end(), d, d + sizeof d);
}

void PutLogical(std::vector<uint8_t>& out, const LogicalIndexDef& logical) {
    uint8_t d[L::kTdefLogicalIndexSize] = {};
    PutLe32(d, L::kTdefMagic);
    PutLe32(d + 4, logical.number);
    PutLe32(d + 8, logical.realIndex);
    d[12] = logical.relationSide;
    PutLe32(d + 13, logical.otherIndex);
    PutLe32(d + 17, logical.otherTable);
    d[21] = logical.cascadeUpdates;
    d[22] = logical.cascadeDeletes;
    d[23] = logical.kind;
    out.insert(out.end(), d, d + sizeof d);
}

}  // namespace

const ColumnDef* TableDef::ColumnByNumber(uint16_t number) const {
    auto it = std::lower_bound(columns.begin(), columns.end(), number,
                               [](const ColumnDef& c, uint16_t n) { return c.number < n; });
    return it != columns.end() && it->number == number ? &*it : nullptr;
}

uint16_t TableDef::FixedAreaSize() const {
    uint16_t size = 0;
    for (const auto& c : columns)
        if (c.IsFixed() && c.type != ColumnType::Boolean)
            size = std::max<uint16_t>(size, uint16_t(c.fixedOffset + c.length));
    return size;
}

Result<TableDef> ParseTableDef(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < L::kTdefFixedSize || bytes[0] != L::kPageTdef) return Bad("no TDEF page");
    const uint8_t* p = bytes.data();
    TableDef def;
    def.rowCount = Le32(p + L::kTdefRowCount);
    def.autoNumber = Le32(p + L::kTdefAutoNumber);
    def.tableType = p[L::kTdefTableType];
    def.maxColumns = Le16(p + L::kTdefMaxColumns);
    def.varColumns = Le16(p + L::kTdefVarColumns);
    uint16_t columnCount = Le16(p + L::kTdefColumns);
    uint32_t logicalCount = Le32(p + L::kTdefLogicalIndexes);
    uint32_t realCount = Le32(p + L::kTdefRealIndexes);
    def.ownedMap = ReadRowRef(p + L::kTdefOwnedMap);
    def.freeMap = ReadRowRef(p + L::kTdefFreeMap);
    if (columnCount == 0 || columnCount > 255 || def.maxColumns < columnCount || realCount > 64 || logicalCount > 64)
        return Bad("column or index counts out of range");

    Cursor cursor(bytes, L::kTdefFixedSize);
    if (!cursor.Has(L::kTdefCountBlockSize * realCount)) return Bad("index count blocks run past the end");
    def.realIndexes.resize(realCount);
    for (auto& index : def.realIndexes) index.uniqueCount = Le32(cursor.Take(L::kTdefCountBlockSize) + 4);
    if (!cursor.Has(L::kTdefColumnSize * columnCount)) return Bad("column descriptors run past the end");
    for (uint16_t i = 0; i < columnCount; ++i) def.columns.push_back(ParseColumn(cursor.Take(L::kTdefColumnSize)));
    for (auto& column : def.columns) {
        auto name = cursor.Name("column");
        KESTRIN_TRY(name);
        column.name = *name;
    }
    std::stable_sort(def.columns.begin(), def.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    KESTRIN_TRY(CheckColumns(def));
    KESTRIN_TRY(ParseIndexes(cursor, def, logicalCount));
    KESTRIN_TRY(ParseLongValueMaps(cursor, def));
    return def;
}

std::vector<uint8_t> SerializeTableDef(const TableDef& def, bool descriptorsByName) {
    std::vector<size_t> order(def.columns.size());
    std::iota(order.begin(), order.end(), 0);
    if (descriptorsByName)
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return Folded(def.columns[a].name) < Folded(def.columns[b].name); });
    std::vector<uint8_t> out(L::kTdefFixedSize, 0);
    uint8_t* p = out.data();
    p[0] = L::kPageTdef;
    p[1] = 0x01;
    PutLe32(p + L::kTdefConst, L::kTdefMagic);
    p[L::kTdefAutoFlag] = 0x01;
    p[L::kTdefTableType] = def.tableType;
    PutLe16(p + L::kTdefMaxColumns, def.maxColumns);
    PutLe16(p + L::kTdefVarColumns, def.varColumns);
    PutLe16(p + L::kTdefColumns, uint16_t(def.columns.size()));
    PutLe32(p + L::kTdefLogicalIndexes, uint32_t(def.logicalIndexes.size()));
    PutLe32(p + L::kTdefRealIndexes, uint32_t(def.realIndexes.size()));
    WriteRowRef(p + L::kTdefOwnedMap, def.ownedMap);
    WriteRowRef(p + L::kTdefFreeMap, def.freeMap);
    out.resize(out.size() + L::kTdefCountBlockSize * def.realIndexes.size(), 0);
    for (size_t i : order) PutColumn(out, def.columns[i]);
    for (size_t i : order) PutName(out, def.columns[i].name);
    for (const auto& index : def.realIndexes) PutRealIndex(out, index);
    for (const auto& logical : def.logicalIndexes) PutLogical(out, logical);
    for (const auto& logical : def.logicalIndexes) PutName(out, logical.name);
    for (const auto& lv : def.longValueMaps) {
        size_t at = out.size();
        out.resize(at + 10);
        PutLe16(out.data() + at, lv.column);
        WriteRowRef(out.data() + at + 2, lv.owned);
        WriteRowRef(out.data() + at + 6, lv.free);
    }
    out.push_back(0xFF);
    out.push_back(0xFF);
    PutLe32(out.data() + L::kTdefLength, uint32_t(out.size()));
    PatchTableDefCounts(out.data(), def);
    return out;
}

Result<std::vector<uint8_t>> ReadTableDefBytes(const std::function<Result<const uint8_t*>(PageNo)>& readPage,
                                               PageNo firstPage, uint32_t pageCount) {
    std::vector<uint8_t> bytes;
    PageNo page = firstPage;
    for (uint32_t visited = 0; page != kNoPage; ++visited) {
        if (visited >= pageCount || ToIndex(page) >= pageCount)
            return Bad("page chain from " + std::to_string(ToIndex(firstPage)) + " leaves the file or loops");
        auto data = readPage(page);
        KESTRIN_TRY(data);
        const uint8_t* p = *data;
        if (p[0] != L::kPageTdef || p[1] != 0x01)
            return Bad("page " + std::to_string(ToIndex(page)) + " is not a TDEF page");
        bytes.insert(bytes.end(), visited == 0 ? p : p + L::kTdefHeaderSize, p + kPageSize);
        page = PageNo(Le32(p + L::kTdefNextPage));
    }
    return bytes;
}

size_t TableDefPageCount(size_t length) {
    return length <= kPageSize
               ? 1
               : 1 + (length - kPageSize + (kPageSize - L::kTdefHeaderSize) - 1) / (kPageSize - L::kTdefHeaderSize);
}

std::vector<std::vector<uint8_t>> LayOutTableDef(const std::vector<uint8_t>& bytes, const std::vector<PageNo>& pages) {
    std::vector<std::vector<uint8_t>> images;
    size_t position = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        std::vector<uint8_t> page(kPageSize, 0);
        size_t header = i == 0 ? 0 : L::kTdefHeaderSize;
        size_t take = std::min(bytes.size() - position, kPageSize - header);
        std::memcpy(page.data() + header, bytes.data() + position, take);
        position += take;
        page[0] = L::kPageTdef;
        page[1] = 0x01;
        size_t unused = kPageSize - header - take;
        PutLe16(page.data() + L::kTdefFreeSpace, uint16_t(unused >= 8 ? unused - 8 : 0));
        PutLe32(page.data() + L::kTdefNextPage, i + 1 < pages.size() ? ToIndex(pages[i + 1]) : 0);
        images.push_back(std::move(page));
    }
    return images;
}

void PatchTableDefCounts(uint8_t* firstPage, const TableDef& def) {
    PutLe32(firstPage + L::kTdefRowCount, def.rowCount);
    PutLe32(firstPage + L::kTdefAutoNumber, def.autoNumber);
    for (size_t i = 0; i < def.realIndexes.size(); ++i)
        PutLe32(firstPage + L::kTdefFixedSize + L::kTdefCountBlockSize * i + 4, def.realIndexes[i].uniqueCount);
}

}  // namespace jet
