#pragma once
// UsageMap: a set of page numbers stored as one row (usually 69 bytes) on a data page: which pages
// a table, an index or a long-value column owns, which of a table's pages have room, and — inverted —
// which pages of the file are free (the global map, page 1 row 0).
//
// On disk:
//   inline (type 0):    00, start page S (u32), bitmap: bit b of byte k = page S + 8k + b
//   reference (type 1): 01, then u32 page numbers of usage-map pages (0 = none yet); map page i
//                       covers pages i*32736 .. i*32736+32735 with the bitmap at its offset 4
//   usage-map page (0x05): 05 01 00 00, 4092-byte bitmap
// Invariants:
//  1. A map is written in the form it was read in until a page falls outside what the inline window
//     (S .. S + 8 * bitmap bytes - 1) covers; then it becomes a reference map, allocating a 0x05 page
//     per 32736-page range it needs. Reference maps are never turned back into inline ones.
//  2. The global map is inverted: a set bit means free, and pages at or past the end of the file are
//     free. It is converted to a reference map as soon as the file outgrows its inline window, so
//     every page of a file of any size (a 69-byte row names 17 map pages, 557,000 pages) is described.
//     Pages the map cannot describe count as in use, which is the safe reading.
//  3. Parsing bounds-checks the row and every map page it names: a bad map is Corrupt. The one
//     exception is the global map as Access writes it for large files: a reference row whose slots
//     name no map page (0) or none in the file. Those ranges are undescribed (in use, nothing is
//     ever allocated from them), the slots are written back as read, and new pages are appended.
//
// Why reference maps and not a sliding inline window (what Jackcess does for the global map): a
// sliding window forgets the pages below it, so the file could never again say which of them are
// free, and the consistency check could not tell a leaked page from a used one. A reference map is
// the format's own answer for large sets, readers (Jet, mdbtools, Jackcess) read it for every map,
// and it costs one 0x05 page per 128 MB of file.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "common/result.h"
#include "jet/pages/page.h"

namespace jet {

// What a map needs from the file to load and store its 0x05 pages.
class MapPageStore {
  public:
    virtual ~MapPageStore() = default;
    virtual uint32_t PageCount() = 0;
    virtual Result<const uint8_t*> ReadPage(PageNo page) = 0;
    virtual Result<uint8_t*> WritePage(PageNo page) = 0;
    // A new page for the map's own use; it is written whole by the map.
    virtual Result<PageNo> AllocateMapPage() = 0;
};

class UsageMap {
  public:
    static UsageMap NewInline(bool inverted = false);
    static Result<UsageMap> Parse(std::span<const uint8_t> row, MapPageStore& store, bool inverted);

    bool Contains(uint32_t page) const { return page / 8 < bits_.size() && (bits_[page / 8] >> (page % 8) & 1); }
    void Add(uint32_t page);
    void Remove(uint32_t page);
    std::vector<uint32_t> Pages() const;
    std::optional<uint32_t> Last() const;
    // The first page >= `from` in the set, below `limit`.
    std::optional<uint32_t> FirstFrom(uint32_t from, uint32_t limit) const;
    bool IsReference() const { return reference_; }
    // True when a parsed (not inverted) map had bits for pages at or past the end of the file; those
    // pages are not in the set.
    bool NamesPagesPastEnd() const { return namesPagesPastEnd_; }
    // The 0x05 pages a reference map uses.
    std::vector<uint32_t> MapPages() const;
    // An inverted reference map with ranges it does not describe (Access's form, invariant 3).
    bool HasUndescribedRanges() const { return !undescribed_.empty(); }

    // Writes the map into `row` (whose length stays), converting it to a reference map when it must.
    Status Store(std::span<uint8_t> row, MapPageStore& store);

  private:
    Status StoreReference(std::span<uint8_t> row, MapPageStore& store);
    bool FitsInline(size_t rowSize, uint32_t pageCount) const;
    bool AnyInRange(uint64_t from, uint64_t to) const;
    void FillMapPage(uint8_t* page, size_t range, uint32_t pageCount) const;
    bool IsUndescribed(size_t range) const;

    std::vector<uint8_t> bits_;  // bit p % 8 of byte p / 8; inverted map: free pages below the end of the file
    bool inverted_ = false;
    bool reference_ = false;
    bool namesPagesPastEnd_ = false;
    uint32_t start_ = 0;               // inline: first page of the window
    std::vector<uint32_t> mapPages_;   // reference: 0x05 page per range, 0 = none
    std::vector<size_t> undescribed_;  // inverted reference: ranges read without a map page
};

}  // namespace jet
