// Files as Access makes them, built by this engine and then given Access's shapes: text columns in
// the Chinese sort orders, Access's own system tables (a fixed binary column, a table whose maps
// are at page 0), a global map in Access's reference form, compressed memos in a column that does
// not allow compression, the bookkeeping Access keeps loose and its index separators.
#include <gtest/gtest.h>

#include <cstring>

#include "jet/format/data_page.h"
#include "jet/format/jet4_layout.h"
#include "jet/format/table_def.h"
#include "jet/index/index_page.h"
#include "jet/pages/testing/crash_file_system.h"
#include "jet/tables/tables_internal.h"
#include "tests/native/tables/product_schema.h"

namespace jet::test {
namespace {

using ::jet::testing::MemoryFileSystem;
using L = Jet4Layout;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::unique_ptr<Database> OpenRw(MemoryFileSystem& fs) {
    auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadWrite);
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    return db.ok() ? std::move(*db) : nullptr;
}

// Rewrites the one-page TDEF of `table` in the closed file through `change`.
void PatchTableDef(MemoryFileSystem& fs, const std::string& table, const std::function<void(TableDef&)>& change) {
    uint32_t page = 0;
    {
        auto db = OpenRw(fs);
        auto found = db->GetTable(table);
        ASSERT_TRUE(found.ok());
        page = ToIndex(static_cast<TableImpl*>(*found)->TdefPage());
    }
    std::vector<uint8_t> file = *fs.Contents("config.dat");
    std::vector<uint8_t> tdef(file.begin() + page * kPageSize, file.begin() + (page + 1) * kPageSize);
    ASSERT_EQ(Le32(tdef.data() + L::kTdefNextPage), 0u);
    auto def = ParseTableDef(tdef);
    ASSERT_TRUE(def.ok());
    change(*def);
    auto images = LayOutTableDef(SerializeTableDef(*def), {PageNo(page)});
    ASSERT_EQ(images.size(), 1u);
    std::memcpy(file.data() + page * kPageSize, images[0].data(), kPageSize);
    fs.SetFile("config.dat", file);
}

// Access's own tables beside the product's: MSysAccessObjects with Access's fixed binary column
// (its rows filled), MSysAccessXML never filled, its maps at page 0.
void AddAccessSystemTables(MemoryFileSystem& fs) {
    {
        auto db = OpenRw(fs);
        ASSERT_TRUE(db->CreateTable({"MSysAccessObjects",
                                     {{"ID", ColumnType::Long, 4, false}, {"Data", ColumnType::Guid, 16, false}},
                                     {}})
                        .ok());
        ASSERT_TRUE(db->CreateTable({"MSysAccessXML", {{"Id", ColumnType::Long, 4, false}}, {}}).ok());
        auto objects = db->GetTable("MSysAccessObjects");
        for (int64_t id = 0; id < 3; ++id)
            ASSERT_TRUE((*objects)->Insert({{0, Value(id)}, {1, Value(Bytes(16, uint8_t(id)))}}).ok());
    }
    PatchTableDef(fs, "MSysAccessObjects", [](TableDef& def) { def.columns[1].type = ColumnType::FixedBinary; });
    PatchTableDef(fs, "MSysAccessXML", [](TableDef& def) { def.ownedMap = def.freeMap = RowRef{kNoPage, 0}; });
}

// Page 1 as Access writes it for a large file: row 0 a 101-byte reference row naming no map page,
// its last slot 0xFFFFFF80; row 1 the empty inline map.
void UseAccessGlobalReferenceMap(MemoryFileSystem& fs) {
    std::vector<uint8_t> file = *fs.Contents("config.dat");
    uint8_t* page = file.data() + kPageSize;
    std::vector<uint8_t> reference(101, 0), second(69, 0);
    reference[0] = 1;
    PutLe32(reference.data() + 97, 0xFFFFFF80);
    InitDataPage(page, 1);
    ASSERT_TRUE(AddRow(page, reference, 0).ok());
    ASSERT_TRUE(AddRow(page, second, 0).ok());
    fs.SetFile("config.dat", file);
}

TEST(AccessFile, ChineseSortOrdersKeepTheNumberIndexExactAndRefuseUnknownCharacters) {
    for (uint16_t order : {uint16_t(2052), uint16_t(1028)}) {
        SCOPED_TRACE(order);
        MemoryFileSystem fs;
        auto db = CreateProductDb(fs, "config.dat", 32, order);
        auto table = db->GetTable("zk_auto_qqlist");
        for (int n = 1; n <= 40; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok());
        auto rows = (*table)->FindEqual(2, Value(std::string("10007")));
        ASSERT_TRUE(rows.ok() && rows->size() == 1);
        ASSERT_TRUE((*table)->Update((*rows)[0], {{2, Value(std::string("20007"))}}).ok());
        auto gone = (*table)->FindEqual(2, Value(std::string("10008")));
        ASSERT_TRUE((*table)->Delete((*gone)[0]).ok());
        EXPECT_EQ((*table)->Insert(QqRow(3)).code(), ErrorCode::Constraint);
        ColumnValues punctuated = QqRow(98);  // characters the Access-made files proved last
        punctuated[1].second = Value(std::string(order == 2052 ? "10098@qq.com;#{1}" : "10098~1"));
        ASSERT_TRUE((*table)->Insert(punctuated).ok());
        auto found = (*table)->FindEqual(2, punctuated[1].second);
        ASSERT_TRUE(found.ok() && found->size() == 1);
        auto before = *fs.Contents("config.dat");
        ColumnValues unknown = QqRow(99);
        unknown[1].second = Value(std::string("１２３号"));
        auto refused = (*table)->Insert(unknown);
        EXPECT_EQ(refused.code(), ErrorCode::Unsupported);
        EXPECT_NE(refused.status().message().find("sort order " + std::to_string(order)), std::string::npos);
        EXPECT_EQ(*fs.Contents("config.dat"), before);
        std::vector<std::string> problems, notes;
        ASSERT_TRUE(db->Check(problems, notes).ok());
        EXPECT_EQ(Joined(problems) + Joined(notes), "");
        EXPECT_EQ(static_cast<DatabaseImpl&>(*db).Header().sortOrder, order);
    }
}

// A number Access stored in characters this engine has no code for: the row reads, check notes
// the key it cannot verify, and a change that would move that key is refused, never half done.
TEST(AccessFile, ARowWhoseKeyCannotBeEncodedReadsAndRefusesChangesToIt) {
    MemoryFileSystem fs;
    {
        auto db = CreateProductDb(fs, "config.dat");
        auto table = db->GetTable("zk_auto_qqlist");
        ColumnValues accented = QqRow(1);
        accented[1].second = Value(std::string("1\xC3\xA9"));  // General has a code for it, 2052 none
        ASSERT_TRUE((*table)->Insert(accented).ok());
        ASSERT_TRUE((*table)->Insert(QqRow(2)).ok());
    }
    PatchTableDef(fs, "zk_auto_qqlist", [](TableDef& def) { LabelSortOrder(def, 2052); });
    auto db = OpenRw(fs);
    auto table = db->GetTable("zk_auto_qqlist");
    EXPECT_EQ((*table)->RowCount(), 2u);
    std::vector<std::string> problems, notes;
    ASSERT_TRUE(db->Check(problems, notes).ok());
    EXPECT_EQ(Joined(problems), "");
    EXPECT_NE(Joined(notes).find("1 keys not verified"), std::string::npos) << Joined(notes);
    auto rows = (*table)->FindEqual(1, Value(std::string("name10001")));
    ASSERT_TRUE(rows.ok() && rows->size() == 1);
    EXPECT_EQ((*table)->Delete((*rows)[0]).code(), ErrorCode::Unsupported);
    EXPECT_EQ((*table)->RowCount(), 2u);
}

TEST(AccessFile, AccessSystemTablesAndItsGlobalReferenceMapCheckCleanAndTakeWrites) {
    MemoryFileSystem fs;
    { CreateProductDb(fs, "config.dat", 32, 2052); }
    AddAccessSystemTables(fs);
    UseAccessGlobalReferenceMap(fs);
    const auto pagesBefore = fs.Contents("config.dat")->size() / kPageSize;
    {
        auto db = OpenRw(fs);
        auto objects = db->GetTable("MSysAccessObjects");
        size_t scanned = 0;
        ASSERT_TRUE((*objects)
                        ->Scan([&](RowPointer, const std::vector<Value>& row) {
                            EXPECT_EQ(std::get<Bytes>(row[1]).size(), 16u);
                            ++scanned;
                            return true;
                        })
                        .ok());
        EXPECT_EQ(scanned, 3u);
        auto table = db->GetTable("zk_auto_qqlist");
        for (int n = 1; n <= 400; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok()) << n;
        EXPECT_EQ((*db->GetTable("MSysAccessXML"))->Insert({{0, Value(int64_t(1))}}).code(), ErrorCode::Unsupported);
    }
    auto file = *fs.Contents("config.dat");
    EXPECT_GT(file.size() / kPageSize, pagesBefore);
    EXPECT_EQ(file[kPageSize + kPageSize - 101], 1) << "the global map keeps Access's reference form";
    auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadOnly);
    ASSERT_TRUE(db.ok());
    EXPECT_EQ((*(*db)->GetTable("zk_auto_qqlist"))->RowCount(), 400u);
    std::vector<std::string> problems, notes;
    ASSERT_TRUE((*db)->Check(problems, notes).ok());
    EXPECT_EQ(Joined(problems), "");
}

// In a file Access made, counts it keeps loose are notes; the same counts in a file of this engine,
// and real damage in either, stay problems.
TEST(AccessFile, LooseCountsAreNotesOnlyInAccessMadeFilesAndDamageIsStillFound) {
    struct Case {
        const char* name;
        bool accessMade;
        uint32_t offset;  // from the start of zk_auto_qqlist's TDEF page, or of its index root
        bool inIndex;
        const char* expected;
        bool asNote;
    } cases[] = {
        {"row count, Access", true, L::kTdefRowCount, false, "row count says", true},
        {"row count, ours", false, L::kTdefRowCount, false, "row count says", false},
        {"index key, Access", true, 481, true, "index A_QQ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        uint32_t tdefPage = 0, rootPage = 0;
        {
            auto db = CreateProductDb(fs, "config.dat");
            auto table = db->GetTable("zk_auto_qqlist");
            for (int n = 1; n <= 3; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok());
            auto* impl = static_cast<TableImpl*>(*table);
            tdefPage = ToIndex(impl->TdefPage());
            rootPage = impl->Def().realIndexes[1].rootPage;
        }
        if (c.accessMade) AddAccessSystemTables(fs);
        auto file = *fs.Contents("config.dat");
        file[(c.inIndex ? rootPage : tdefPage) * kPageSize + c.offset] ^= 0x01;
        fs.SetFile("config.dat", file);
        auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadOnly);
        ASSERT_TRUE(db.ok());
        std::vector<std::string> problems, notes;
        ASSERT_TRUE((*db)->Check(problems, notes).ok());
        const std::string where = Joined(c.asNote ? notes : problems);
        EXPECT_NE(where.find(c.expected), std::string::npos) << "problems:\n"
                                                             << Joined(problems) << "notes:\n"
                                                             << Joined(notes);
        if (c.asNote) {
            EXPECT_EQ(Joined(problems), "");
        }
    }
}

// Access leaves a node entry above its child's last entry when that entry goes: a bound, not a
// copy. check notes it in any file, and writes keep the index exact around it.
TEST(AccessFile, IndexSeparatorsAreNotesAndWritesKeepTheIndexExact) {
    MemoryFileSystem fs;
    uint32_t rootPage = 0;
    {
        auto db = CreateProductDb(fs, "config.dat", 32, 2052);
        auto table = db->GetTable("zk_auto_qqlist");
        for (int n = 1; n <= 600; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok());
        rootPage = static_cast<TableImpl*>(*table)->Def().realIndexes[1].rootPage;
    }
    auto file = *fs.Contents("config.dat");
    uint8_t* root = file.data() + rootPage * kPageSize;
    auto node = DecodeIndexPage(root, PageNo(rootPage));
    ASSERT_TRUE(node.ok() && !node->leaf && !node->entries.empty());
    for (IndexEntry& entry : node->entries) entry.row = {PageNo(0xFFFFFF), 0xFF};  // the QQ numbers are unique
    EncodeIndexPage(*node, root);
    fs.SetFile("config.dat", file);
    auto db = OpenRw(fs);
    auto table = db->GetTable("zk_auto_qqlist");
    std::vector<std::string> problems, notes;
    ASSERT_TRUE(db->Check(problems, notes).ok());
    EXPECT_EQ(Joined(problems), "");
    EXPECT_NE(Joined(notes).find("index A_QQ: index page " + std::to_string(rootPage) + ": "), std::string::npos)
        << Joined(notes);
    auto qq = [](int n) { return Value(std::to_string(10000 + n)); };
    for (int n = 1; n <= 600; n += 2) {
        auto rows = (*table)->FindEqual(2, qq(n));
        ASSERT_TRUE(rows.ok() && rows->size() == 1);
        ASSERT_TRUE((*table)->Delete((*rows)[0]).ok());
    }
    for (int n = 601; n <= 900; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok());
    problems.clear();
    ASSERT_TRUE(db->Check(problems, notes).ok());
    EXPECT_EQ(Joined(problems), "");
    for (int n = 1; n <= 900; ++n) {
        auto rows = (*table)->FindEqual(2, qq(n));
        ASSERT_TRUE(rows.ok());
        EXPECT_EQ(rows->size(), n <= 600 && n % 2 == 1 ? 0u : 1u) << n;
    }
}

// Other engines store memo text compressed in columns whose descriptor does not allow it, with an
// odd number of bytes; it reads as the text it is.
TEST(AccessFile, CompressedMemoInAColumnWithoutTheCompressionFlagReads) {
    MemoryFileSystem fs;
    {
        auto db = CreateProductDb(fs, "config.dat");
        ASSERT_TRUE(db->CreateTable({"notes", {{"Body", ColumnType::Memo, 0, false}}, {}}).ok());
        auto notes = db->GetTable("notes");
        for (const char* text : {"abc", "an odd-length note", "ab"})
            ASSERT_TRUE((*notes)->Insert({{0, Value(std::string(text))}}).ok());
    }
    PatchTableDef(fs, "notes", [](TableDef& def) { def.columns[0].extFlags = 0; });
    auto db = OpenRw(fs);
    std::vector<std::string> read;
    ASSERT_TRUE((*db->GetTable("notes"))
                    ->Scan([&](RowPointer, const std::vector<Value>& row) {
                        read.push_back(std::get<std::string>(row[0]));
                        return true;
                    })
                    .ok());
    EXPECT_EQ(read, (std::vector<std::string>{"abc", "an odd-length note", "ab"}));
}

}  // namespace
}  // namespace jet::test
