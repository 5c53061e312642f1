#include "jet/format/db_header.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "jet/format/jet4_layout.h"
#include "tests/native/format/hex.h"

namespace jet {
namespace {

using testing::Hex;

TEST(DbHeader, KeyStreamMatchesTheTabulatedRc4Output) {
    auto first = Hex("B5 6F 03 62 61 08 C2 55 EB A9 67 72 43 3F 00 9C");
    auto last = Hex("CF 65 ED FF 07 C7 46 A1 78 16 0C ED E9 2D 62 D4");
    EXPECT_EQ(0, std::memcmp(HeaderKeyStream(), first.data(), 16));
    EXPECT_EQ(0, std::memcmp(HeaderKeyStream() + 112, last.data(), 16));
}

TEST(DbHeader, NewHeaderStoresThePasswordWithBothMasksAsTheWorkedExample) {
    std::vector<uint8_t> page(kPageSize, 0xAA);
    ASSERT_TRUE(WriteNewDbHeader(page.data(), "Tq4wnBkdy.rHsLmZXJoE").ok());
    auto expected =
        Hex("8B 5E 9D 37 30 E1 EB FA F1 FB 6A E6 21 13 EE 60 74 31 55 36"
            "DE D7 97 B1 5D 51 5F 43 FB 0A EB 33 35 C4 33 5B A4 10 39 2A");
    EXPECT_EQ(std::vector<uint8_t>(page.begin() + 0x42, page.begin() + 0x6A), expected);
    EXPECT_EQ(page[0x18], 0xB5);  // plain 0 under the key stream
    EXPECT_EQ(page[0x14], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&page[0x9C])), "4.0");
    EXPECT_EQ(page[0xE00], 0x01);
    EXPECT_EQ(page[0xE01], 0x01);
    EXPECT_EQ(page[0xFFE], 0x00);
    EXPECT_EQ(page[0xFFF], 0x01);
    EXPECT_EQ(page[0x500], 0x00);  // everything not named is zero, not left over

    auto header = ParseDbHeader(page.data(), page.size());
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(header->codePage, 1252);
    EXPECT_EQ(header->sortOrder, 1033);
    EXPECT_EQ(header->dbKey, 0u);
    EXPECT_DOUBLE_EQ(header->created, 42329.94480300926);
    EXPECT_EQ(header->password, u"Tq4wnBkdy.rHsLmZXJoE");
}

TEST(DbHeader, PasswordIsComparedExactly) {
    std::vector<uint8_t> page(kPageSize);
    ASSERT_TRUE(WriteNewDbHeader(page.data(), "Secret").ok());
    auto header = ParseDbHeader(page.data(), page.size());
    ASSERT_TRUE(header.ok());
    struct Case {
        const char* password;
        ErrorCode code;
    } cases[] = {{"Secret", ErrorCode::Ok},
                 {"secret", ErrorCode::BadPassword},
                 {"", ErrorCode::BadPassword},
                 {"Secret ", ErrorCode::BadPassword}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        EXPECT_EQ(CheckPassword(*header, c.password).code(), c.code);
    }
    ASSERT_TRUE(SetDbPassword(page.data(), "").ok());
    auto open = ParseDbHeader(page.data(), page.size());
    ASSERT_TRUE(open.ok());
    EXPECT_TRUE(open->password.empty());
    EXPECT_TRUE(CheckPassword(*open, "anything").ok());
    EXPECT_EQ(SetDbPassword(page.data(), "123456789012345678901").code(), ErrorCode::InvalidArgument);
}

TEST(DbHeader, ForeignFormatsAreNotJet4) {
    std::vector<uint8_t> good(kPageSize);
    ASSERT_TRUE(WriteNewDbHeader(good.data(), "").ok());
    struct Case {
        const char* name;
        size_t offset;
        uint8_t value;
    } cases[] = {{"Jet 3", 0x14, 0x00},
                 {"ACE 2007", 0x14, 0x02},
                 {"ACE 2010", 0x14, 0x03},
                 {"not a header page", 0x00, 0x01},
                 {"other magic", 0x04, 'X'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto page = good;
        page[c.offset] = c.value;
        EXPECT_EQ(ParseDbHeader(page.data(), page.size()).code(), ErrorCode::NotJet4);
    }
    EXPECT_EQ(ParseDbHeader(good.data(), 100).code(), ErrorCode::NotJet4);
}

TEST(DbHeader, PageDecryptionIsRc4KeyedWithKeyXorPageNumber) {
    std::vector<uint8_t> page(kPageSize, 0);
    PageDecryptTransform(0x12345678)(PageNo(3), page.data());
    std::vector<uint8_t> expected(kPageSize, 0);
    uint8_t key[4];
    PutLe32(key, 0x12345678 ^ 3);
    Rc4(key, 4, expected.data(), expected.size());
    EXPECT_EQ(page, expected);
    PageDecryptTransform(0x12345678)(PageNo(3), page.data());
    EXPECT_EQ(page, std::vector<uint8_t>(kPageSize, 0));
}

}  // namespace
}  // namespace jet
