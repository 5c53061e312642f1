#include "jet/format/usage_map.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

using L = Jet4Layout;
constexpr uint32_t kRangePages = L::kMapPageBits;

Status Bad(const std::string& what) {
    return Status(ErrorCode::Corrupt, "usage map: " + what);
}

}  // namespace

UsageMap UsageMap::NewInline(bool inverted) {
    UsageMap map;
    map.inverted_ = inverted;
    return map;
}

void UsageMap::Add(uint32_t page) {
    if (page / 8 >= bits_.size()) bits_.resize(page / 8 + 1, 0);
    bits_[page / 8] |= uint8_t(1 << (page % 8));
}

void UsageMap::Remove(uint32_t page) {
    if (page / 8 < bits_.size()) bits_[page / 8] &= uint8_t(~(1 << (page % 8)));
}

std::vector<uint32_t> UsageMap::Pages() const {
    std::vector<uint32_t> pages;
    for (size_t k = 0; k < bits_.size(); ++k)
        for (int b = 0; bits_[k] && b < 8; ++b)
            if (bits_[k] >> b & 1) pages.push_back(uint32_t(8 * k + b));
    return pages;
}

std::optional<uint32_t> UsageMap::Last() const {
    for (size_t k = bits_.size(); k-- > 0;)
        for (int b = 7; bits_[k] && b >= 0; --b)
            if (bits_[k] >> b & 1) return uint32_t(8 * k + b);
    return std::nullopt;
}

std::optional<uint32_t> UsageMap::FirstFrom(uint32_t from, uint32_t limit) const {
    limit = std::min<uint64_t>(limit, uint64_t(bits_.size()) * 8);
    for (uint32_t p = from; p < limit; ++p) {
        if (p % 8 == 0 && bits_[p / 8] == 0) {
            p += 7;
            continue;
        }
        if (Contains(p)) return p;
    }
    return std::nullopt;
}

bool UsageMap::AnyInRange(uint64_t from, uint64_t to) const {
    for (uint64_t k = from / 8; k < std::min<uint64_t>(bits_.size(), (to + 7) / 8); ++k)
        if (bits_[k]) return true;
    return false;
}

std::vector<uint32_t> UsageMap::MapPages() const {
    std::vector<uint32_t> pages;
    for (size_t i = 0; i < mapPages_.size(); ++i)
        if (mapPages_[i] && !IsUndescribed(i)) pages.push_back(mapPages_[i]);
    return pages;
}

bool UsageMap::IsUndescribed(size_t range) const {
    return std::find(undescribed_.begin(), undescribed_.end(), range) != undescribed_.end();
}

Result<UsageMap> UsageMap::Parse(std::span<const uint8_t> row, MapPageStore& store, bool inverted) {
    UsageMap map;
    map.inverted_ = inverted;
    uint32_t pageCount = store.PageCount();
    // Only pages inside the file are kept: past the end, a global map's bits just say "free", and an
    // owner's bits are damage that Check reports (keeping them would let a damaged start page ask
    // for a bitmap of half a gigabyte).
    auto keep = [&](uint64_t page) {
        if (page < pageCount) {
            map.Add(uint32_t(page));
        } else if (!inverted) {
            map.namesPagesPastEnd_ = true;
        }
    };
    if (row.size() < 5) return Bad("row of " + std::to_string(row.size()) + " bytes");
    if (row[0] == 0) {
        map.start_ = Le32(row.data() + 1);
        for (size_t k = 5; k < row.size(); ++k) {
            if (row[k] == 0) continue;  // most bytes of a map are empty
            for (int b = 0; b < 8; ++b)
                if (row[k] >> b & 1) keep(uint64_t(map.start_) + 8 * (k - 5) + b);
        }
        return map;
    }
    if (row[0] != 1) return Bad("unknown map type " + std::to_string(row[0]));
    map.reference_ = true;
    for (size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i) {
        uint32_t mapPage = Le32(row.data() + 1 + 4 * i);
        map.mapPages_.push_back(mapPage);
        bool inFile = uint64_t(i) * kRangePages < pageCount;
        if (inverted && (mapPage == 0 || mapPage >= pageCount)) {
            // Access writes the global map of a large file as a reference row without map pages
            // (and a stray last slot): those ranges stay undescribed, so in use, and the row's
            // bytes stay as they are.
            if (inFile || mapPage != 0) map.undescribed_.push_back(i);
            continue;
        }
        if (mapPage == 0) continue;
        if (mapPage >= pageCount) return Bad("map page " + std::to_string(mapPage) + " past the end of the file");
        auto bytes = store.ReadPage(PageNo(mapPage));
        KESTRIN_TRY(bytes);
        const uint8_t* page = *bytes;
        if (page[0] != L::kPageUsageMap || page[1] != 0x01)
            return Bad("page " + std::to_string(mapPage) + " is not a map page");
        for (size_t k = 4; k < kPageSize; ++k) {
            if (page[k] == 0) continue;
            for (int b = 0; b < 8; ++b)
                if (page[k] >> b & 1) keep(uint64_t(i) * kRangePages + 8 * (k - 4) + b);
        }
    }
    return map;
}

bool UsageMap::FitsInline(size_t rowSize, uint32_t pageCount) const {
    uint64_t windowEnd = uint64_t(start_) + 8 * (rowSize - 5);
    if (inverted_) return pageCount <= windowEnd;
    auto last = Last();
    if (!last) return true;
    if (*last >= windowEnd) return false;
    auto first = FirstFrom(0, start_);
    return !first.has_value();
}

Status UsageMap::Store(std::span<uint8_t> row, MapPageStore& store) {
    if (row.size() < 5) return Bad("row of " + std::to_string(row.size()) + " bytes");
    if (!reference_ && FitsInline(row.size(), store.PageCount())) {
        std::memset(row.data(), 0, row.size());
        PutLe32(row.data() + 1, start_);
        uint32_t pageCount = store.PageCount();
        for (size_t k = 5; k < row.size(); ++k)
            for (int b = 0; b < 8; ++b) {
                uint64_t page = uint64_t(start_) + 8 * (k - 5) + b;
                bool set = inverted_ ? (page >= pageCount || Contains(uint32_t(page))) : Contains(uint32_t(page));
                if (set) row[k] |= uint8_t(1 << b);
            }
        return Status::Ok();
    }
    return StoreReference(row, store);
}

Status UsageMap::StoreReference(std::span<uint8_t> row, MapPageStore& store) {
    reference_ = true;
    size_t slots = (row.size() - 1) / 4;
    mapPages_.resize(slots, 0);
    // Allocating a map page can grow the file (and so the ranges an inverted map must cover).
    for (bool allocated = true; allocated;) {
        allocated = false;
        uint64_t highest = inverted_ ? uint64_t(store.PageCount()) : uint64_t(Last().value_or(0)) + 1;
        size_t needed = highest == 0 ? 0 : size_t((highest - 1) / kRangePages + 1);
        if (needed > slots) return Status(ErrorCode::TooLarge, "usage map: file too large for the map row");
        for (size_t i = 0; i < needed; ++i) {
            bool anySet = inverted_ || AnyInRange(uint64_t(i) * kRangePages, uint64_t(i + 1) * kRangePages);
            if (mapPages_[i] != 0 || !anySet || IsUndescribed(i)) continue;
            auto page = store.AllocateMapPage();
            KESTRIN_TRY(page);
            mapPages_[i] = ToIndex(*page);
            allocated = true;
        }
    }
    std::memset(row.data(), 0, row.size());
    row[0] = 1;
    uint32_t pageCount = store.PageCount();
    for (size_t i = 0; i < slots; ++i) {
        PutLe32(row.data() + 1 + 4 * i, mapPages_[i]);
        if (mapPages_[i] == 0 || IsUndescribed(i)) continue;
        auto bytes = store.WritePage(PageNo(mapPages_[i]));
        KESTRIN_TRY(bytes);
        FillMapPage(*bytes, i, pageCount);
    }
    return Status::Ok();
}

void UsageMap::FillMapPage(uint8_t* page, size_t range, uint32_t pageCount) const {
    std::memset(page, 0, kPageSize);
    page[0] = L::kPageUsageMap;
    page[1] = 0x01;
    size_t firstByte = range * (kRangePages / 8);
    if (firstByte < bits_.size())
        std::memcpy(page + 4, bits_.data() + firstByte, std::min<size_t>(kRangePages / 8, bits_.size() - firstByte));
    if (!inverted_) return;
    uint64_t first = uint64_t(range) * kRangePages;
    for (uint64_t p = std::max<uint64_t>(first, pageCount); p < first + kRangePages; ++p) {
        uint64_t bit = p - first;
        if (bit % 8 == 0) {
            std::memset(page + 4 + bit / 8, 0xFF, kRangePages / 8 - bit / 8);
            break;
        }
        page[4 + bit / 8] |= uint8_t(1 << (bit % 8));
    }
}

}  // namespace jet
