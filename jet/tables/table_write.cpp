// TableImpl: insert, update and delete, keeping indexes, usage maps and the TDEF counters in step.
//
// Every change runs in two phases: first everything that can refuse it (encoding, index keys,
// uniqueness) without writing, then the writes. A failure in the second phase rolls the transaction
// back (tables_internal.h, invariant 2).
#include <algorithm>
#include <string>

#include "jet/format/jet4_layout.h"
#include "jet/format/row_codec.h"
#include "jet/tables/tables_internal.h"

namespace jet {

template <class F>
auto TableImpl::Change(F&& body) -> decltype(body()) {
    Pager& pager = db_.GetPager();
    bool own = !pager.InTransaction();
    if (own) {
        Status begun = pager.Begin();
        if (!begun.ok()) return begun.WithContext(Context());
    }
    writing_ = false;
    auto result = body();
    if (!result.ok()) {
        if (own || writing_) db_.AbortChange();
        return result;
    }
    if (own) {
        Status committed = pager.Commit();
        if (!committed.ok()) {
            db_.AbortChange();
            return committed.WithContext(Context());
        }
    }
    return result;
}

Result<std::vector<Value>> TableImpl::Merge(std::vector<Value> row, const ColumnValues& values) const {
    for (const auto& [position, value] : values) {
        if (position >= row.size())
            return Status(ErrorCode::InvalidArgument, Context() + ": no column " + std::to_string(position));
        row[position] = value;
    }
    return row;
}

uint32_t TableImpl::NextAutoNumber(std::vector<Value>& values, bool assign) const {
    uint32_t counter = def_.autoNumber;
    for (size_t i = 0; i < def_.columns.size(); ++i) {
        if (!def_.columns[i].IsAutoNumber()) continue;
        if (IsNull(values[i]) && assign)
            values[i] = int64_t(int32_t(++counter));
        else if (auto v = std::get_if<int64_t>(&values[i]); v && *v > 0 && uint64_t(*v) > counter)
            counter = uint32_t(*v);
    }
    return counter;
}

Result<std::vector<TableImpl::KeyChange>> TableImpl::PlanKeys(const std::vector<Value>* oldValues,
                                                              const std::vector<Value>* newValues) {
    std::vector<KeyChange> changes;
    for (size_t i = 0; i < indexes_.size(); ++i) {
        KeyChange change;
        change.index = i;
        if (oldValues) {
            auto key = KeyFor(i, *oldValues);
            KESTRIN_TRY(key);
            change.oldKey = *key;
        }
        if (newValues) {
            auto key = KeyFor(i, *newValues);
            KESTRIN_TRY(key);
            change.newKey = *key;
        }
        if (change.oldKey == change.newKey) continue;
        if (change.newKey) {
            auto has = indexes_[i]->data->HasKey(*change.newKey);
            KESTRIN_TRY(has);
            bool unique = def_.realIndexes[indexes_[i]->real].flags & index_flags::kUnique;
            bool allNull = std::all_of(indexes_[i]->positions.begin(), indexes_[i]->positions.end(),
                                       [&](size_t p) { return IsNull((*newValues)[p]); });
            if (*has && unique && !allNull)  // a unique index takes any number of all-Null keys
                return Status(ErrorCode::Constraint,
                              Context() + ": the value is already in unique index " + IndexName(i));
            change.newDistinct = !*has;
        }
        changes.push_back(std::move(change));
    }
    return changes;
}

Status TableImpl::ApplyKeys(const std::vector<KeyChange>& changes, RowPointer row) {
    for (const KeyChange& change : changes) {
        IndexData& index = *indexes_[change.index]->data;
        if (change.oldKey) KESTRIN_TRY(index.Remove(*change.oldKey, row));
        if (change.newKey) KESTRIN_TRY(index.Insert(*change.newKey, row));
        if (change.newDistinct) ++def_.realIndexes[indexes_[change.index]->real].uniqueCount;
    }
    return Status::Ok();
}

Status TableImpl::StoreOwnMaps() {
    KESTRIN_TRY(StoreMap(db_.GetPager(), db_.MapStore(), *owned_, def_.ownedMap));
    return StoreMap(db_.GetPager(), db_.MapStore(), *free_, def_.freeMap);
}

Status TableImpl::WriteCounts() {
    auto page = db_.GetPager().Write(tdefPage_);
    KESTRIN_TRY(page);
    PatchTableDefCounts(*page, def_);
    return Status::Ok();
}

Status TableImpl::MarkHasRoom(PageNo page) {
    if (free_->Contains(ToIndex(page))) return Status::Ok();
    free_->Add(ToIndex(page));
    return StoreMap(db_.GetPager(), db_.MapStore(), *free_, def_.freeMap);
}

Result<RowRef> TableImpl::PlaceRow(const std::vector<uint8_t>& bytes, uint16_t flags) {
    Pager& pager = db_.GetPager();
    if (auto candidate = free_->Last()) {
        if (!owned_->Contains(*candidate) || *candidate >= pager.PageCount())
            return Status(ErrorCode::Corrupt, Context() + ": free-space map names a page the table does not own");
        auto page = pager.Write(PageNo(*candidate));
        KESTRIN_TRY(page);
        KESTRIN_TRY(CheckDataPage(*page));
        if (RowFits(*page, bytes.size())) {
            auto slot = AddRow(*page, bytes, flags);
            KESTRIN_TRY(slot);
            return RowRef{PageNo(*candidate), *slot};
        }
        // Full for this row: stop offering the page (deletes offer it again).
        free_->Remove(*candidate);
        KESTRIN_TRY(StoreMap(pager, db_.MapStore(), *free_, def_.freeMap));
    }
    auto fresh = db_.Space().Allocate();
    KESTRIN_TRY(fresh);
    auto page = pager.Write(*fresh);
    KESTRIN_TRY(page);
    InitDataPage(*page, ToIndex(tdefPage_));
    owned_->Add(ToIndex(*fresh));
    free_->Add(ToIndex(*fresh));
    KESTRIN_TRY(StoreOwnMaps());
    page = pager.Write(*fresh);
    KESTRIN_TRY(page);
    auto slot = AddRow(*page, bytes, flags);
    KESTRIN_TRY(slot);
    return RowRef{*fresh, *slot};
}

Result<RowPointer> TableImpl::InsertRow(std::vector<Value> values) {
    KESTRIN_TRY(EnsureLoaded());
    if (values.size() != def_.columns.size())
        return Status(ErrorCode::InvalidArgument, Context() + ": wrong number of values");
    uint32_t counter = NextAutoNumber(values, true);
    auto bytes = EncodeRow(def_, values);
    if (!bytes.ok()) return bytes.status().WithContext(Context());
    auto changes = PlanKeys(nullptr, &values);
    KESTRIN_TRY(changes);
    writing_ = true;
    auto ref = PlaceRow(*bytes, 0);
    KESTRIN_TRY(ref);
    KESTRIN_TRY(ApplyKeys(*changes, ToPointer(*ref)));
    ++def_.rowCount;
    def_.autoNumber = counter;
    KESTRIN_TRY(WriteCounts());
    NoteRowChange(ToPointer(*ref), nullptr, &values);
    return ToPointer(*ref);
}

Result<RowPointer> TableImpl::Insert(const ColumnValues& values) {
    return Change([&]() -> Result<RowPointer> {
        KESTRIN_TRY(EnsureLoaded());
        auto row = Merge(std::vector<Value>(def_.columns.size()), values);
        KESTRIN_TRY(row);
        return InsertRow(std::move(*row));
    });
}

Status TableImpl::StoreUpdated(RowRef header, RowRef stored, const std::vector<uint8_t>& bytes) {
    Pager& pager = db_.GetPager();
    auto page = pager.Write(stored.page);
    KESTRIN_TRY(page);
    auto slot = ReadSlot(*page, stored.row);
    KESTRIN_TRY(slot);
    if (bytes.size() <= slot->length) {
        auto padded = PadRow(def_, bytes, slot->length);
        if (padded.ok()) return OverwriteRow(*page, stored.row, *padded);
    }
    // Longer: the row moves to a new slot the scans skip, and the header points at it.
    auto target = PlaceRow(bytes, Jet4Layout::kSlotDeleted);
    KESTRIN_TRY(target);
    auto headerPage = pager.Write(header.page);
    KESTRIN_TRY(headerPage);
    KESTRIN_TRY(PointRowTo(*headerPage, header.row, *target));
    if (stored == header) return Status::Ok();
    auto oldTarget = pager.Write(stored.page);
    KESTRIN_TRY(oldTarget);
    KESTRIN_TRY(DeleteRow(*oldTarget, stored.row));
    return MarkHasRoom(stored.page);
}

Status TableImpl::Update(RowPointer row, const ColumnValues& values) {
    return Change([&]() -> Status {
        KESTRIN_TRY(EnsureLoaded());
        RowRef header = ToRef(row);
        auto stored = Resolve(header);
        KESTRIN_TRY(stored);
        auto oldValues = DecodeAt(*stored, nullptr);
        KESTRIN_TRY(oldValues);
        auto newValues = Merge(*oldValues, values);
        KESTRIN_TRY(newValues);
        uint32_t counter = NextAutoNumber(*newValues, false);
        auto bytes = EncodeRow(def_, *newValues);
        if (!bytes.ok()) return bytes.status().WithContext(Context());
        auto changes = PlanKeys(&*oldValues, &*newValues);
        KESTRIN_TRY(changes);
        writing_ = true;
        KESTRIN_TRY(ApplyKeys(*changes, row));
        KESTRIN_TRY(StoreUpdated(header, *stored, *bytes));
        def_.autoNumber = counter;
        KESTRIN_TRY(WriteCounts());
        NoteRowChange(row, &*oldValues, &*newValues);
        return Status::Ok();
    });
}

Status TableImpl::Delete(RowPointer row) {
    return Change([&]() -> Status {
        KESTRIN_TRY(EnsureLoaded());
        RowRef header = ToRef(row);
        auto stored = Resolve(header);
        KESTRIN_TRY(stored);
        auto oldValues = DecodeAt(*stored, nullptr);
        KESTRIN_TRY(oldValues);
        auto changes = PlanKeys(&*oldValues, nullptr);
        KESTRIN_TRY(changes);
        writing_ = true;
        KESTRIN_TRY(ApplyKeys(*changes, row));
        Pager& pager = db_.GetPager();
        std::vector<RowRef> slots{header};
        if (*stored != header) slots.push_back(*stored);
        for (RowRef ref : slots) {
            auto page = pager.Write(ref.page);
            KESTRIN_TRY(page);
            KESTRIN_TRY(DeleteRow(*page, ref.row));
            KESTRIN_TRY(MarkHasRoom(ref.page));
        }
        --def_.rowCount;
        KESTRIN_TRY(WriteCounts());
        NoteRowChange(row, &*oldValues, nullptr);
        return Status::Ok();
    });
}

}  // namespace jet
