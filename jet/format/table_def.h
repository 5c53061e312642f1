#pragma once
// TableDef: a table definition (TDEF) — columns, indexes, usage-map references, row count and
// AutoNumber counter — parsed from and serialized to the TDEF byte string.
//
// On disk: one byte string, possibly over several pages (type 0x02, chained through offset 4;
// continuation pages add their bytes from offset 8). In order: 63-byte fixed block (jet4_layout.h),
// 12-byte count block per real index, 25-byte descriptor per column, column names (u16 byte length +
// UTF-16LE), 52-byte real index definitions, 28-byte logical index definitions, logical index names,
// 10 bytes per memo/OLE column (column number, owned map, free-space map), FF FF.
// Invariants:
//  1. `columns` is sorted by column number whatever the stored descriptor order; readers never
//     assume numbers are dense.
//  2. Parsing checks every count and length against the bytes: a bad TDEF is Corrupt with the part
//     that failed, never a read past the buffer.
//  3. Row count, AutoNumber counter and unique counts live in the first page at fixed offsets and
//     are changed there in place (PatchTableDefCounts); the rest of a TDEF never changes here.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/result.h"
#include "jet/format/data_page.h"
#include "jet/format/value.h"

namespace jet {

namespace column_flags {
inline constexpr uint8_t kFixed = 0x01;
inline constexpr uint8_t kUpdatable = 0x02;
inline constexpr uint8_t kAutoNumber = 0x04;
inline constexpr uint8_t kSystem = 0x10;
inline constexpr uint8_t kSystemSid = 0x20;
}  // namespace column_flags

namespace index_flags {
inline constexpr uint8_t kUnique = 0x01;
inline constexpr uint8_t kIgnoreNulls = 0x02;
inline constexpr uint8_t kRequired = 0x08;
inline constexpr uint8_t kJet4 = 0x80;
}  // namespace index_flags

struct ColumnDef {
    std::string name;  // UTF-8
    ColumnType type = ColumnType::Long;
    uint16_t number = 0;
    uint16_t varSlot = 0;  // variable columns: slot in the offset table
    uint16_t ordinal = 0;
    uint8_t misc[4] = {0x09, 0x04, 0x00, 0x00};  // text: collating LCID (u16), 0, version
    uint8_t flags = column_flags::kUpdatable;
    uint8_t extFlags = 0;  // 0x01: Unicode compression allowed
    uint16_t fixedOffset = 0;
    uint16_t length = 0;

    bool IsFixed() const { return flags & column_flags::kFixed; }
    bool IsAutoNumber() const { return flags & column_flags::kAutoNumber; }
    bool IsCompressible() const { return extFlags & 0x01; }
    bool IsLongValue() const { return type == ColumnType::Memo || type == ColumnType::Ole; }
    uint16_t SortOrder() const { return uint16_t(misc[0] | misc[1] << 8); }
    uint8_t SortVersion() const { return misc[3]; }
};

struct IndexColumnDef {
    uint16_t column = 0;  // column number
    bool ascending = true;
};

struct RealIndexDef {
    uint32_t uniqueCount = 0;
    std::vector<IndexColumnDef> columns;
    RowRef usageMap;
    uint32_t rootPage = 0;
    uint8_t flags = index_flags::kJet4;
};

struct LogicalIndexDef {
    std::string name;
    uint32_t number = 0;
    uint32_t realIndex = 0;
    uint8_t relationSide = 0;
    uint32_t otherIndex = 0xFFFFFFFF;
    uint32_t otherTable = 0;
    uint8_t cascadeUpdates = 0x04;
    uint8_t cascadeDeletes = 0x04;
    uint8_t kind = 0;  // 0 ordinary, 1 primary key, 2 foreign key
};

struct LongValueMapDef {
    uint16_t column = 0;
    RowRef owned;
    RowRef free;
};

struct TableDef {
    uint8_t tableType = 0x4E;  // 'N' user table, 'S' system table
    uint32_t rowCount = 0;
    uint32_t autoNumber = 0;  // the last value handed out
    uint16_t maxColumns = 0;
    uint16_t varColumns = 0;
    RowRef ownedMap;
    RowRef freeMap;
    std::vector<ColumnDef> columns;  // sorted by number
    std::vector<RealIndexDef> realIndexes;
    std::vector<LogicalIndexDef> logicalIndexes;
    std::vector<LongValueMapDef> longValueMaps;

    const ColumnDef* ColumnByNumber(uint16_t number) const;
    // Bytes of the fixed area of a new row.
    uint16_t FixedAreaSize() const;
};

Result<TableDef> ParseTableDef(const std::vector<uint8_t>& bytes);
// `descriptorsByName`: order descriptors and names by name, ignoring case, as Jet writes its own
// system tables; otherwise by column number as Access does.
std::vector<uint8_t> SerializeTableDef(const TableDef& def, bool descriptorsByName = false);

// Reads the TDEF string starting at `firstPage` (following continuation pages).
Result<std::vector<uint8_t>> ReadTableDefBytes(const std::function<Result<const uint8_t*>(PageNo)>& readPage,
                                               PageNo firstPage, uint32_t pageCount);
// Splits a TDEF string into page images (first page, then continuations); `pages` names them and
// fixes the chain. pages.size() must be TableDefPageCount(bytes.size()).
std::vector<std::vector<uint8_t>> LayOutTableDef(const std::vector<uint8_t>& bytes, const std::vector<PageNo>& pages);
size_t TableDefPageCount(size_t length);
// Rewrites the counters in the first TDEF page.
void PatchTableDefCounts(uint8_t* firstPage, const TableDef& def);

}  // namespace jet
