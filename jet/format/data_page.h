#pragma once
// DataPage: the slotted data pages (type 0x01) that hold table rows, usage-map rows and long values.
//
// On disk: 14-byte header (01 01, free space u16, owner u32, zero u32, slot count u16), then one u16
// per slot: 0x1FFF = offset of the row's first byte, 0x4000 = overflow (the slot holds a 4-byte row
// reference to where the row lives now), 0x8000 = deleted. Rows fill the page from its end down in
// slot order: slot k ends where slot k-1 starts (4096 for slot 0).
// Invariants:
//  1. free space = 4096 - 14 - 2 * slots - sum of row lengths, always (DeleteRow squeezes the bytes
//     out as Access does, so a deleted slot has length 0).
//  2. Slot numbers never change while a row lives: index entries refer to them.
//  3. No more than 255 slots (the row number of a reference is one byte).
//  4. Every accessor bounds-checks slot words against the page: a bad page is Corrupt, never a read
//     outside it.

#include <cstdint>
#include <span>

#include "common/result.h"
#include "jet/pages/page.h"

namespace jet {

// A row's address: page and slot. Stored little-endian as row byte, then the 3-byte page.
struct RowRef {
    PageNo page = kNoPage;
    uint8_t row = 0;
    bool operator==(const RowRef&) const = default;
};
RowRef ReadRowRef(const uint8_t* p);
void WriteRowRef(uint8_t* p, RowRef ref);

struct SlotInfo {
    uint16_t offset = 0;  // first byte of the row
    uint16_t length = 0;
    bool deleted = false;
    bool overflow = false;
};

// Checks the header and the slot table of a data page.
Status CheckDataPage(const uint8_t* page);
// The pager's check mark (Pager::MarkChecked) of a page that passed CheckDataPage.
inline constexpr uint8_t kDataPageChecked = 1;
uint16_t SlotCount(const uint8_t* page);
uint16_t DataFreeSpace(const uint8_t* page);
uint32_t DataPageOwner(const uint8_t* page);
Result<SlotInfo> ReadSlot(const uint8_t* page, unsigned slot);
// ReadSlot for a page that passed CheckDataPage and has not changed since: only `slot` is checked.
Result<SlotInfo> ReadCheckedSlot(const uint8_t* page, unsigned slot);
// Free space recomputed from the slot table (for the consistency check).
Result<uint16_t> ComputeFreeSpace(const uint8_t* page);

void InitDataPage(uint8_t* page, uint32_t owner);
// True when a row of `length` bytes fits as a new slot.
bool RowFits(const uint8_t* page, size_t length);
// Appends a slot holding `row`, with the given flag bits (0, or kSlotDeleted for an overflow target).
Result<uint8_t> AddRow(uint8_t* page, std::span<const uint8_t> row, uint16_t flags);
// Marks the slot deleted and squeezes its bytes out; later slots keep their numbers.
Status DeleteRow(uint8_t* page, unsigned slot);
// Overwrites a row with bytes of exactly its length.
Status OverwriteRow(uint8_t* page, unsigned slot, std::span<const uint8_t> row);
// Turns the slot into an overflow header pointing at `target` (the rest of its bytes zeroed).
Status PointRowTo(uint8_t* page, unsigned slot, RowRef target);

}  // namespace jet
