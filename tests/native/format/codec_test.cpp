#include <cstring>
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "common/text.h"
#include "jet/format/jet4_layout.h"
#include "tests/native/format/hex.h"
#include "jet/format/jet_date.h"
#include "jet/format/row_codec.h"
#include "jet/format/table_def.h"
#include "jet/format/text_codec.h"

namespace jet {
namespace {

using testing::Hex;

ColumnDef Column(const char* name, ColumnType type, uint16_t number, uint16_t slot, uint8_t flags, uint16_t fixedOffset,
                 uint16_t length, uint8_t ext = 0) {
    ColumnDef c;
    c.name = name;
    c.type = type;
    c.number = number;
    c.varSlot = slot;
    c.ordinal = number;
    c.flags = flags;
    c.extFlags = ext;
    c.fixedOffset = fixedOffset;
    c.length = length;
    return c;
}

// zk_auto_qqlist as the notes lay it out (column descriptors of the worked example).
TableDef QqListDef() {
    TableDef def;
    def.maxColumns = 7;
    def.varColumns = 4;
    def.columns = {Column("ID", ColumnType::Long, 0, 0, 0x07, 0, 4),
                   Column("A_Name", ColumnType::Text, 1, 0, 0x02, 0, 200, 1),
                   Column("A_QQ", ColumnType::Text, 2, 1, 0x02, 0, 100, 1),
                   Column("A_activ", ColumnType::Integer, 3, 2, 0x03, 4, 2),
                   Column("A_stat", ColumnType::Integer, 4, 2, 0x03, 6, 2),
                   Column("A_last", ColumnType::Text, 5, 2, 0x02, 0, 200, 1),
                   Column("A_pass", ColumnType::Text, 6, 3, 0x02, 0, 510, 1)};
    def.realIndexes.resize(2);
    def.realIndexes[0].columns = {{0, true}};
    def.realIndexes[0].flags = 0x89;
    def.realIndexes[1].columns = {{2, true}};
    def.realIndexes[1].flags = 0x81;
    LogicalIndexDef pk;
    pk.name = "PrimaryKey";
    pk.kind = 1;
    LogicalIndexDef qq;
    qq.name = "A_QQ";
    qq.number = 1;
    qq.realIndex = 1;
    def.logicalIndexes = {pk, qq};
    return def;
}

TableDef SysDef() {
    TableDef def;
    def.maxColumns = 3;
    def.varColumns = 2;
    def.columns = {Column("S_QQpath", ColumnType::Text, 0, 0, 0x02, 0, 510, 1),
                   Column("S_pass", ColumnType::Text, 1, 1, 0x02, 0, 100, 1),
                   Column("S_AQ", ColumnType::Integer, 2, 2, 0x03, 0, 2)};
    return def;
}

const LongValueReader kNoLongValues = [](RowRef) -> Result<std::vector<uint8_t>> {
    return Status(ErrorCode::Corrupt, "no long values here");
};

TEST(RowCodec, UserRowEncodesAsTheWorkedExample) {
    std::vector<Value> values{int64_t(1),
                              std::string("name10001"),
                              std::string("10001"),
                              int64_t(1),
                              int64_t(0),
                              std::string("2026-12-07 9:07:03"),
                              std::string("1B2M2Y8AsgTpgAmY7PhCfg")};
    auto row = EncodeRow(QqListDef(), values);
    ASSERT_TRUE(row.ok());
    ASSERT_EQ(row->size(), 85u);
    EXPECT_EQ(std::vector<uint8_t>(row->begin(), row->begin() + 21),
              Hex("07 00 01 00 00 00 01 00 00 00 FF FE 6E 61 6D 65 31 30 30 30 31"));
    EXPECT_EQ(std::vector<uint8_t>(row->end() - 13, row->end()), Hex("48 00 30 00 1C 00 15 00 0A 00 04 00 7F"));
    auto decoded = DecodeRow(QqListDef(), *row, kNoLongValues);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(*decoded, values);
}

TEST(RowCodec, AllNullRowIsThirteenBytes) {
    auto row = EncodeRow(SysDef(), {Value(), Value(), Value()});
    ASSERT_TRUE(row.ok());
    EXPECT_EQ(*row, Hex("03 00 00 00 04 00 04 00 04 00 02 00 00"));
    auto decoded = DecodeRow(SysDef(), *row, kNoLongValues);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(*decoded, (std::vector<Value>{Value(), Value(), Value()}));
}

TEST(RowCodec, CatalogRowWithUncompressedTextAndBinaryDecodes) {
    // MSysObjects' first 8 columns in number order with its fixed offsets; Name and Owner in slots 0, 1.
    TableDef def;
    def.maxColumns = 17;
    def.varColumns = 11;
    def.columns = {Column("Id", ColumnType::Long, 0, 0, 0x13, 0, 4),
                   Column("ParentId", ColumnType::Long, 1, 0, 0x13, 4, 4),
                   Column("Name", ColumnType::Text, 2, 0, 0x12, 0, 510),
                   Column("Type", ColumnType::Integer, 3, 1, 0x13, 8, 2),
                   Column("DateCreate", ColumnType::DateTime, 4, 1, 0x13, 10, 8),
                   Column("Owner", ColumnType::Binary, 6, 1, 0x32, 0, 510),
                   Column("Flags", ColumnType::Long, 7, 2, 0x13, 26, 4),
                   Column("Lv", ColumnType::Ole, 13, 7, 0x12, 0, 0)};
    auto row =
        Hex("11 00 01 00 00 0F 00 00 00 0F 03 00 4E FB D3 3B 3E AB E4 40 4E FB D3 3B 3E AB E4 40 00 00 00 80"
            "54 00 61 00 62 00 6C 00 65 00 73 00 65 89 2E 00 2E 00 2E 00 2E 00 2E 00 2E 00 2E 00 2E 00 2E 00"
            "2E 00 2C 00 20 00 0B 00 FF 00 00");
    ASSERT_EQ(row.size(), 75u);
    auto values = DecodeRow(def, row, kNoLongValues);
    ASSERT_TRUE(values.ok()) << values.status().ToString();
    EXPECT_EQ((*values)[0], Value(int64_t(0x0F000001)));
    EXPECT_EQ((*values)[2], Value(std::string("Tables")));
    EXPECT_EQ((*values)[3], Value(int64_t(3)));
    EXPECT_EQ((*values)[5], Value(jet::Bytes{0x65, 0x89}));
    EXPECT_EQ((*values)[6], Value(int64_t(int32_t(0x80000000))));
    EXPECT_EQ((*values)[7], Value());
}

TEST(RowCodec, RowsOlderThanTheColumnSetReadTheNewColumnsAsNull) {
    // Written when the table had only S_QQpath: one column, one variable slot.
    auto row = Hex("01 00 FF FE 61 62 63 07 00 02 00 01 00 01");
    auto values = DecodeRow(SysDef(), row, kNoLongValues);
    ASSERT_TRUE(values.ok()) << values.status().ToString();
    EXPECT_EQ(*values, (std::vector<Value>{Value(std::string("abc")), Value(), Value()}));
}

TEST(RowCodec, PaddedRowDecodesToTheSameValues) {
    std::vector<Value> values{Value(std::string("ab")), Value(std::string("xyz")), Value(int64_t(-5))};
    auto row = EncodeRow(SysDef(), values);
    ASSERT_TRUE(row.ok());
    auto padded = PadRow(SysDef(), *row, row->size() + 9);
    ASSERT_TRUE(padded.ok());
    auto decoded = DecodeRow(SysDef(), *padded, kNoLongValues);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(*decoded, values);
}

TEST(RowCodec, LongValuesReadInlineSingleRowAndChains) {
    ColumnDef memo = Column("Notes", ColumnType::Memo, 0, 0, 0x02, 0, 0, 1);
    std::map<uint32_t, std::vector<uint8_t>> lval = {
        {0x00000501, Hex("FF FE 68 65 6C 6C 6F 20 77 6F 72 6C 64")},  // "hello world"
        {0x00000600, Hex("01 07 00 00 FF FE 61 62")},                 // chain piece 1 -> page 7 row 1
        {0x00000701, Hex("00 00 00 00 63 64")},
    };
    LongValueReader reader = [&](RowRef ref) -> Result<std::vector<uint8_t>> {
        auto it = lval.find(ToIndex(ref.page) << 8 | ref.row);
        if (it == lval.end()) return Status(ErrorCode::Corrupt, "no such row");
        return it->second;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> cell;
        const char* text;
    } cases[] = {
        {"inline", Hex("05 00 00 80 00 00 00 00 00 00 00 00 FF FE 61 62 63"), "abc"},
        {"one LVAL row", Hex("0D 00 00 40 01 05 00 00 00 00 00 00"), "hello world"},
        {"chain", Hex("06 00 00 00 00 06 00 00 00 00 00 00"), "abcd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto value = DecodeCell(memo, c.cell, reader);
        ASSERT_TRUE(value.ok()) << value.status().ToString();
        EXPECT_EQ(*value, Value(std::string(c.text)));
    }
    auto broken = DecodeCell(memo, Hex("40 00 00 00 00 06 00 00 00 00 00 00"), reader);
    EXPECT_EQ(broken.code(), ErrorCode::Corrupt);  // the chain ends before 64 bytes
    // Pieces that point at themselves, under a cell that claims 1 GiB: refused at the second visit,
    // not walked for the length they claim.
    lval[0x00000800] = Hex("00 08 00 00");
    lval[0x00000900] = Hex("00 09 00 00 41 42");
    for (const char* looping : {"FF FF FF 3F 00 08 00 00 00 00 00 00", "FF FF FF 3F 00 09 00 00 00 00 00 00"}) {
        SCOPED_TRACE(looping);
        EXPECT_EQ(DecodeCell(memo, Hex(looping), reader).code(), ErrorCode::Corrupt);
    }
    auto cell = EncodeCell(memo, Value(std::string("abc")));
    ASSERT_TRUE(cell.ok());
    EXPECT_EQ(*cell, cases[0].cell);
}

TEST(RowCodec, RandomBytesDecodeOrFailButNeverReadOutsideTheRow) {
    std::mt19937 random(7);
    TableDef def = QqListDef();
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> row(random() % 64);
        for (auto& b : row) b = uint8_t(random() % 4 == 0 ? random() % 16 : random());
        auto values = DecodeRow(def, row, kNoLongValues);
        if (!values.ok()) {
            EXPECT_TRUE(values.code() == ErrorCode::Corrupt) << values.status().ToString();
        }
    }
}

TEST(TextCodec, CompressesAsAccessAndReadsMixedSegments) {
    struct Case {
        const char* name;
        std::u16string text;
        bool compressible;
        std::vector<uint8_t> stored;
    } cases[] = {
        {"latin-1", u"ääkkösiä", true, Hex("FF FE E4 E4 6B 6B F6 73 69 E4")},
        {"cyrillic stays plain", u"Мир", true, Hex("1C 04 38 04 40 04")},
        {"one character stays plain", u"z", true, Hex("7A 00")},
        {"column without compression", u"abc", false, Hex("61 00 62 00 63 00")},
        {"a leading byte-order mark keeps its segment form", u"\uFEFFab", false, Hex("FF FE 00 FF FE 61 00 62 00")},
        {"empty", u"", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeJetText(c.text, c.compressible), c.stored);
        auto decoded = DecodeJetText(c.stored);
        ASSERT_TRUE(decoded.ok());
        EXPECT_EQ(*decoded, c.text);
    }
    auto mixed = DecodeJetText(Hex("FF FE 61 62 00 1C 04 38 04 00 63"));
    ASSERT_TRUE(mixed.ok());
    EXPECT_EQ(*mixed, u"abМиc");
    EXPECT_EQ(DecodeJetText(Hex("61 00 62")).code(), ErrorCode::Corrupt);
    EXPECT_EQ(DecodeJetText(Hex("FF FE 00 1C")).code(), ErrorCode::Corrupt);
}

// Straight to UTF-8 takes a short cut for ASCII: every stored form must still read exactly as the
// UTF-16 decoding converted to UTF-8 does, and refuse what it refuses.
TEST(TextCodec, Utf8DecodingAgreesWithTheUtf16PathForEveryStoredForm) {
    struct Case {
        const char* name;
        const char* hex;
    } cases[] = {
        {"compressed ASCII", "FF FE 31 30 30 30 31"},
        {"compressed ASCII of odd length, as memos of other engines", "FF FE 31 30 30"},
        {"compressed Latin-1", "FF FE 63 61 66 E9"},
        {"compressed, then two-byte characters", "FF FE 61 62 00 1C 04 38 04 00 63"},
        {"only the compression mark", "FF FE"},
        {"plain ASCII", "61 00 62 00"},
        {"plain Chinese", "0F 5C 0E 66"},
        {"a NUL character", "61 00 00 00 62 00"},
        {"surrogate pair", "3D D8 00 DE"},
        {"lone surrogate", "3D D8 61 00"},
        {"empty", ""},
        {"odd length", "61 00 62"},
        {"compressed, ends inside a character", "FF FE 00 1C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> stored = Hex(c.hex);
        auto utf16 = DecodeJetText(stored);
        auto utf8 = DecodeJetTextUtf8(stored);
        ASSERT_EQ(utf8.ok(), utf16.ok());
        if (utf16.ok()) {
            EXPECT_EQ(*utf8, Utf16ToUtf8(*utf16));
        }
    }
}

TEST(JetDate, ConvertsTheWorkedExamples) {
    struct Case {
        CivilTime time;
        std::vector<uint8_t> stored;
    } cases[] = {
        {{1899, 12, 30, 12, 0, 0}, Hex("00 00 00 00 00 00 E0 3F")},
        {{1899, 12, 29, 6, 0, 0}, Hex("00 00 00 00 00 00 F4 BF")},
        {{2026, 12, 7, 9, 7, 3}, Hex("82 4E 1B 28 6C A3 E6 40")},
    };
    for (const Case& c : cases) {
        DateTime date = ToJetDate(c.time);
        uint8_t bytes[8];
        PutLeDouble(bytes, date.days);
        EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8), c.stored);
        EXPECT_EQ(FromJetDate(date), c.time);
    }
    EXPECT_EQ(FormatJetDate(DateTime{42329.94480324074}), "2015-11-21 22:40:31");
    EXPECT_EQ(FormatJetDate(DateTime{0.99999999}), "1899-12-31 00:00:00");  // rounds to the next midnight
}

TEST(TableDef, SerializedDefinitionParsesBackWithColumnsByNumber) {
    TableDef def = QqListDef();
    def.ownedMap = RowRef{PageNo(17), 0};
    def.freeMap = RowRef{PageNo(17), 1};
    def.realIndexes[0].rootPage = 18;
    def.realIndexes[0].usageMap = RowRef{PageNo(17), 2};
    def.realIndexes[1].rootPage = 19;
    def.realIndexes[1].usageMap = RowRef{PageNo(17), 3};
    def.rowCount = 5;
    def.autoNumber = 9;
    auto bytes = SerializeTableDef(def, true);
    EXPECT_EQ(bytes.size(), 544u);
    EXPECT_EQ(Le32(bytes.data() + 8), 544u);
    auto parsed = ParseTableDef(bytes);
    ASSERT_TRUE(parsed.ok()) << parsed.status().ToString();
    ASSERT_EQ(parsed->columns.size(), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(parsed->columns[i].number, i);
    EXPECT_EQ(parsed->columns[2].name, "A_QQ");
    EXPECT_EQ(parsed->rowCount, 5u);
    EXPECT_EQ(parsed->autoNumber, 9u);
    EXPECT_EQ(parsed->realIndexes[1].rootPage, 19u);
    EXPECT_EQ(parsed->realIndexes[1].flags, 0x81);
    EXPECT_EQ(parsed->logicalIndexes[0].name, "PrimaryKey");
    EXPECT_EQ(parsed->logicalIndexes[0].kind, 1);
    TableDef sys = SysDef();
    EXPECT_EQ(SerializeTableDef(sys).size(), 182u);
}

TEST(TableDef, DefinitionOverSeveralPagesIsSplitAndJoined) {
    TableDef def;
    def.varColumns = 0;
    for (uint16_t i = 0; i < 200; ++i) {
        std::string name = "a_rather_long_column_name_" + std::to_string(i);
        def.columns.push_back(Column("", ColumnType::Long, i, 0, 0x03, uint16_t(4 * i), 4));
        def.columns.back().name = name;
    }
    def.maxColumns = 200;
    auto bytes = SerializeTableDef(def);
    size_t pages = TableDefPageCount(bytes.size());
    ASSERT_GT(pages, 2u);
    std::vector<PageNo> numbers;
    for (size_t i = 0; i < pages; ++i) numbers.push_back(PageNo(10 + i));
    auto images = LayOutTableDef(bytes, numbers);
    auto read = ReadTableDefBytes(
        [&](PageNo page) -> Result<const uint8_t*> { return images[ToIndex(page) - 10].data(); }, PageNo(10), 100);
    ASSERT_TRUE(read.ok());
    auto parsed = ParseTableDef(*read);
    ASSERT_TRUE(parsed.ok()) << parsed.status().ToString();
    EXPECT_EQ(parsed->columns.size(), 200u);
    EXPECT_EQ(parsed->columns[199].name, "a_rather_long_column_name_199");
    // A chain that loops back is Corrupt, not an endless read.
    PutLe32(images.back().data() + 4, 10);
    auto looped = ReadTableDefBytes(
        [&](PageNo page) -> Result<const uint8_t*> { return images[ToIndex(page) - 10].data(); }, PageNo(10), 100);
    EXPECT_EQ(looped.code(), ErrorCode::Corrupt);
}

TEST(TableDef, TruncatedOrInconsistentDefinitionsAreCorrupt) {
    TableDef def = QqListDef();
    auto bytes = SerializeTableDef(def);
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
        EXPECT_EQ(ParseTableDef(part).code(), ErrorCode::Corrupt) << cut;
    }
    auto badIndex = bytes;
    badIndex[63 + 24 + 25 * 7 + 88 + 4] = 0x33;  // first real index on column 0x33
    EXPECT_EQ(ParseTableDef(badIndex).code(), ErrorCode::Corrupt);
}

}  // namespace
}  // namespace jet
