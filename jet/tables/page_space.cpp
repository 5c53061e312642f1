// Page allocation over the global usage map, and loading/storing usage-map rows.
#include <cstring>
#include <string>

#include "jet/format/data_page.h"
#include "jet/tables/tables_internal.h"

namespace jet {
namespace {

constexpr PageNo kGlobalMapPage{1};
constexpr uint32_t kFirstAllocatable = 2;  // pages 0 and 1 are the header and the global map

Result<std::span<uint8_t>> WriteMapRow(Pager& pager, RowRef where) {
    auto page = pager.Write(where.page);
    KESTRIN_TRY(page);
    auto slot = ReadSlot(*page, where.row);
    if (!slot.ok()) return slot.status().WithContext("usage map at page " + std::to_string(ToIndex(where.page)));
    return std::span<uint8_t>(*page + slot->offset, slot->length);
}

}  // namespace

Result<std::span<const uint8_t>> ReadMapRow(Pager& pager, RowRef where) {
    std::string context = "usage map at page " + std::to_string(ToIndex(where.page));
    if (where.page == kNoPage || ToIndex(where.page) >= pager.PageCount())
        return Status(ErrorCode::Corrupt, context + ": page out of the file");
    auto page = pager.Read(where.page);
    KESTRIN_TRY(page);
    auto slot = ReadSlot(*page, where.row);
    if (!slot.ok()) return slot.status().WithContext(context);
    if (slot->deleted) return Status(ErrorCode::Corrupt, context + ": row deleted");
    return std::span<const uint8_t>(*page + slot->offset, slot->length);
}

Result<UsageMap> LoadMap(Pager& pager, MapPageStore& store, RowRef where) {
    // Access leaves the maps of a table it never filled (MSysAccessXML) at page 0: no pages yet.
    if (where.page == kNoPage) return UsageMap::NewInline();
    auto row = ReadMapRow(pager, where);
    KESTRIN_TRY(row);
    return UsageMap::Parse(*row, store, false);
}

Status StoreMap(Pager& pager, MapPageStore& store, UsageMap& map, RowRef where) {
    if (where.page == kNoPage) return Status(ErrorCode::Unsupported, "a table without usage maps is not written here");
    // Converting to a reference map allocates pages, which may touch the holder page: do that first,
    // then take the row's bytes fresh.
    auto row = WriteMapRow(pager, where);
    KESTRIN_TRY(row);
    std::vector<uint8_t> bytes(row->begin(), row->end());
    KESTRIN_TRY(map.Store(bytes, store));
    auto again = WriteMapRow(pager, where);
    KESTRIN_TRY(again);
    std::memcpy(again->data(), bytes.data(), bytes.size());
    return Status::Ok();
}

Result<UsageMap*> PageSpace::Global() {
    if (!global_) {
        auto row = ReadMapRow(pager_, RowRef{kGlobalMapPage, 0});
        if (!row.ok()) return row.status().WithContext("global usage map");
        auto map = UsageMap::Parse(*row, *this, true);
        if (!map.ok()) return map.status().WithContext("global usage map");
        global_ = std::move(*map);
    }
    return &*global_;
}

Status PageSpace::Store() {
    auto global = Global();
    KESTRIN_TRY(global);
    return StoreMap(pager_, *this, **global, RowRef{kGlobalMapPage, 0});
}

Result<PageNo> PageSpace::Allocate() {
    auto global = Global();
    KESTRIN_TRY(global);
    std::optional<uint32_t> reuse = (*global)->FirstFrom(kFirstAllocatable, pager_.PageCount());
    PageNo page;
    if (reuse) {
        page = PageNo(*reuse);
        (*global)->Remove(*reuse);
        auto bytes = pager_.Write(page);
        KESTRIN_TRY(bytes);
        std::memset(*bytes, 0, kPageSize);
    } else {
        auto appended = pager_.Append();
        KESTRIN_TRY(appended);
        page = *appended;
    }
    KESTRIN_TRY(Store());
    return page;
}

Status PageSpace::Free(PageNo page) {
    auto global = Global();
    KESTRIN_TRY(global);
    auto bytes = pager_.Write(page);
    KESTRIN_TRY(bytes);
    std::memset(*bytes, 0, 4);
    (*global)->Add(ToIndex(page));
    return Store();
}

Result<bool> PageSpace::IsFree(uint32_t page) {
    auto global = Global();
    KESTRIN_TRY(global);
    return page >= pager_.PageCount() || (*global)->Contains(page);
}

}  // namespace jet
