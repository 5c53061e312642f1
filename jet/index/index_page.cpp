// The codec of one index page. Decoding trusts nothing on the page: every length comes from the
// bitmap and is checked against the entry area before a byte of the entry is touched.

#include "jet/index/index_page.h"

#include <cassert>
#include <cstring>

#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

constexpr size_t kFreeSpace = 2;
constexpr size_t kTableDef = 4;
constexpr size_t kPrev = 12;
constexpr size_t kNext = 16;
constexpr size_t kTail = 20;
constexpr size_t kPrefixLength = 24;
constexpr size_t kBitmap = 27;
constexpr size_t kBitmapBytes = kIndexEntryStart - kBitmap;  // 453
constexpr size_t kRowPointerSize = 4;
constexpr size_t kChildSize = 4;

Status Damaged(PageNo pageNo, const std::string& what) {
    return Status(ErrorCode::Corrupt, PageName(pageNo) + ": " + what);
}

uint32_t Be(const uint8_t* p, size_t bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value = value << 8 | p[i];
    return value;
}

void PutBe(uint8_t* p, uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) p[i] = uint8_t(value >> (8 * (bytes - 1 - i)));
}

// End positions of the entries, in order, from the bitmap.
Result<std::vector<uint16_t>> EntryEnds(const uint8_t* bytes, PageNo pageNo) {
    std::vector<uint16_t> ends;
    for (size_t i = 0; i < kBitmapBytes; ++i) {
        uint8_t bits = bytes[kBitmap + i];
        for (int b = 0; bits != 0; ++b, bits >>= 1) {
            if (!(bits & 1)) continue;
            size_t position = i * 8 + size_t(b);
            if (position == 0 || position > kIndexEntryArea) {
                return Damaged(pageNo, "entry bitmap marks position " + std::to_string(position));
            }
            ends.push_back(uint16_t(position));
        }
    }
    return ends;
}

Status DecodeEntries(const uint8_t* bytes, PageNo pageNo, const std::vector<uint16_t>& ends, IndexPage& page) {
    size_t prefixLength = Le16(bytes + kPrefixLength);
    size_t minimum = kRowPointerSize + (page.leaf ? 0 : kChildSize);
    const uint8_t* area = bytes + kIndexEntryStart;
    std::string prefix;
    size_t start = 0;
    page.entries.reserve(ends.size());
    for (size_t i = 0; i < ends.size(); ++i) {
        std::string full = i == 0 ? std::string() : prefix;
        full.append(reinterpret_cast<const char*>(area + start), ends[i] - start);
        if (i == 0) {
            if (prefixLength > full.size()) return Damaged(pageNo, "prefix longer than the first entry");
            prefix = full.substr(0, prefixLength);
        }
        if (full.size() < minimum) return Damaged(pageNo, "entry " + std::to_string(i) + " is too short");
        size_t keySize = full.size() - minimum;
        const uint8_t* tail = reinterpret_cast<const uint8_t*>(full.data()) + keySize;
        IndexEntry entry;
        entry.row = {PageNo{Be(tail, 3)}, tail[3]};
        if (!page.leaf) entry.child = PageNo{Be(tail + kRowPointerSize, 4)};
        full.resize(keySize);
        entry.key = std::move(full);
        page.entries.push_back(std::move(entry));
        start = ends[i];
    }
    return Status::Ok();
}

}  // namespace

std::string PageName(PageNo pageNo) { return "index page " + std::to_string(ToIndex(pageNo)); }

int CompareEntries(std::string_view keyA, RowPointer rowA, std::string_view keyB, RowPointer rowB) {
    // std::char_traits<char>::compare orders bytes as unsigned char, as memcmp does.
    int byKey = keyA.compare(keyB);
    if (byKey != 0) return byKey < 0 ? -1 : 1;
    if (rowA.page != rowB.page) return ToIndex(rowA.page) < ToIndex(rowB.page) ? -1 : 1;
    if (rowA.row != rowB.row) return rowA.row < rowB.row ? -1 : 1;
    return 0;
}

size_t StoredEntrySize(const IndexEntry& entry, bool leaf) {
    return entry.key.size() + kRowPointerSize + (leaf ? 0 : kChildSize);
}

size_t StoredEntryBytes(const IndexPage& page) {
    size_t total = 0;
    for (const IndexEntry& entry : page.entries) total += StoredEntrySize(entry, page.leaf);
    return total;
}

Result<IndexPage> DecodeIndexPage(const uint8_t* bytes, PageNo pageNo) {
    uint8_t type = bytes[0];
    if (type != Jet4Layout::kPageIndexLeaf && type != Jet4Layout::kPageIndexNode) {
        return Damaged(pageNo, "page type " + std::to_string(type) + " is not an index page");
    }
    if (bytes[1] != 0x01) return Damaged(pageNo, "second header byte is not 1");
    IndexPage page;
    page.leaf = type == Jet4Layout::kPageIndexLeaf;
    page.tableDef = PageNo{Le32(bytes + kTableDef)};
    page.prev = PageNo{Le32(bytes + kPrev)};
    page.next = PageNo{Le32(bytes + kNext)};
    page.tail = PageNo{Le32(bytes + kTail)};
    auto ends = EntryEnds(bytes, pageNo);
    KESTRIN_TRY(ends);
    size_t used = ends->empty() ? 0 : ends->back();
    size_t freeSpace = Le16(bytes + kFreeSpace);
    if (freeSpace != kIndexEntryArea - used) {
        return Damaged(pageNo, "free space " + std::to_string(freeSpace) + " does not match " + std::to_string(used) +
                                   " entry bytes");
    }
    KESTRIN_TRY(DecodeEntries(bytes, pageNo, *ends, page));
    return page;
}

void EncodeIndexPage(const IndexPage& page, uint8_t* bytes) {
    std::memset(bytes, 0, kPageSize);
    bytes[0] = page.leaf ? Jet4Layout::kPageIndexLeaf : Jet4Layout::kPageIndexNode;
    bytes[1] = 0x01;
    PutLe32(bytes + kTableDef, ToIndex(page.tableDef));
    PutLe32(bytes + kPrev, ToIndex(page.prev));
    PutLe32(bytes + kNext, ToIndex(page.next));
    PutLe32(bytes + kTail, page.leaf ? 0 : ToIndex(page.tail));
    size_t position = 0;
    uint8_t* area = bytes + kIndexEntryStart;
    for (const IndexEntry& entry : page.entries) {
        assert(position + StoredEntrySize(entry, page.leaf) <= kIndexEntryArea);
        std::memcpy(area + position, entry.key.data(), entry.key.size());
        position += entry.key.size();
        PutBe(area + position, ToIndex(entry.row.page), 3);
        area[position + 3] = entry.row.row;
        position += kRowPointerSize;
        if (!page.leaf) {
            PutBe(area + position, ToIndex(entry.child), 4);
            position += kChildSize;
        }
        bytes[kBitmap + position / 8] |= uint8_t(1 << (position % 8));
    }
    PutLe16(bytes + kFreeSpace, uint16_t(kIndexEntryArea - position));
}

Result<IndexPage> ReadIndexPage(Pager& pager, PageNo pageNo) {
    auto bytes = pager.Read(pageNo);
    KESTRIN_TRY(bytes);
    return DecodeIndexPage(*bytes, pageNo);
}

Status WriteIndexPage(Pager& pager, PageNo pageNo, const IndexPage& page) {
    if (!Fits(page)) return Status(ErrorCode::TooLarge, PageName(pageNo) + ": entries do not fit");
    auto bytes = pager.Write(pageNo);
    KESTRIN_TRY(bytes);
    EncodeIndexPage(page, *bytes);
    return Status::Ok();
}

Status RelinkPeer(Pager& pager, PageNo pageNo, PeerLink link, PageNo expected, PageNo replacement) {
    auto current = pager.Read(pageNo);
    KESTRIN_TRY(current);
    const uint8_t* bytes = *current;
    if ((bytes[0] != Jet4Layout::kPageIndexLeaf && bytes[0] != Jet4Layout::kPageIndexNode) || bytes[1] != 0x01) {
        return Damaged(pageNo, "a peer link leads to a page that is not an index page");
    }
    size_t offset = link == PeerLink::Prev ? kPrev : kNext;
    if (Le32(bytes + offset) != ToIndex(expected)) {
        return Damaged(pageNo, std::string(link == PeerLink::Prev ? "previous" : "next") + " link is " +
                                   std::to_string(Le32(bytes + offset)) + ", expected " +
                                   std::to_string(ToIndex(expected)));
    }
    auto writable = pager.Write(pageNo);
    KESTRIN_TRY(writable);
    PutLe32(*writable + offset, ToIndex(replacement));
    return Status::Ok();
}

}  // namespace jet
