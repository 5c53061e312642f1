// The codec of one index page. Decoding trusts nothing on the page: every length comes from the
// bitmap and is checked against the entry area before a byte of the entry is touched.

#include "jet/index/index_page.h"

#include <algorithm>
#include <bit>
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

void PutBe(uint8_t* p, uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) p[i] = uint8_t(value >> (8 * (bytes - 1 - i)));
}

// The bitmap's bits 64w..64w+63 (the last word is partial). Bit p of the bitmap lives in byte p/8.
uint64_t BitmapWord(const uint8_t* bitmap, size_t w) {
    size_t bytes = std::min<size_t>(8, kBitmapBytes - 8 * w);
    uint64_t word = 0;
    std::memcpy(&word, bitmap + 8 * w, bytes);
    if (word == 0) return 0;  // most words: no entry ends in them
    word = 0;
    for (size_t k = 0; k < bytes; ++k) word |= uint64_t(bitmap[8 * w + k]) << (8 * k);
    return word;
}

// End positions of the entries, in order, from the bitmap. Every look-up parses each page on its
// way down, so this works a word at a time, counts first and allocates once.
// Entry i spans (end[i-1], end[i]] plus, after the first, the P prefix bytes; each must hold at
// least its `trailer` (row pointer, and child on a node).
Result<std::vector<uint16_t>> EntryEnds(const uint8_t* bytes, PageNo pageNo, size_t prefixLength, size_t trailer) {
    constexpr size_t kWords = (kBitmapBytes + 7) / 8;
    uint64_t words[kWords];
    size_t count = 0;
    for (size_t w = 0; w < kWords; ++w) {
        words[w] = BitmapWord(bytes + kBitmap, w);
        for (uint64_t bits = words[w]; bits != 0; bits &= bits - 1) ++count;
    }
    std::vector<uint16_t> ends(count);
    uint16_t* out = ends.data();
    size_t previous = 0;
    for (size_t w = 0; w < kWords; ++w) {
        for (uint64_t bits = words[w]; bits != 0; bits &= bits - 1) {
            size_t position = 64 * w + size_t(std::countr_zero(bits));
            if (position == 0 || position > kIndexEntryArea) {
                return Damaged(pageNo, "entry bitmap marks position " + std::to_string(position));
            }
            size_t size = out == ends.data() ? position : prefixLength + position - previous;
            if (size < trailer) {
                return Damaged(pageNo, "entry " + std::to_string(out - ends.data()) + " is too short");
            }
            *out++ = uint16_t(position);
            previous = position;
        }
    }
    return ends;
}

// Compares the concatenation head + rest with `key`, as unsigned bytes.
int ComparePieces(std::string_view head, std::string_view rest, std::string_view key) {
    size_t common = std::min(head.size(), key.size());
    int byHead = head.substr(0, common).compare(key.substr(0, common));
    if (byHead != 0) return byHead;
    if (head.size() > key.size()) return 1;
    return rest.compare(key.substr(head.size()));
}

size_t TrailerSize(bool leaf) {
    return kRowPointerSize + (leaf ? 0 : kChildSize);
}

// Rewrites the bitmap and free space for entries ending at `ends`.
void WriteEnds(uint8_t* bytes, const std::vector<uint16_t>& ends) {
    std::memset(bytes + kBitmap, 0, kBitmapBytes);
    const uint16_t* end = ends.data();
    for (size_t i = 0; i < ends.size(); ++i) bytes[kBitmap + end[i] / 8] |= uint8_t(1 << (end[i] % 8));
    PutLe16(bytes + kFreeSpace, uint16_t(kIndexEntryArea - (ends.empty() ? 0 : ends.back())));
}

void PutEntry(uint8_t* at, const IndexEntry& entry, bool leaf) {
    std::memcpy(at, entry.key.data(), entry.key.size());
    at += entry.key.size();
    PutBe(at, ToIndex(entry.row.page), 3);
    at[3] = entry.row.row;
    if (!leaf) PutBe(at + kRowPointerSize, ToIndex(entry.child), 4);
}

}  // namespace

std::string PageName(PageNo pageNo) {
    return "index page " + std::to_string(ToIndex(pageNo));
}

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

Result<IndexPageView> IndexPageView::Parse(const uint8_t* bytes, PageNo pageNo) {
    uint8_t type = bytes[0];
    if (type != Jet4Layout::kPageIndexLeaf && type != Jet4Layout::kPageIndexNode) {
        return Damaged(pageNo, "page type " + std::to_string(type) + " is not an index page");
    }
    if (bytes[1] != 0x01) return Damaged(pageNo, "second header byte is not 1");
    IndexPageView view;
    view.bytes_ = bytes;
    view.leaf_ = type == Jet4Layout::kPageIndexLeaf;
    view.prefixLength_ = Le16(bytes + kPrefixLength);
    auto ends = EntryEnds(bytes, pageNo, view.prefixLength_, TrailerSize(view.leaf_));
    KESTRIN_TRY(ends);
    view.ends_ = std::move(ends).value();
    size_t used = view.ends_.empty() ? 0 : view.ends_.back();
    size_t freeSpace = Le16(bytes + kFreeSpace);
    if (freeSpace != kIndexEntryArea - used) {
        return Damaged(pageNo, "free space " + std::to_string(freeSpace) + " does not match " + std::to_string(used) +
                                   " entry bytes");
    }
    if (!view.ends_.empty() && view.prefixLength_ > view.ends_[0]) {
        return Damaged(pageNo, "prefix longer than the first entry");
    }
    return view;
}

PageNo IndexPageView::TableDef() const {
    return PageNo{Le32(bytes_ + kTableDef)};
}
PageNo IndexPageView::Prev() const {
    return PageNo{Le32(bytes_ + kPrev)};
}
PageNo IndexPageView::Next() const {
    return PageNo{Le32(bytes_ + kNext)};
}
PageNo IndexPageView::Tail() const {
    return PageNo{Le32(bytes_ + kTail)};
}

size_t IndexPageView::FullSize(size_t i) const {
    if (i == 0) return ends_[0];
    return prefixLength_ + ends_[i] - ends_[i - 1];
}

uint8_t IndexPageView::FullByte(size_t i, size_t offset) const {
    const uint8_t* area = bytes_ + kIndexEntryStart;
    if (i == 0) return area[offset];
    if (offset < prefixLength_) return area[offset];
    return area[ends_[i - 1] + offset - prefixLength_];
}

std::string_view IndexPageView::Key(size_t i, std::string& scratch) const {
    const char* area = reinterpret_cast<const char*>(bytes_ + kIndexEntryStart);
    size_t keySize = FullSize(i) - TrailerSize(leaf_);
    if (i == 0) return std::string_view(area, keySize);
    if (prefixLength_ == 0) return std::string_view(area + ends_[i - 1], keySize);
    scratch.assign(area, std::min(prefixLength_, keySize));
    if (keySize > prefixLength_) scratch.append(area + ends_[i - 1], keySize - prefixLength_);
    return scratch;
}

RowPointer IndexPageView::Row(size_t i) const {
    size_t at = FullSize(i) - TrailerSize(leaf_);
    uint32_t page = uint32_t(FullByte(i, at)) << 16 | uint32_t(FullByte(i, at + 1)) << 8 | FullByte(i, at + 2);
    return {PageNo{page}, FullByte(i, at + 3)};
}

PageNo IndexPageView::Child(size_t i) const {
    size_t at = FullSize(i) - kChildSize;
    uint32_t child = 0;
    for (size_t k = 0; k < kChildSize; ++k) child = child << 8 | FullByte(i, at + k);
    return PageNo{child};
}

IndexEntry IndexPageView::Entry(size_t i) const {
    std::string scratch;
    return {std::string(Key(i, scratch)), Row(i), leaf_ ? kNoPage : Child(i)};
}

int IndexPageView::Compare(size_t i, std::string_view key, RowPointer row) const {
    const char* area = reinterpret_cast<const char*>(bytes_ + kIndexEntryStart);
    size_t keySize = FullSize(i) - TrailerSize(leaf_);
    int byKey;
    if (i == 0 || prefixLength_ == 0) {
        byKey = std::string_view(area + (i == 0 ? 0 : ends_[i - 1]), keySize).compare(key);
    } else {
        size_t fromPrefix = std::min(prefixLength_, keySize);
        byKey = ComparePieces(std::string_view(area, fromPrefix),
                              std::string_view(area + ends_[i - 1], keySize - fromPrefix), key);
    }
    if (byKey != 0) return byKey < 0 ? -1 : 1;
    return CompareEntries(std::string_view(), Row(i), std::string_view(), row);
}

size_t IndexPageView::LowerBound(std::string_view key, RowPointer row) const {
    size_t low = 0;
    size_t high = ends_.size();
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (Compare(middle, key, row) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

IndexPage IndexPageView::Decode() const {
    IndexPage page;
    page.leaf = leaf_;
    page.tableDef = TableDef();
    page.prev = Prev();
    page.next = Next();
    page.tail = Tail();
    page.entries.reserve(Size());
    for (size_t i = 0; i < Size(); ++i) page.entries.push_back(Entry(i));
    return page;
}

Result<IndexPage> DecodeIndexPage(const uint8_t* bytes, PageNo pageNo) {
    auto view = IndexPageView::Parse(bytes, pageNo);
    KESTRIN_TRY(view);
    return view->Decode();
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
        PutEntry(area + position, entry, page.leaf);
        position += StoredEntrySize(entry, page.leaf);
        bytes[kBitmap + position / 8] |= uint8_t(1 << (position % 8));
    }
    PutLe16(bytes + kFreeSpace, uint16_t(kIndexEntryArea - position));
}

bool InsertEntryInPlace(uint8_t* bytes, const IndexPageView& view, size_t position, const IndexEntry& entry) {
    if (view.PrefixLength() != 0) return false;
    std::vector<uint16_t> ends = view.Ends();
    size_t size = StoredEntrySize(entry, view.Leaf());
    size_t used = ends.empty() ? 0 : ends.back();
    if (used + size > kIndexEntryArea) return false;
    size_t start = position == 0 ? 0 : ends[position - 1];
    uint8_t* area = bytes + kIndexEntryStart;
    std::memmove(area + start + size, area + start, used - start);
    PutEntry(area + start, entry, view.Leaf());
    for (size_t i = position; i < ends.size(); ++i) ends[i] = uint16_t(ends[i] + size);
    ends.insert(ends.begin() + ptrdiff_t(position), uint16_t(start + size));
    WriteEnds(bytes, ends);
    return true;
}

bool RemoveEntryInPlace(uint8_t* bytes, const IndexPageView& view, size_t position) {
    if (view.PrefixLength() != 0 || view.Size() < 2) return false;
    std::vector<uint16_t> ends = view.Ends();
    size_t start = position == 0 ? 0 : ends[position - 1];
    size_t size = ends[position] - start;
    uint8_t* area = bytes + kIndexEntryStart;
    std::memmove(area + start, area + ends[position], ends.back() - ends[position]);
    std::memset(area + ends.back() - size, 0, size);
    ends.erase(ends.begin() + ptrdiff_t(position));
    for (size_t i = position; i < ends.size(); ++i) ends[i] = uint16_t(ends[i] - size);
    WriteEnds(bytes, ends);
    return true;
}

Result<IndexPage> ReadIndexPage(Pager& pager, PageNo pageNo) {
    auto bytes = pager.Read(pageNo);
    KESTRIN_TRY(bytes);
    return DecodeIndexPage(*bytes, pageNo);
}

Result<IndexPageView> ReadIndexPageView(Pager& pager, PageNo pageNo) {
    auto bytes = pager.Read(pageNo);
    KESTRIN_TRY(bytes);
    return IndexPageView::Parse(*bytes, pageNo);
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
