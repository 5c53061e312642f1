// TableImpl: loading a table's definition and maps, and the read paths (scan, read, find).
#include <algorithm>
#include <cstring>
#include <string>

#include "common/text.h"
#include "jet/format/jet4_layout.h"
#include "jet/format/row_codec.h"
#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

constexpr int kMaxOverflowHops = 4;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] + 32) : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

ColumnInfo InfoOf(const ColumnDef& c) {
    ColumnInfo info;
    info.name = c.name;
    info.type = c.type;
    info.autoNumber = c.IsAutoNumber();
    info.maxLength = c.type == ColumnType::Text ? uint16_t(c.length / 2) : c.length;
    return info;
}

std::optional<double> NumberOf(const Value& v) {
    if (auto i = std::get_if<int64_t>(&v)) return double(*i);
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto t = std::get_if<DateTime>(&v)) return t->days;
    if (auto b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
    if (auto c = std::get_if<Currency>(&v)) return double(c->scaled) / 10000.0;
    return std::nullopt;
}

}  // namespace

Result<PageNo> TableImpl::IndexPages::AllocateIndexPage() {
    auto page = table_.db_.Space().Allocate();
    KESTRIN_TRY(page);
    IndexState& state = *table_.indexes_[index_];
    state.map.Add(ToIndex(*page));
    KESTRIN_TRY(StoreMap(table_.db_.GetPager(), table_.db_.MapStore(), state.map,
                         table_.def_.realIndexes[state.real].usageMap));
    return page;
}

Status TableImpl::IndexPages::FreeIndexPage(PageNo page) {
    IndexState& state = *table_.indexes_[index_];
    state.map.Remove(ToIndex(page));
    KESTRIN_TRY(StoreMap(table_.db_.GetPager(), table_.db_.MapStore(), state.map,
                         table_.def_.realIndexes[state.real].usageMap));
    return table_.db_.Space().Free(page);
}

TableImpl::TableImpl(DatabaseImpl& db, std::string name, PageNo tdefPage)
    : db_(db), name_(std::move(name)), tdefPage_(tdefPage) {}
TableImpl::~TableImpl() = default;

Status TableImpl::Load() {
    loaded_ = false;
    lookups_.clear();
    Pager& pager = db_.GetPager();
    auto read = [&](PageNo page) { return pager.Read(page); };
    auto bytes = ReadTableDefBytes(read, tdefPage_, pager.PageCount());
    if (!bytes.ok()) return bytes.status().WithContext(Context());
    auto def = ParseTableDef(*bytes);
    if (!def.ok()) return def.status().WithContext(Context());
    def_ = std::move(*def);
    tdefPages_.clear();
    for (PageNo page = tdefPage_; page != kNoPage;) {
        tdefPages_.push_back(page);
        page = PageNo(Le32(*pager.Read(page) + Jet4Layout::kTdefNextPage));
    }
    auto owned = LoadMap(pager, db_.MapStore(), def_.ownedMap);
    auto free = LoadMap(pager, db_.MapStore(), def_.freeMap);
    if (!owned.ok()) return owned.status().WithContext(Context() + ": owned pages");
    if (!free.ok()) return free.status().WithContext(Context() + ": free-space pages");
    owned_ = std::move(*owned);
    free_ = std::move(*free);
    KESTRIN_TRY(LoadIndexes());
    loaded_ = true;
    return Status::Ok();
}

Status TableImpl::LoadIndexes() {
    Pager& pager = db_.GetPager();
    indexes_.clear();
    for (size_t i = 0; i < def_.realIndexes.size(); ++i) {
        const RealIndexDef& real = def_.realIndexes[i];
        auto state = std::make_unique<IndexState>();
        state->real = i;
        for (const auto& ic : real.columns) {
            const ColumnDef* c = def_.ColumnByNumber(ic.column);
            state->positions.push_back(size_t(c - def_.columns.data()));
            state->keyColumns.push_back({c->type, ic.ascending, c->SortOrder(), c->SortVersion()});
        }
        auto map = LoadMap(pager, db_.MapStore(), real.usageMap);
        if (!map.ok()) return map.status().WithContext(Context() + ": index map");
        state->map = std::move(*map);
        if (real.rootPage < 2 || real.rootPage >= pager.PageCount())
            return Status(ErrorCode::Corrupt, Context() + ": index root page out of the file");
        state->allocator = std::make_unique<IndexPages>(*this, i);
        state->data = std::make_unique<IndexData>(pager, PageNo(real.rootPage), tdefPage_, *state->allocator);
        indexes_.push_back(std::move(state));
    }
    columnInfos_.clear();
    for (const auto& c : def_.columns) columnInfos_.push_back(InfoOf(c));
    indexInfos_.clear();
    for (const auto& logical : def_.logicalIndexes) {
        IndexInfo info;
        info.name = logical.name;
        const RealIndexDef& real = def_.realIndexes[logical.realIndex];
        info.unique = real.flags & index_flags::kUnique;
        info.primaryKey = logical.kind == 1;
        info.columns = indexes_[logical.realIndex]->positions;
        indexInfos_.push_back(std::move(info));
    }
    return Status::Ok();
}

Status TableImpl::EnsureLoaded() {
    return loaded_ ? Status::Ok() : Load();
}

std::optional<size_t> TableImpl::FindColumn(std::string_view name) const {
    for (size_t i = 0; i < columnInfos_.size(); ++i)
        if (EqualsIgnoringCase(columnInfos_[i].name, name)) return i;
    return std::nullopt;
}

uint32_t TableImpl::RowCount() const {
    if (!loaded_) (void)const_cast<TableImpl*>(this)->Load();
    return def_.rowCount;
}

Result<const uint8_t*> TableImpl::ReadDataPage(PageNo pageNo) {
    Pager& pager = db_.GetPager();
    auto page = pager.Read(pageNo);
    KESTRIN_TRY(page);
    if (!pager.IsChecked(pageNo, kDataPageChecked)) {
        Status valid = CheckDataPage(*page);
        if (!valid.ok()) return valid.WithContext(Context() + ", page " + std::to_string(ToIndex(pageNo)));
        pager.MarkChecked(pageNo, kDataPageChecked);
    }
    return page;
}

Result<std::vector<uint8_t>> TableImpl::LongValueRow(RowRef ref) {
    Pager& pager = db_.GetPager();
    if (ref.page == kNoPage || ToIndex(ref.page) >= pager.PageCount())
        return Status(ErrorCode::Corrupt, "long value row out of the file");
    auto page = ReadDataPage(ref.page);
    KESTRIN_TRY(page);
    auto slot = ReadCheckedSlot(*page, ref.row);
    KESTRIN_TRY(slot);
    return std::vector<uint8_t>(*page + slot->offset, *page + slot->offset + slot->length);
}

Status TableImpl::CheckHeader(RowRef ref, bool allowDeleted) {
    Pager& pager = db_.GetPager();
    auto where = [&] {
        return Context() + ": no row at page " + std::to_string(ToIndex(ref.page)) + " slot " + std::to_string(ref.row);
    };
    if (ToIndex(ref.page) >= pager.PageCount() || !owned_->Contains(ToIndex(ref.page)))
        return Status(ErrorCode::NotFound, where());
    auto page = ReadDataPage(ref.page);
    KESTRIN_TRY(page);
    if (DataPageOwner(*page) != ToIndex(tdefPage_))
        return Status(ErrorCode::Corrupt, where() + " (page of another owner)");
    if (ref.row >= SlotCount(*page)) return Status(ErrorCode::NotFound, where());
    auto slot = ReadCheckedSlot(*page, ref.row);
    if (!slot.ok()) return slot.status().WithContext(Context());
    if (slot->deleted && !allowDeleted) return Status(ErrorCode::NotFound, where());
    return Status::Ok();
}

Result<RowRef> TableImpl::Resolve(RowRef header) {
    KESTRIN_TRY(CheckHeader(header, false));
    RowRef ref = header;
    for (int hop = 0; hop <= kMaxOverflowHops; ++hop) {
        auto page = ReadDataPage(ref.page);
        KESTRIN_TRY(page);
        auto slot = ReadCheckedSlot(*page, ref.row);
        KESTRIN_TRY(slot);
        // A header carries 0x4000; its target carries 0x8000 so scans skip it, and holds the row.
        bool follow = slot->overflow && (hop == 0 || !slot->deleted);
        if (!follow) return ref;
        if (slot->length < 4) return Status(ErrorCode::Corrupt, Context() + ": overflow slot too short");
        ref = ReadRowRef(*page + slot->offset);
        Status target = CheckHeader(ref, true);
        if (!target.ok()) return Status(ErrorCode::Corrupt, "overflow pointer: " + target.message());
    }
    return Status(ErrorCode::Corrupt, Context() + ": overflow pointers loop");
}

Result<std::vector<Value>> TableImpl::DecodeAt(RowRef ref, std::vector<uint8_t>* bytes,
                                               const std::vector<bool>* wanted) {
    auto page = ReadDataPage(ref.page);
    KESTRIN_TRY(page);
    auto slot = ReadCheckedSlot(*page, ref.row);
    KESTRIN_TRY(slot);
    std::span<const uint8_t> row(*page + slot->offset, slot->length);
    if (bytes) bytes->assign(row.begin(), row.end());
    return DecodeSlot(ref, row, wanted);
}

Result<std::vector<Value>> TableImpl::DecodeSlot(RowRef ref, std::span<const uint8_t> row,
                                                 const std::vector<bool>* wanted) {
    std::vector<Value> values;
    KESTRIN_TRY(DecodeSlotInto(ref, row, wanted, values));
    return values;
}

Status TableImpl::DecodeSlotInto(RowRef ref, std::span<const uint8_t> row, const std::vector<bool>* wanted,
                                 std::vector<Value>& values) {
    Status decoded = DecodeRowInto(
        def_, row, [this](RowRef lv) { return LongValueRow(lv); }, wanted, values);
    if (!decoded.ok())
        return decoded.WithContext(Context() + ", page " + std::to_string(ToIndex(ref.page)) + " slot " +
                                   std::to_string(ref.row));
    return Status::Ok();
}

Result<std::vector<Value>> TableImpl::ReadRow(RowPointer row) {
    KESTRIN_TRY(EnsureLoaded());
    auto stored = Resolve(ToRef(row));
    KESTRIN_TRY(stored);
    return DecodeAt(*stored, nullptr);
}

Result<std::vector<Value>> TableImpl::ReadMovedRow(RowRef header, const std::vector<bool>& wanted) {
    auto stored = Resolve(header);
    KESTRIN_TRY(stored);
    return DecodeAt(*stored, nullptr, &wanted);
}

Status TableImpl::Scan(const std::function<bool(RowPointer, const std::vector<Value>&)>& visit) {
    KESTRIN_TRY(EnsureLoaded());
    return ScanColumns(std::vector<bool>(def_.columns.size(), true),
                       [&](RowPointer row, std::vector<Value>& values) { return visit(row, values); });
}

Status TableImpl::ScanColumns(const std::vector<bool>& wanted,
                              const std::function<bool(RowPointer, std::vector<Value>&)>& visit) {
    KESTRIN_TRY(EnsureLoaded());
    Pager& pager = db_.GetPager();
    std::vector<Value> values;  // one for every row: its capacity is allocated once
    for (uint32_t pageNo : owned_->Pages()) {
        if (pageNo >= pager.PageCount()) return Status(ErrorCode::Corrupt, Context() + ": owned page past the end");
        auto page = ReadDataPage(PageNo(pageNo));
        KESTRIN_TRY(page);
        if (DataPageOwner(*page) != ToIndex(tdefPage_))
            return Status(ErrorCode::Corrupt, Context() + ": page " + std::to_string(pageNo) + " has another owner");
        unsigned count = SlotCount(*page);
        for (unsigned k = 0; k < count; ++k) {
            auto slot = ReadCheckedSlot(*page, k);
            KESTRIN_TRY(slot);
            if (slot->deleted) continue;
            RowRef header{PageNo(pageNo), uint8_t(k)};
            // A row without an overflow pointer is right here, on a page already checked as ours.
            if (slot->overflow) {
                auto moved = ReadMovedRow(header, wanted);
                KESTRIN_TRY(moved);
                values = std::move(*moved);
            } else {
                KESTRIN_TRY(DecodeSlotInto(header, std::span(*page + slot->offset, slot->length), &wanted, values));
            }
            if (!visit(ToPointer(header), values)) return Status::Ok();
        }
    }
    return Status::Ok();
}

Result<std::optional<std::string>> TableImpl::KeyFor(size_t i, const std::vector<Value>& values) const {
    const IndexState& state = *indexes_[i];
    const RealIndexDef& real = def_.realIndexes[state.real];
    std::vector<Value> keyValues;
    bool allNull = true, anyNull = false;
    for (size_t position : state.positions) {
        keyValues.push_back(values[position]);
        allNull = allNull && IsNull(values[position]);
        anyNull = anyNull || IsNull(values[position]);
    }
    if (allNull && (real.flags & index_flags::kIgnoreNulls)) return std::optional<std::string>();
    if (anyNull && (real.flags & index_flags::kRequired))
        return Status(ErrorCode::Constraint, Context() + ": index " + IndexName(i) + " does not allow Null");
    auto key = EncodeIndexKey(state.keyColumns, keyValues);
    if (!key.ok()) return key.status().WithContext(Context() + ", index " + IndexName(i));
    return std::optional<std::string>(std::move(*key));
}

std::string TableImpl::IndexName(size_t real) const {
    for (const auto& logical : def_.logicalIndexes)
        if (logical.realIndex == real) return logical.name;
    return "#" + std::to_string(real);
}

bool TableImpl::JetEquals(size_t column, const Value& stored, const Value& wanted) const {
    if (IsNull(stored) || IsNull(wanted)) return false;
    const ColumnDef& c = def_.columns[column];
    auto a = std::get_if<std::string>(&stored);
    auto b = std::get_if<std::string>(&wanted);
    if (a && b) {
        std::vector<IndexKeyColumn> key{{ColumnType::Text, true, c.SortOrder(), c.SortVersion()}};
        auto ka = EncodeIndexKey(key, {stored});
        auto kb = EncodeIndexKey(key, {wanted});
        if (ka.ok() && kb.ok()) return *ka == *kb;
        return EqualsIgnoringCase(*a, *b);
    }
    auto x = NumberOf(stored), y = NumberOf(wanted);
    if (x && y) return *x == *y;
    return stored == wanted;
}

Result<std::vector<RowPointer>> TableImpl::FindEqual(size_t column, const Value& value) {
    KESTRIN_TRY(EnsureLoaded());
    if (column >= def_.columns.size()) return Status(ErrorCode::InvalidArgument, Context() + ": no such column");
    if (IsNull(value)) return std::vector<RowPointer>{};
    for (auto& state : indexes_) {
        if (state->positions.size() != 1 || state->positions[0] != column) continue;
        auto key = EncodeIndexKey(state->keyColumns, {value});
        if (!key.ok()) break;  // e.g. a number given for a text column: compare row by row instead
        return state->data->Find(*key);
    }
    auto looked = FindEqualByLookup(column, value);
    KESTRIN_TRY(looked);
    if (*looked) return std::move(**looked);
    std::vector<RowPointer> found;
    KESTRIN_TRY(Scan([&](RowPointer row, const std::vector<Value>& values) {
        if (JetEquals(column, values[column], value)) found.push_back(row);
        return true;
    }));
    return found;
}

}  // namespace jet
