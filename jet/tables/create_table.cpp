// CreateTable: a new user table — TDEF, usage-map holder page, index roots, its MSysObjects row and
// its MSysACEs rows — written in the caller's transaction (or one of its own).
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "common/text.h"
#include "jet/format/jet4_layout.h"
#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

using L = Jet4Layout;
constexpr size_t kMaxNameLength = 64;

Status Invalid(const std::string& what) {
    return Status(ErrorCode::InvalidArgument, what);
}

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return folded;
}

Status CheckName(const std::string& name, const std::string& what) {
    size_t length = Utf8ToUtf16(name).size();
    if (length == 0 || length > kMaxNameLength) return Invalid(what + " name must have 1 to 64 characters");
    return Status::Ok();
}

Result<ColumnDef> BuildColumn(const ColumnInfo& info, uint16_t number) {
    ColumnDef c;
    c.name = info.name;
    c.type = info.type;
    c.number = number;
    c.ordinal = number;
    switch (info.type) {
        case ColumnType::Text:
            c.length = uint16_t(2 * (info.maxLength ? std::min<uint16_t>(info.maxLength, 255) : 255));
            c.extFlags = 0x01;
            break;
        case ColumnType::Binary:
            c.length = info.maxLength ? std::min<uint16_t>(info.maxLength, 255) : 255;
            break;
        case ColumnType::Memo:
            c.extFlags = 0x01;
            break;
        case ColumnType::Ole:
            break;
        case ColumnType::Boolean:
            c.length = 1;
            break;
        case ColumnType::Byte:
            c.length = 1;
            break;
        case ColumnType::Integer:
            c.length = 2;
            break;
        case ColumnType::Long:
        case ColumnType::Single:
            c.length = 4;
            break;
        case ColumnType::Currency:
        case ColumnType::Double:
        case ColumnType::DateTime:
            c.length = 8;
            break;
        case ColumnType::Guid:
            c.length = 16;
            break;
        case ColumnType::Numeric:
            return Status(ErrorCode::Unsupported, "column " + info.name + ": Decimal columns");
        case ColumnType::FixedBinary:
            return Status(ErrorCode::Unsupported, "column " + info.name + ": Access's fixed binary columns");
    }
    bool variable = info.type == ColumnType::Text || info.type == ColumnType::Binary || c.IsLongValue();
    c.flags = uint8_t(column_flags::kUpdatable | (variable ? 0 : column_flags::kFixed));
    if (info.autoNumber) {
        if (info.type != ColumnType::Long) return Invalid("column " + info.name + ": AutoNumber needs a Long column");
        c.flags |= column_flags::kAutoNumber;
    }
    return c;
}

}  // namespace

Result<TableDef> BuildUserTableDef(const TableSchema& schema) {
    KESTRIN_TRY(CheckName(schema.name, "table"));
    if (schema.columns.empty() || schema.columns.size() > 255) return Invalid("a table has 1 to 255 columns");
    TableDef def;
    def.tableType = 0x4E;
    std::set<std::string> names;
    for (size_t i = 0; i < schema.columns.size(); ++i) {
        KESTRIN_TRY(CheckName(schema.columns[i].name, "column"));
        if (!names.insert(Folded(schema.columns[i].name)).second)
            return Invalid("two columns named " + schema.columns[i].name);
        auto column = BuildColumn(schema.columns[i], uint16_t(i));
        KESTRIN_TRY(column);
        def.columns.push_back(std::move(*column));
    }
    LayOutColumns(def);
    std::set<std::string> indexNames;
    for (size_t i = 0; i < schema.indexes.size(); ++i) {
        const IndexInfo& info = schema.indexes[i];
        KESTRIN_TRY(CheckName(info.name, "index"));
        if (!indexNames.insert(Folded(info.name)).second) return Invalid("two indexes named " + info.name);
        if (info.columns.empty() || info.columns.size() > 10)
            return Invalid("index " + info.name + " needs 1 to 10 columns");
        RealIndexDef real;
        for (size_t position : info.columns) {
            if (position >= def.columns.size()) return Invalid("index " + info.name + " names a missing column");
            real.columns.push_back({def.columns[position].number, true});
        }
        real.flags = info.primaryKey ? 0x89 : info.unique ? 0x81 : 0x80;
        def.realIndexes.push_back(real);
        LogicalIndexDef logical;
        logical.name = info.name;
        logical.number = uint32_t(i);
        logical.realIndex = uint32_t(i);
        logical.kind = info.primaryKey ? 1 : 0;
        def.logicalIndexes.push_back(logical);
    }
    for (const auto& c : def.columns)
        if (c.IsLongValue()) def.longValueMaps.push_back({c.number, {}, {}});
    return def;
}

Status DatabaseImpl::WriteUserTable(TableDef def, const std::string& name) {
    std::vector<PageNo> tdefPages;
    size_t tdefPageCount = TableDefPageCount(SerializeTableDef(def).size());
    for (size_t i = 0; i < tdefPageCount; ++i) {
        auto page = space_.Allocate();
        KESTRIN_TRY(page);
        tdefPages.push_back(*page);
    }
    auto holder = space_.Allocate();
    KESTRIN_TRY(holder);
    uint8_t mapRow = 0;
    def.ownedMap = RowRef{*holder, mapRow++};
    def.freeMap = RowRef{*holder, mapRow++};
    std::vector<PageNo> roots;
    for (auto& index : def.realIndexes) {
        auto root = space_.Allocate();
        KESTRIN_TRY(root);
        roots.push_back(*root);
        index.rootPage = ToIndex(*root);
        index.usageMap = RowRef{*holder, mapRow++};
    }
    for (auto& lv : def.longValueMaps) {
        lv.owned = RowRef{*holder, mapRow++};
        lv.free = RowRef{*holder, mapRow++};
    }
    if (mapRow > L::kMaxSlots) return Invalid("table " + name + ": too many indexes and memo columns");

    auto holderPage = pager_->Write(*holder);
    KESTRIN_TRY(holderPage);
    InitDataPage(*holderPage, 0);
    const uint8_t empty[L::kMapRowSize] = {};
    for (uint8_t i = 0; i < mapRow; ++i) KESTRIN_TRY(AddRow(*holderPage, empty, 0));
    for (size_t i = 0; i < roots.size(); ++i) {
        UsageMap map = UsageMap::NewInline();
        map.Add(ToIndex(roots[i]));
        KESTRIN_TRY(StoreMap(*pager_, mapStore_, map, def.realIndexes[i].usageMap));
        auto root = pager_->Write(roots[i]);
        KESTRIN_TRY(root);
        IndexData::InitEmptyLeaf(*root, tdefPages[0]);
    }
    auto images = LayOutTableDef(SerializeTableDef(def), tdefPages);
    for (size_t i = 0; i < images.size(); ++i) {
        auto page = pager_->Write(tdefPages[i]);
        KESTRIN_TRY(page);
        std::memcpy(*page, images[i].data(), kPageSize);
    }

    uint32_t id = ToIndex(tdefPages[0]);
    KESTRIN_TRY(
        catalog_->InsertRow(ObjectRow(catalog_->Def(), id, kTablesContainerId, name.c_str(), 1, Now(), kAdminSid, 0)));
    TableImpl* aces = SystemTable("MSysACEs");
    if (!aces) return Status(ErrorCode::Corrupt, "no MSysACEs table");
    KESTRIN_TRY(aces->InsertRow({int64_t(id), Sid(kAdminSid), int64_t(0xF00FE), false}));
    KESTRIN_TRY(aces->InsertRow({int64_t(id), Sid(kUsersSid), int64_t(0xFFEFF), false}));
    entries_.push_back({name, tdefPages[0], false});
    return Status::Ok();
}

Status DatabaseImpl::CreateTable(const TableSchema& schema) {
    auto def = BuildUserTableDef(schema);
    if (!def.ok()) return def.status().WithContext("table " + schema.name);
    LabelSortOrder(*def, SortOrder());
    KESTRIN_TRY(EnsureCatalog());
    for (const auto& entry : entries_)
        if (Folded(entry.name) == Folded(schema.name))
            return Status(ErrorCode::Constraint, "a table named " + entry.name + " already exists");
    bool own = !pager_->InTransaction();
    if (own) KESTRIN_TRY(pager_->Begin());
    Status written = WriteUserTable(std::move(*def), schema.name);
    if (!written.ok()) {
        AbortChange();
        return written.WithContext("table " + schema.name);
    }
    if (own) {
        Status committed = pager_->Commit();
        if (!committed.ok()) {
            AbortChange();
            return committed;
        }
    }
    return Status::Ok();
}

}  // namespace jet
