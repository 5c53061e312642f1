// Database::Check and TableImpl::CheckTable: the file against its own bookkeeping — every page has
// exactly one owner or is free, data pages' free space, row counts, and every index against the
// rows of its table (keys re-encoded from the rows, compared both ways).
//
// Access keeps some bookkeeping loose that this engine keeps exact: row counts and unique counts
// it fixes only when it compacts, pages it stopped using but never marked free. In a file Access
// made (it has Access's own system tables) those are notes; in any other they are damage. Keys
// whose characters have no code known here cannot be verified: their rows and entries are left
// out of the comparison and counted in a note.
#include <algorithm>
#include <set>
#include <string>

#include "jet/format/jet4_layout.h"
#include "jet/format/row_codec.h"
#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

constexpr size_t kMaxReported = 20;  // per index: the first differences say enough

std::string PageName(uint32_t page) {
    return "page " + std::to_string(page);
}

bool EntryLess(const std::pair<std::string, RowPointer>& a, const std::pair<std::string, RowPointer>& b) {
    if (a.first != b.first) return a.first < b.first;
    if (a.second.page != b.second.page) return ToIndex(a.second.page) < ToIndex(b.second.page);
    return a.second.row < b.second.row;
}

std::string Describe(const std::pair<std::string, RowPointer>& entry) {
    return "row at page " + std::to_string(ToIndex(entry.second.page)) + " slot " + std::to_string(entry.second.row);
}

// A key this engine refuses to encode for a reason of the data (a character without a known code),
// not of the file.
bool UnknownCharacters(const std::vector<IndexKeyColumn>& columns, const Status& status) {
    if (status.code() != ErrorCode::Unsupported) return false;
    for (const IndexKeyColumn& column : columns)
        if (column.type == ColumnType::Text || column.type == ColumnType::Memo)
            if (column.sortVersion == 0 &&
                (column.sortOrder == 1033 || column.sortOrder == 2052 || column.sortOrder == 1028))
                return status.message().find(" code for U+") != std::string::npos;
    return false;
}

}  // namespace

void CheckReport::Loose(bool accessMade, std::string line) {
    (accessMade ? notes : problems).push_back(std::move(line));
}

Status TableImpl::CheckPages(CheckReport& report, const std::function<void(uint32_t, const std::string&)>& claim,
                             std::vector<ExpectedKeys>& expected) {
    std::vector<std::string>& problems = report.problems;
    Pager& pager = db_.GetPager();
    uint32_t liveRows = 0;
    int64_t largestAuto = 0;
    if (owned_->NamesPagesPastEnd())
        problems.push_back(Context() + ": its page map names pages past the end of the file");
    for (uint32_t pageNo : owned_->Pages()) {
        claim(pageNo, Context() + " data");
        if (pageNo >= pager.PageCount()) continue;
        auto page = pager.Read(PageNo(pageNo));
        KESTRIN_TRY(page);
        Status valid = CheckDataPage(*page);
        if (!valid.ok() || DataPageOwner(*page) != ToIndex(tdefPage_)) {
            problems.push_back(Context() + ": " + PageName(pageNo) + " is not one of its data pages");
            continue;
        }
        auto free = ComputeFreeSpace(*page);
        if (free.ok() && *free != DataFreeSpace(*page))
            problems.push_back(Context() + ": " + PageName(pageNo) + " says " + std::to_string(DataFreeSpace(*page)) +
                               " bytes free, holds " + std::to_string(*free));
        for (unsigned k = 0; k < SlotCount(*page); ++k) {
            auto slot = ReadSlot(*page, k);
            if (!slot.ok() || slot->deleted) continue;
            ++liveRows;
            RowRef header{PageNo(pageNo), uint8_t(k)};
            auto stored = Resolve(header);
            auto values = stored.ok() ? DecodeAt(*stored, nullptr) : Result<std::vector<Value>>(stored.status());
            if (!values.ok()) {
                problems.push_back(values.status().ToString());
                continue;
            }
            for (size_t c = 0; c < def_.columns.size(); ++c)
                if (auto v = std::get_if<int64_t>(&(*values)[c]); v && def_.columns[c].IsAutoNumber())
                    largestAuto = std::max(largestAuto, *v);
            for (size_t i = 0; i < indexes_.size(); ++i) {
                auto key = KeyFor(i, *values);
                if (key.ok() && *key)
                    expected[i].entries.push_back({std::move(**key), ToPointer(header)});
                else if (!key.ok() && (db_.AccessMade() || UnknownCharacters(indexes_[i]->keyColumns, key.status())))
                    expected[i].unknown.push_back(ToPointer(header));
                else if (!key.ok())
                    problems.push_back(key.status().ToString());
            }
        }
    }
    for (uint32_t pageNo : free_->Pages())
        if (!owned_->Contains(pageNo))
            problems.push_back(Context() + ": free-space map lists " + PageName(pageNo) + " it does not own");
    if (liveRows != def_.rowCount)
        report.Loose(db_.AccessMade(), Context() + ": row count says " + std::to_string(def_.rowCount) +
                                           ", pages hold " + std::to_string(liveRows));
    if (largestAuto > int64_t(def_.autoNumber))
        problems.push_back(Context() + ": AutoNumber counter " + std::to_string(def_.autoNumber) + " below value " +
                           std::to_string(largestAuto));
    return Status::Ok();
}

void TableImpl::CheckIndex(size_t i, ExpectedKeys expectedKeys, CheckReport& report,
                           const std::function<void(uint32_t, const std::string&)>& claim) {
    std::vector<std::string>& problems = report.problems;
    Entries& expected = expectedKeys.entries;
    IndexState& state = *indexes_[i];
    std::string name = Context() + ", index " + IndexName(i);
    std::vector<std::string> broken, shapes;
    Status checked = state.data->Check(broken, shapes);
    if (!checked.ok()) problems.push_back(name + ": " + checked.ToString());
    for (std::string& line : broken) problems.push_back(name + ": " + std::move(line));
    for (std::string& line : shapes) report.notes.push_back(name + ": " + std::move(line));
    auto pages = state.data->Pages();
    if (pages.ok()) {
        for (PageNo page : *pages) {
            claim(ToIndex(page), name);
            if (!state.map.Contains(ToIndex(page)))
                problems.push_back(name + ": " + PageName(ToIndex(page)) + " missing from its map");
        }
        if (pages->size() != state.map.Pages().size())
            problems.push_back(name + ": its map lists pages the tree does not use");
    }
    Entries actual;
    Status scanned = state.data->Scan([&](std::string_view key, RowPointer row) {
        actual.push_back({std::string(key), row});
        return true;
    });
    if (!scanned.ok()) {
        problems.push_back(name + ": " + scanned.ToString());
        return;
    }
    if (!expectedKeys.unknown.empty()) {
        auto& unknown = expectedKeys.unknown;
        report.notes.push_back(name + ": " + std::to_string(unknown.size()) +
                               " keys not verified (characters or types whose codes this engine does not know)");
        auto rowLess = [](RowPointer a, RowPointer b) {
            return ToIndex(a.page) != ToIndex(b.page) ? ToIndex(a.page) < ToIndex(b.page) : a.row < b.row;
        };
        std::sort(unknown.begin(), unknown.end(), rowLess);
        auto isUnknown = [&](const auto& entry) {
            return std::binary_search(unknown.begin(), unknown.end(), entry.second, rowLess);
        };
        actual.erase(std::remove_if(actual.begin(), actual.end(), isUnknown), actual.end());
    }
    std::sort(expected.begin(), expected.end(), EntryLess);
    Entries missing, extra;
    Entries sortedActual = actual;
    std::sort(sortedActual.begin(), sortedActual.end(), EntryLess);
    std::set_difference(expected.begin(), expected.end(), sortedActual.begin(), sortedActual.end(),
                        std::back_inserter(missing), EntryLess);
    std::set_difference(sortedActual.begin(), sortedActual.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra), EntryLess);
    for (size_t k = 0; k < missing.size() && k < kMaxReported; ++k)
        problems.push_back(name + ": no entry for " + Describe(missing[k]));
    for (size_t k = 0; k < extra.size() && k < kMaxReported; ++k)
        problems.push_back(name + ": entry for no " + Describe(extra[k]));
    bool unique = def_.realIndexes[state.real].flags & index_flags::kUnique;
    auto nullKey = EncodeIndexKey(state.keyColumns, std::vector<Value>(state.keyColumns.size()));
    size_t distinct = 0;
    for (size_t k = 0; k < sortedActual.size(); ++k) {
        bool repeat = k > 0 && sortedActual[k].first == sortedActual[k - 1].first;
        distinct += repeat ? 0 : 1;
        bool allNull = nullKey.ok() && sortedActual[k].first == *nullKey;
        if (repeat && unique && !allNull)
            problems.push_back(name + ": duplicate key in a unique index at " + Describe(sortedActual[k]));
    }
    if (def_.realIndexes[state.real].uniqueCount < distinct)
        report.Loose(db_.AccessMade(), name + ": unique count " +
                                           std::to_string(def_.realIndexes[state.real].uniqueCount) + " below " +
                                           std::to_string(distinct) + " distinct keys");
}

Status TableImpl::CheckTable(CheckReport& report, const std::function<void(uint32_t, const std::string&)>& claim) {
    std::vector<std::string>& problems = report.problems;
    Status loaded = Load();
    if (!loaded.ok()) {
        problems.push_back(loaded.ToString());
        return Status::Ok();
    }
    for (PageNo page : tdefPages_) claim(ToIndex(page), Context() + " definition");
    for (const UsageMap* map : {&*owned_, &*free_})
        for (uint32_t page : map->MapPages()) claim(page, Context() + " map page");
    for (const auto& state : indexes_)
        for (uint32_t page : state->map.MapPages()) claim(page, Context() + " index map page");
    Pager& pager = db_.GetPager();
    for (const auto& lv : def_.longValueMaps) {
        for (RowRef where : {lv.owned, lv.free}) {
            auto map = LoadMap(pager, db_.MapStore(), where);
            if (!map.ok()) {
                problems.push_back(map.status().WithContext(Context()).ToString());
                continue;
            }
            for (uint32_t page : map->MapPages()) claim(page, Context() + " long-value map page");
            if (where == lv.owned)
                for (uint32_t page : map->Pages()) claim(page, Context() + " long values");
        }
    }
    std::vector<ExpectedKeys> expected(indexes_.size());
    KESTRIN_TRY(CheckPages(report, claim, expected));
    for (size_t i = 0; i < indexes_.size(); ++i) CheckIndex(i, std::move(expected[i]), report, claim);
    return Status::Ok();
}

Status DatabaseImpl::Check(std::vector<std::string>& problems, std::vector<std::string>& notes) {
    CheckReport report{problems, notes};
    if (pager_->InTransaction()) return Status(ErrorCode::InvalidArgument, "Check inside a transaction");
    AbortChange();  // read everything fresh from the pages
    uint32_t pageCount = pager_->PageCount();
    auto page0 = pager_->Read(PageNo(0));
    KESTRIN_TRY(page0);
    auto header = ParseDbHeader(*page0, kPageSize);
    if (!header.ok()) problems.push_back("header: " + header.status().ToString());
    Status catalog = LoadCatalog();
    if (!catalog.ok()) {
        problems.push_back(catalog.ToString());
        return Status::Ok();
    }
    std::vector<std::string> owner(pageCount);
    auto claim = [&](uint32_t page, const std::string& who) {
        if (page >= pageCount)
            problems.push_back(who + ": " + PageName(page) + " is past the end of the file");
        else if (!owner[page].empty() && owner[page] != who)
            problems.push_back(PageName(page) + " belongs to both " + owner[page] + " and " + who);
        else
            owner[page] = who;
    };
    claim(0, "header");
    claim(1, "global map");
    auto global = space_.Global();
    if (!global.ok()) {
        problems.push_back(global.status().ToString());
        return Status::Ok();
    }
    for (uint32_t page : (*global)->MapPages()) claim(page, "global map page");
    std::vector<Entry> entries = entries_;
    for (const Entry& entry : entries) {
        TableImpl* table = entry.tdefPage == PageNo(2) ? catalog_.get() : nullptr;
        if (!table) {
            auto found = GetTable(entry.name);
            if (!found.ok()) {
                problems.push_back(found.status().ToString());
                continue;
            }
            table = static_cast<TableImpl*>(*found);
        }
        KESTRIN_TRY(table->CheckTable(report, claim));
        const TableDef& def = table->Def();
        std::vector<RowRef> mapRows{def.ownedMap, def.freeMap};
        for (const auto& index : def.realIndexes) mapRows.push_back(index.usageMap);
        for (const auto& lv : def.longValueMaps) mapRows.insert(mapRows.end(), {lv.owned, lv.free});
        for (RowRef row : mapRows)
            if (row.page != kNoPage) claim(ToIndex(row.page), "usage-map holder");  // page 0: no map yet
    }
    bool accessMade = AccessMade();
    size_t unowned = 0;
    for (uint32_t page = 2; page < pageCount; ++page) {
        bool free = (*global)->Contains(page);
        if (free && !owner[page].empty())
            problems.push_back(PageName(page) + " is free in the global map but belongs to " + owner[page]);
        if (!free && owner[page].empty()) {
            ++unowned;
            if (!accessMade) problems.push_back(PageName(page) + " is in use but belongs to nothing");
        }
    }
    if (accessMade && unowned > 0)
        notes.push_back(std::to_string(unowned) +
                        " pages in use belong to nothing (Access frees pages when it compacts)");
    return Status::Ok();
}

}  // namespace jet
