#include "jet/format/data_page.h"

#include <cstring>
#include <string>

#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

using L = Jet4Layout;

uint16_t SlotWord(const uint8_t* page, unsigned slot) {
    return Le16(page + L::kDataSlots + 2 * slot);
}
uint16_t SlotStart(const uint8_t* page, unsigned slot) {
    return SlotWord(page, slot) & L::kSlotOffsetMask;
}
uint16_t SlotEnd(const uint8_t* page, unsigned slot) {
    return slot == 0 ? kPageSize : SlotStart(page, slot - 1);
}

Status Bad(const std::string& what) {
    return Status(ErrorCode::Corrupt, "data page: " + what);
}

}  // namespace

RowRef ReadRowRef(const uint8_t* p) {
    return RowRef{PageNo(Le32(p) >> 8), p[0]};
}
void WriteRowRef(uint8_t* p, RowRef ref) {
    PutLe32(p, ToIndex(ref.page) << 8 | ref.row);
}

uint16_t SlotCount(const uint8_t* page) {
    return Le16(page + L::kDataSlotCount);
}
uint16_t DataFreeSpace(const uint8_t* page) {
    return Le16(page + L::kDataFreeSpace);
}
uint32_t DataPageOwner(const uint8_t* page) {
    return Le32(page + L::kDataOwner);
}

Status CheckDataPage(const uint8_t* page) {
    if (page[0] != L::kPageData || page[1] != 0x01) return Bad("wrong page type");
    unsigned count = SlotCount(page);
    size_t tableEnd = L::kDataSlots + 2 * size_t(count);
    if (count > 256 || tableEnd > kPageSize) return Bad("slot count " + std::to_string(count));
    size_t previous = kPageSize;
    for (unsigned k = 0; k < count; ++k) {
        size_t start = SlotStart(page, k);
        if (start < tableEnd || start > previous) return Bad("slot " + std::to_string(k) + " out of order");
        previous = start;
    }
    return Status::Ok();
}

Result<SlotInfo> ReadSlot(const uint8_t* page, unsigned slot) {
    KESTRIN_TRY(CheckDataPage(page));
    return ReadCheckedSlot(page, slot);
}

Result<SlotInfo> ReadCheckedSlot(const uint8_t* page, unsigned slot) {
    if (slot >= SlotCount(page)) return Bad("no slot " + std::to_string(slot));
    uint16_t word = SlotWord(page, slot);
    SlotInfo info;
    info.offset = SlotStart(page, slot);
    info.length = uint16_t(SlotEnd(page, slot) - info.offset);
    info.deleted = (word & L::kSlotDeleted) != 0;
    info.overflow = (word & L::kSlotOverflow) != 0;
    return info;
}

Result<uint16_t> ComputeFreeSpace(const uint8_t* page) {
    KESTRIN_TRY(CheckDataPage(page));
    unsigned count = SlotCount(page);
    size_t used = L::kDataSlots + 2 * size_t(count) + (kPageSize - (count ? SlotStart(page, count - 1) : kPageSize));
    return uint16_t(kPageSize - used);
}

void InitDataPage(uint8_t* page, uint32_t owner) {
    std::memset(page, 0, kPageSize);
    page[0] = L::kPageData;
    page[1] = 0x01;
    PutLe16(page + L::kDataFreeSpace, uint16_t(kPageSize - L::kDataSlots));
    PutLe32(page + L::kDataOwner, owner);
}

bool RowFits(const uint8_t* page, size_t length) {
    unsigned count = SlotCount(page);
    if (count >= L::kMaxSlots) return false;
    size_t lowest = count ? SlotStart(page, count - 1) : kPageSize;
    size_t tableEnd = L::kDataSlots + 2 * size_t(count + 1);
    return lowest >= tableEnd && lowest - tableEnd >= length;
}

Result<uint8_t> AddRow(uint8_t* page, std::span<const uint8_t> row, uint16_t flags) {
    KESTRIN_TRY(CheckDataPage(page));
    if (!RowFits(page, row.size())) return Status(ErrorCode::TooLarge, "row does not fit the page");
    unsigned count = SlotCount(page);
    size_t start = (count ? SlotStart(page, count - 1) : kPageSize) - row.size();
    std::memcpy(page + start, row.data(), row.size());
    PutLe16(page + L::kDataSlots + 2 * count, uint16_t(start | flags));
    PutLe16(page + L::kDataSlotCount, uint16_t(count + 1));
    PutLe16(page + L::kDataFreeSpace, uint16_t(DataFreeSpace(page) - row.size() - 2));
    return uint8_t(count);
}

Status DeleteRow(uint8_t* page, unsigned slot) {
    auto info = ReadSlot(page, slot);
    KESTRIN_TRY(info);
    unsigned count = SlotCount(page);
    size_t lowest = SlotStart(page, count - 1);
    size_t length = info->length;
    // Rows after this one lie below it: move them up over the freed bytes.
    std::memmove(page + lowest + length, page + lowest, info->offset - lowest);
    std::memset(page + lowest, 0, length);
    for (unsigned k = slot + 1; k < count; ++k) {
        uint16_t word = SlotWord(page, k);
        PutLe16(page + L::kDataSlots + 2 * k, uint16_t(word + length));
    }
    uint16_t start = uint16_t(info->offset + length);
    PutLe16(page + L::kDataSlots + 2 * slot, uint16_t(start | L::kSlotDeleted | L::kSlotOverflow));
    PutLe16(page + L::kDataFreeSpace, uint16_t(DataFreeSpace(page) + length));
    return Status::Ok();
}

Status OverwriteRow(uint8_t* page, unsigned slot, std::span<const uint8_t> row) {
    auto info = ReadSlot(page, slot);
    KESTRIN_TRY(info);
    if (row.size() != info->length) return Status(ErrorCode::InvalidArgument, "row length differs from the slot's");
    std::memcpy(page + info->offset, row.data(), row.size());
    return Status::Ok();
}

Status PointRowTo(uint8_t* page, unsigned slot, RowRef target) {
    auto info = ReadSlot(page, slot);
    KESTRIN_TRY(info);
    if (info->length < 4) return Bad("slot too short for an overflow pointer");
    std::memset(page + info->offset, 0, info->length);
    WriteRowRef(page + info->offset, target);
    PutLe16(page + L::kDataSlots + 2 * slot, uint16_t(info->offset | L::kSlotOverflow));
    return Status::Ok();
}

}  // namespace jet
