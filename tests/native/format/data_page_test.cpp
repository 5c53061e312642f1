#include "jet/format/data_page.h"

#include <vector>

#include <gtest/gtest.h>

#include "jet/format/jet4_layout.h"

namespace jet {
namespace {

std::vector<uint8_t> Row(size_t length, uint8_t fill) {
    return std::vector<uint8_t>(length, fill);
}

TEST(DataPage, FreeSpaceFollowsAddsAndSqueezedDeletes) {
    std::vector<uint8_t> page(kPageSize);
    InitDataPage(page.data(), 16);
    EXPECT_EQ(DataFreeSpace(page.data()), 4082);
    for (uint8_t i = 0; i < 4; ++i) ASSERT_EQ(*AddRow(page.data(), Row(100 + i, uint8_t(0xA0 + i)), 0), i);
    EXPECT_EQ(DataFreeSpace(page.data()), 4082 - 4 * 2 - (100 + 101 + 102 + 103));
    ASSERT_TRUE(DeleteRow(page.data(), 1).ok());
    EXPECT_EQ(*ComputeFreeSpace(page.data()), DataFreeSpace(page.data()));
    EXPECT_EQ(DataFreeSpace(page.data()), 4082 - 8 - (100 + 102 + 103));
    auto deleted = ReadSlot(page.data(), 1);
    EXPECT_TRUE(deleted->deleted);
    EXPECT_EQ(deleted->length, 0);
    // Later rows keep their slot numbers and bytes.
    auto third = ReadSlot(page.data(), 3);
    ASSERT_TRUE(third.ok());
    EXPECT_EQ(third->length, 103);
    EXPECT_EQ(page[third->offset], 0xA3);
    EXPECT_EQ(page[third->offset + 102], 0xA3);
}

TEST(DataPage, OverflowHeaderPointsAtItsTarget) {
    std::vector<uint8_t> page(kPageSize);
    InitDataPage(page.data(), 16);
    ASSERT_TRUE(AddRow(page.data(), Row(20, 1), 0).ok());
    ASSERT_TRUE(PointRowTo(page.data(), 0, RowRef{PageNo(28), 0}).ok());
    auto slot = ReadSlot(page.data(), 0);
    EXPECT_TRUE(slot->overflow);
    EXPECT_FALSE(slot->deleted);
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + slot->offset, page.begin() + slot->offset + 8),
              (std::vector<uint8_t>{0x00, 0x1C, 0x00, 0x00, 0, 0, 0, 0}));
}

TEST(DataPage, RowsStopAtTheByteAndSlotLimits) {
    std::vector<uint8_t> page(kPageSize);
    InitDataPage(page.data(), 16);
    EXPECT_FALSE(RowFits(page.data(), 4081));
    EXPECT_TRUE(RowFits(page.data(), 4080));
    for (int i = 0; i < 255; ++i) ASSERT_TRUE(AddRow(page.data(), Row(1, 0), 0).ok());
    EXPECT_EQ(AddRow(page.data(), Row(1, 0), 0).code(), ErrorCode::TooLarge);
}

TEST(DataPage, MalformedSlotTablesAreCorrupt) {
    std::vector<uint8_t> good(kPageSize);
    InitDataPage(good.data(), 16);
    ASSERT_TRUE(AddRow(good.data(), Row(10, 0), 0).ok());
    ASSERT_TRUE(AddRow(good.data(), Row(10, 0), 0).ok());
    struct Case {
        const char* name;
        size_t offset;
        uint16_t value;
    } cases[] = {
        {"slot count past the page", 12, 3000},
        {"slot into the slot table", 14, 4},
        {"slots out of order", 16, 4095},
        {"wrong page type", 0, 0x0102},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = good;
        PutLe16(page.data() + c.offset, c.value);
        EXPECT_EQ(ReadSlot(page.data(), 0).code(), ErrorCode::Corrupt);
    }
    EXPECT_FALSE(ReadSlot(good.data(), 2).ok());
}

}  // namespace
}  // namespace jet
