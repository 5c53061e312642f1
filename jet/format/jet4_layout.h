#pragma once
// Jet4Layout: every fixed byte offset of the Jet 4.0 page formats in one place, plus the
// little-endian readers and writers the codecs share. Nothing here touches a file.
//
// OFFSET  SIZE  DESCRIPTION
// Page 0 (database header)
//   0x00     4  page type 0x00, then 01 00 00
//   0x04    16  "Standard Jet DB\0"
//   0x14     1  version: 0 Jet 3, 1 Jet 4, 2+ ACE
//   0x18   128  masked with the RC4 key stream of key C7 DA 39 6B (0x18..0x97)
//   0x3C     2  code page                  0x3E 4  page-encryption key (0 = plain pages)
//   0x42    40  password, UTF-16LE, also masked with the creation day number
//   0x6A     4  engine build               0x6E 2  collating order LCID, 0x71 1 its version
//   0x72     8  creation date (Jet date double)
//   0x98     4  54 06 00 00                0x9C 4  "4.0\0"
//   0xE00  512  256 words: 0x0101, then 0x0100 x 255
// Data page (type 0x01; also LVAL pages and usage-map holders)
//   0 type, 1 = 0x01, 2 free space (u16), 4 owning TDEF page (or "LVAL", 0 holder, 1 page 1),
//   8 zero, 12 slot count (u16), 14 slot words (u16 each: 0x1FFF offset, 0x4000 overflow, 0x8000 deleted)
// TDEF (type 0x02; offsets into the concatenated definition)
//   2 free space, 4 next page, 8 length, 0x0C 0x659, 0x10 rows, 0x14 AutoNumber, 0x18 = 1,
//   0x28 table type, 0x29 max columns, 0x2B variable columns, 0x2D columns, 0x2F logical indexes,
//   0x33 real indexes, 0x37 owned map, 0x3B free-space map, 0x3F real-index count blocks (12 each)
// Usage-map page (type 0x05): 05 01 00 00, then a 4092-byte bitmap.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace jet {

struct Jet4Layout {
    // Header.
    static constexpr size_t kHeaderMagic = 0x04;
    static constexpr size_t kHeaderVersion = 0x14;
    static constexpr size_t kHeaderMaskedStart = 0x18;
    static constexpr size_t kHeaderMaskedSize = 128;
    static constexpr size_t kHeaderCodePage = 0x3C;
    static constexpr size_t kHeaderDbKey = 0x3E;
    static constexpr size_t kHeaderPassword = 0x42;
    static constexpr size_t kHeaderPasswordSize = 40;
    static constexpr size_t kHeaderBuild = 0x6A;
    static constexpr size_t kHeaderSortOrder = 0x6E;
    static constexpr size_t kHeaderSortVersion = 0x71;
    static constexpr size_t kHeaderCreated = 0x72;
    static constexpr size_t kHeaderConst98 = 0x98;
    static constexpr size_t kHeaderVersionText = 0x9C;
    static constexpr size_t kHeaderTailWords = 0xE00;

    // Data pages.
    static constexpr size_t kDataFreeSpace = 2;
    static constexpr size_t kDataOwner = 4;
    static constexpr size_t kDataSlotCount = 12;
    static constexpr size_t kDataSlots = 14;
    static constexpr uint16_t kSlotOffsetMask = 0x1FFF;
    static constexpr uint16_t kSlotOverflow = 0x4000;
    static constexpr uint16_t kSlotDeleted = 0x8000;
    static constexpr size_t kMaxSlots = 255;

    // TDEF.
    static constexpr size_t kTdefFreeSpace = 2;
    static constexpr size_t kTdefNextPage = 4;
    static constexpr size_t kTdefHeaderSize = 8;
    static constexpr size_t kTdefLength = 0x08;
    static constexpr size_t kTdefConst = 0x0C;
    static constexpr size_t kTdefRowCount = 0x10;
    static constexpr size_t kTdefAutoNumber = 0x14;
    static constexpr size_t kTdefAutoFlag = 0x18;
    static constexpr size_t kTdefTableType = 0x28;
    static constexpr size_t kTdefMaxColumns = 0x29;
    static constexpr size_t kTdefVarColumns = 0x2B;
    static constexpr size_t kTdefColumns = 0x2D;
    static constexpr size_t kTdefLogicalIndexes = 0x2F;
    static constexpr size_t kTdefRealIndexes = 0x33;
    static constexpr size_t kTdefOwnedMap = 0x37;
    static constexpr size_t kTdefFreeMap = 0x3B;
    static constexpr size_t kTdefFixedSize = 0x3F;
    static constexpr size_t kTdefCountBlockSize = 12;
    static constexpr size_t kTdefColumnSize = 25;
    static constexpr size_t kTdefRealIndexSize = 52;
    static constexpr size_t kTdefLogicalIndexSize = 28;
    static constexpr uint32_t kTdefMagic = 0x659;
    static constexpr uint32_t kRealIndexMagic = 0x783;

    // Usage maps.
    static constexpr size_t kMapRowSize = 69;
    static constexpr size_t kInlineMapPages = 512;
    static constexpr size_t kMapPageBits = (4096 - 4) * 8;  // 32736 pages per 0x05 page

    // Page types.
    static constexpr uint8_t kPageHeader = 0x00;
    static constexpr uint8_t kPageData = 0x01;
    static constexpr uint8_t kPageTdef = 0x02;
    static constexpr uint8_t kPageIndexNode = 0x03;
    static constexpr uint8_t kPageIndexLeaf = 0x04;
    static constexpr uint8_t kPageUsageMap = 0x05;
};

inline uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline double LeDouble(const uint8_t* p) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}
inline void PutLeDouble(uint8_t* p, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(bits >> (8 * i));
}

}  // namespace jet
