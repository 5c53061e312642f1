// The system catalog of a new database, as the Jet engine itself writes it: four system tables
// (MSysObjects, MSysACEs, MSysQueries, MSysRelationships) on pages 2-15, their rows, and the
// definitions of new user tables.
//
// Page plan of a new file: 0 header, 1 global map, 2-5 TDEFs, 6 holder of the 31 system maps,
// 7-13 index roots, 14 MSysObjects data, 15 MSysACEs data; then free pages up to minPages.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/text.h"
#include "jet/format/jet4_layout.h"
#include "jet/format/db_header.h"
#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

using L = Jet4Layout;
constexpr uint32_t kSystemFlags = 0x80000000;
constexpr uint8_t kSysFixed = 0x13, kSysVar = 0x12, kSysSid = 0x32;
constexpr PageNo kHolderPage{6};

struct SysColumn {
    const char* name;
    ColumnType type;
    uint16_t length;
    uint8_t flags;
};

}  // namespace

void LayOutColumns(TableDef& def) {
    uint16_t fixedOffset = 0, varSlot = 0;
    for (ColumnDef& c : def.columns) {
        if (c.IsFixed()) {
            c.varSlot = varSlot;
            c.fixedOffset = c.type == ColumnType::Boolean ? 0 : fixedOffset;
            if (c.type != ColumnType::Boolean) fixedOffset = uint16_t(fixedOffset + c.length);
        } else {
            c.varSlot = varSlot++;
            c.fixedOffset = 0;
        }
    }
    def.varColumns = varSlot;
    def.maxColumns = uint16_t(def.columns.size());
}

namespace {

TableDef SystemDef(std::initializer_list<SysColumn> columns) {
    TableDef def;
    def.tableType = 0x53;
    uint16_t number = 0;
    for (const SysColumn& s : columns) {
        ColumnDef c;
        c.name = s.name;
        c.type = s.type;
        c.number = number++;
        c.ordinal = 0;
        c.flags = s.flags;
        c.length = s.length;
        def.columns.push_back(c);
    }
    LayOutColumns(def);
    return def;
}

RealIndexDef Real(std::initializer_list<uint16_t> columns, uint8_t flags, uint32_t root, uint8_t mapRow) {
    RealIndexDef index;
    for (uint16_t c : columns) index.columns.push_back({c, true});
    index.flags = flags;
    index.rootPage = root;
    index.usageMap = RowRef{kHolderPage, mapRow};
    return index;
}

LogicalIndexDef Logical(const char* name, uint32_t number, uint8_t kind) {
    LogicalIndexDef logical;
    logical.name = name;
    logical.number = number;
    logical.realIndex = number;
    logical.kind = kind;
    return logical;
}

RowRef Holder(uint8_t row) {
    return RowRef{kHolderPage, row};
}

TableDef MSysObjectsDef() {
    TableDef def = SystemDef({{"Id", ColumnType::Long, 4, kSysFixed},
                              {"ParentId", ColumnType::Long, 4, kSysFixed},
                              {"Name", ColumnType::Text, 510, kSysVar},
                              {"Type", ColumnType::Integer, 2, kSysFixed},
                              {"DateCreate", ColumnType::DateTime, 8, kSysFixed},
                              {"DateUpdate", ColumnType::DateTime, 8, kSysFixed},
                              {"Owner", ColumnType::Binary, 510, kSysSid},
                              {"Flags", ColumnType::Long, 4, kSysFixed},
                              {"Database", ColumnType::Memo, 0, kSysVar},
                              {"Connect", ColumnType::Memo, 0, kSysVar},
                              {"ForeignName", ColumnType::Text, 510, kSysVar},
                              {"RmtInfoShort", ColumnType::Binary, 510, kSysVar},
                              {"RmtInfoLong", ColumnType::Ole, 0, kSysVar},
                              {"Lv", ColumnType::Ole, 0, kSysVar},
                              {"LvProp", ColumnType::Ole, 0, kSysVar},
                              {"LvModule", ColumnType::Ole, 0, kSysVar},
                              {"LvExtra", ColumnType::Ole, 0, kSysVar}});
    def.ownedMap = Holder(0);
    def.freeMap = Holder(1);
    def.realIndexes = {Real({1, 2}, 0x81, 7, 16), Real({0}, 0x81, 8, 17)};
    def.logicalIndexes = {Logical("Id", 1, 1), Logical("ParentIdName", 0, 0)};
    def.longValueMaps = {{9, Holder(4), Holder(5)},    {8, Holder(2), Holder(3)},    {13, Holder(8), Holder(9)},
                         {16, Holder(14), Holder(15)}, {15, Holder(12), Holder(13)}, {14, Holder(10), Holder(11)},
                         {12, Holder(6), Holder(7)}};
    return def;
}

TableDef MSysACEsDef() {
    TableDef def = SystemDef({{"ObjectId", ColumnType::Long, 4, kSysFixed},
                              {"SID", ColumnType::Binary, 510, kSysSid},
                              {"ACM", ColumnType::Long, 4, kSysFixed},
                              {"FInheritable", ColumnType::Boolean, 1, kSysFixed}});
    def.ownedMap = Holder(18);
    def.freeMap = Holder(19);
    def.realIndexes = {Real({0}, 0x88, 9, 20)};
    def.logicalIndexes = {Logical("ObjectId", 0, 0)};
    return def;
}

TableDef MSysQueriesDef() {
    TableDef def = SystemDef({{"ObjectId", ColumnType::Long, 4, kSysFixed},
                              {"Attribute", ColumnType::Byte, 1, kSysFixed},
                              {"Order", ColumnType::Binary, 510, kSysVar},
                              {"Name1", ColumnType::Text, 510, kSysVar},
                              {"Name2", ColumnType::Text, 510, kSysVar},
                              {"Expression", ColumnType::Memo, 0, kSysVar},
                              {"Flag", ColumnType::Integer, 2, kSysFixed},
                              {"LvExtra", ColumnType::Long, 4, kSysFixed}});
    def.ownedMap = Holder(21);
    def.freeMap = Holder(22);
    def.realIndexes = {Real({0, 1, 2}, 0x81, 10, 25)};
    def.logicalIndexes = {Logical("ObjectIdAttribute", 0, 1)};
    def.longValueMaps = {{5, Holder(23), Holder(24)}};
    return def;
}

TableDef MSysRelationshipsDef() {
    TableDef def = SystemDef({{"szRelationship", ColumnType::Text, 510, kSysVar},
                              {"grbit", ColumnType::Long, 4, kSysFixed},
                              {"ccolumn", ColumnType::Long, 4, kSysFixed},
                              {"icolumn", ColumnType::Long, 4, kSysFixed},
                              {"szObject", ColumnType::Text, 510, kSysVar},
                              {"szColumn", ColumnType::Text, 510, kSysVar},
                              {"szReferencedObject", ColumnType::Text, 510, kSysVar},
                              {"szReferencedColumn", ColumnType::Text, 510, kSysVar}});
    def.ownedMap = Holder(26);
    def.freeMap = Holder(27);
    def.realIndexes = {Real({0}, 0x82, 11, 28), Real({4}, 0x82, 12, 29), Real({6}, 0x82, 13, 30)};
    def.logicalIndexes = {Logical("szObject", 1, 0), Logical("szReferencedObject", 2, 0),
                          Logical("szRelationship", 0, 0)};
    return def;
}

// Holder page 6: slot n is the map row n of the table above (pages listed per slot).
void WriteHolderPage(uint8_t* page) {
    InitDataPage(page, 0);
    for (uint8_t slot = 0; slot < 31; ++slot) {
        uint8_t row[L::kMapRowSize] = {};
        auto mark = [&](uint32_t p) { row[5 + p / 8] |= uint8_t(1 << (p % 8)); };
        switch (slot) {
            case 0:
            case 1:
                mark(14);
                break;
            case 16:
                mark(7);
                break;
            case 17:
                mark(8);
                break;
            case 18:
            case 19:
                mark(15);
                break;
            case 20:
                mark(9);
                break;
            case 25:
                mark(10);
                break;
            case 28:
                mark(11);
                break;
            case 29:
                mark(12);
                break;
            case 30:
                mark(13);
                break;
            default:
                break;
        }
        (void)AddRow(page, row, 0);
    }
}

void WriteGlobalMapPage(uint8_t* page, uint32_t usedPages) {
    InitDataPage(page, 1);
    uint8_t row[L::kMapRowSize] = {};
    for (uint32_t p = usedPages; p < L::kInlineMapPages; ++p) row[5 + p / 8] |= uint8_t(1 << (p % 8));
    (void)AddRow(page, row, 0);
    uint8_t empty[L::kMapRowSize] = {};
    (void)AddRow(page, empty, 0);
}

Status WriteSystemPages(Pager& pager, const std::string& password, uint16_t sortOrder) {
    for (uint32_t i = 0; i < 16; ++i) KESTRIN_TRY(pager.Append());
    auto write = [&](uint32_t n) { return pager.Write(PageNo(n)); };
    auto header = write(0);
    KESTRIN_TRY(header);
    KESTRIN_TRY(WriteNewDbHeader(*header, password));
    if (sortOrder != 1033) KESTRIN_TRY(SetDbSortOrder(*header, sortOrder));
    auto global = write(1);
    KESTRIN_TRY(global);
    WriteGlobalMapPage(*global, 16);
    TableDef defs[] = {MSysObjectsDef(), MSysACEsDef(), MSysQueriesDef(), MSysRelationshipsDef()};
    for (uint32_t i = 0; i < 4; ++i) {
        LabelSortOrder(defs[i], sortOrder);
        auto page = write(2 + i);
        KESTRIN_TRY(page);
        auto images = LayOutTableDef(SerializeTableDef(defs[i], true), {PageNo(2 + i)});
        std::memcpy(*page, images[0].data(), kPageSize);
    }
    auto holder = write(6);
    KESTRIN_TRY(holder);
    WriteHolderPage(*holder);
    const uint32_t rootOwners[] = {2, 2, 3, 4, 5, 5, 5};
    for (uint32_t i = 0; i < 7; ++i) {
        auto root = write(7 + i);
        KESTRIN_TRY(root);
        IndexData::InitEmptyLeaf(*root, PageNo(rootOwners[i]));
    }
    for (uint32_t i = 0; i < 2; ++i) {
        auto data = write(14 + i);
        KESTRIN_TRY(data);
        InitDataPage(*data, 2 + i);
    }
    return Status::Ok();
}

}  // namespace

std::vector<Value> ObjectRow(const TableDef& def, int64_t id, int64_t parent, const char* name, int64_t type,
                             DateTime now, const uint8_t* owner, uint32_t flags) {
    std::vector<Value> row(def.columns.size());
    row[0] = id;
    row[1] = parent;
    row[2] = std::string(name);
    row[3] = type;
    row[4] = now;
    row[5] = now;
    row[6] = Sid(owner);
    row[7] = int64_t(int32_t(flags));
    return row;
}

namespace {

Status InsertSystemRows(DatabaseImpl& db) {
    TableImpl& objects = db.Catalog();
    KESTRIN_TRY(objects.Load());
    DateTime now = db.Now();
    const TableDef& def = objects.Def();
    struct CatalogObject {
        int64_t id, parent;
        const char* name;
        int64_t type;
        const uint8_t* owner;
    };
    const CatalogObject rows[] = {
        {0x0F000001, 0x0F000000, "Tables", 3, kEngineSid},
        {0x0F000002, 0x0F000000, "Databases", 3, kEngineSid},
        {0x0F000003, 0x0F000000, "Relationships", 3, kEngineSid},
        {0x10000000, 0x0F000002, "MSysDb", 2, kAdminSid},
        {2, kTablesContainerId, "MSysObjects", 1, kEngineSid},
        {3, kTablesContainerId, "MSysACEs", 1, kEngineSid},
        {4, kTablesContainerId, "MSysQueries", 1, kEngineSid},
        {5, kTablesContainerId, "MSysRelationships", 1, kEngineSid},
    };
    for (const auto& r : rows)
        KESTRIN_TRY(objects.InsertRow(ObjectRow(def, r.id, r.parent, r.name, r.type, now, r.owner, kSystemFlags)));

    KESTRIN_TRY(db.LoadCatalog());
    TableImpl* aces = db.SystemTable("MSysACEs");
    if (!aces) return Status(ErrorCode::Corrupt, "new database: no MSysACEs");
    KESTRIN_TRY(aces->Load());
    struct Ace {
        int64_t object;
        const uint8_t* sid;
        int64_t acm;
        bool inheritable;
    };
    const Ace entries[] = {
        {2, kAdminSid, 0x60000, false},           {3, kAdminSid, 0x60000, false},
        {4, kAdminSid, 0x60000, false},           {5, kAdminSid, 0xE0000, false},
        {0x0F000001, kCreatorSid, 0xF00FE, true}, {0x0F000001, kAdminSid, 0x60001, false},
        {0x0F000003, kCreatorSid, 0xF00FE, true}, {0x0F000003, kAdminSid, 0x60001, false},
        {0x0F000002, kAdminSid, 0x60000, false},  {0x10000000, kAdminSid, 0x6000E, false},
        {0x10000000, kUsersSid, 0x0000E, false},  {4, kUsersSid, 0x00014, false},
        {5, kUsersSid, 0x00014, false},           {2, kUsersSid, 0x00014, false},
        {0x0F000001, kUsersSid, 0xFFEFF, true},   {0x0F000003, kUsersSid, 0xFFFFF, true},
    };
    for (const Ace& a : entries) KESTRIN_TRY(aces->InsertRow({a.object, Sid(a.sid), a.acm, a.inheritable}));
    return Status::Ok();
}

}  // namespace

void LabelSortOrder(TableDef& def, uint16_t sortOrder) {
    for (ColumnDef& c : def.columns) {
        c.misc[0] = uint8_t(sortOrder);
        c.misc[1] = uint8_t(sortOrder >> 8);
    }
}

Status WriteNewDatabase(DatabaseImpl& db, const std::string& password, uint32_t minPages) {
    Pager& pager = db.GetPager();
    KESTRIN_TRY(WriteSystemPages(pager, password, db.SortOrder()));
    KESTRIN_TRY(db.LoadCatalog());
    KESTRIN_TRY(InsertSystemRows(db));
    // Padding pages stay zero (type 0x00, "freed") and are free in the global map.
    auto global = db.Space().Global();
    KESTRIN_TRY(global);
    while (pager.PageCount() < minPages) {
        auto page = pager.Append();
        KESTRIN_TRY(page);
        (*global)->Add(ToIndex(*page));
    }
    return db.Space().Store();
}

}  // namespace jet
