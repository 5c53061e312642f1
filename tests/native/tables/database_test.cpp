#include "jet/tables/database.h"

#include <gtest/gtest.h>

#include "jet/pages/testing/crash_file_system.h"
#include "tests/native/tables/product_schema.h"

namespace jet::test {
namespace {

using ::jet::testing::MemoryFileSystem;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

TEST(Database, CreatedProductDatabaseReadsBackThroughMdbtools) {
    TempFolder folder;
    std::string path = folder.File("config.dat");
    {
        auto db = CreateProductDb(NativeFileSystem(), path);
        ASSERT_TRUE(db);
        auto table = db->GetTable("zk_auto_qqlist");
        ASSERT_TRUE(table.ok());
        for (int n = 1; n <= 3; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok()) << n;
        ASSERT_TRUE((*table)->Insert({{1, Value(std::string("Мир"))}, {2, Value(std::string("ä-b"))}}).ok());
        EXPECT_EQ(Joined(Problems(*db)), "");
    }
    SKIP_WITHOUT_MDBTOOLS();
    EXPECT_EQ(RunCommand("mdb-ver " + path), "JET4\n");
    EXPECT_EQ(RunCommand("mdb-tables -S -1 " + path),
              "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\nzk_auto_qqlist\nzk_auto_sys\n");
    EXPECT_EQ(RunCommand("mdb-export " + path + " zk_auto_qqlist"),
              "ID,A_Name,A_QQ,A_activ,A_stat,A_last,A_pass\n"
              "1,\"name10001\",\"10001\",1,0,\"2026-12-07 9:07:03\",\"1B2M2Y8AsgTpgAmY7PhCfg\"\n"
              "2,\"name10002\",\"10002\",1,0,\"2026-12-07 9:07:03\",\"1B2M2Y8AsgTpgAmY7PhCfg\"\n"
              "3,\"name10003\",\"10003\",1,0,\"2026-12-07 9:07:03\",\"1B2M2Y8AsgTpgAmY7PhCfg\"\n"
              "4,\"Мир\",\"ä-b\",,,,\n");
    EXPECT_EQ(RunCommand("mdb-export " + path + " zk_auto_sys"), "S_QQpath,S_pass,S_AQ\n,,\n");
    EXPECT_EQ(RunCommand("mdb-count " + path + " zk_auto_qqlist"), "4\n");
    std::string schema = RunCommand("mdb-schema --indexes " + path + " postgres");
    for (const char* expected :
         {"\"id\"\t\t\tSERIAL", "\"a_name\"\t\t\tVARCHAR (100)", "\"a_qq\"\t\t\tVARCHAR (50)",
          "\"a_activ\"\t\t\tINTEGER", "\"a_last\"\t\t\tVARCHAR (100)", "\"a_pass\"\t\t\tVARCHAR (255)",
          "\"s_qqpath\"\t\t\tVARCHAR (255)", "\"s_aq\"\t\t\tINTEGER", "PRIMARY KEY (\"id\")",
          "CREATE UNIQUE INDEX \"zk_auto_qqlist_a_qq_idx\" ON \"zk_auto_qqlist\" (\"a_qq\")"}) {
        EXPECT_NE(schema.find(expected), std::string::npos) << expected << "\n" << schema;
    }
    std::string aces = RunCommand("mdb-export -b hex " + path + " MSysACEs");
    EXPECT_NE(aces.find("16,\"648B\",983294,0"), std::string::npos) << aces;
    EXPECT_NE(aces.find("20,\"658B\",1048319,0"), std::string::npos) << aces;
}

TEST(Database, CreateWithFixedNowIsByteForByteReproducibleAndPadsToTheTemplateSize) {
    MemoryFileSystem a, b;
    ASSERT_TRUE(CreateProductDb(a, "config.dat"));
    ASSERT_TRUE(CreateProductDb(b, "config.dat"));
    auto bytesA = a.Contents("config.dat");
    auto bytesB = b.Contents("config.dat");
    ASSERT_TRUE(bytesA.ok() && bytesB.ok());
    EXPECT_EQ(bytesA->size(), 131072u);
    EXPECT_TRUE(*bytesA == *bytesB);
    // The tables take the pages the recipe names: TDEFs 16 and 20, zk_auto_sys's data page 22.
    EXPECT_EQ((*bytesA)[16 * 4096], 0x02);
    EXPECT_EQ((*bytesA)[20 * 4096], 0x02);
    EXPECT_EQ((*bytesA)[22 * 4096 + 4], 20);
    EXPECT_EQ((*bytesA)[23 * 4096], 0x00);  // still free padding
}

uint32_t U16(const std::vector<uint8_t>& file, uint32_t page, uint32_t offset) {
    return file[page * 4096 + offset] | file[page * 4096 + offset + 1] << 8;
}
uint32_t U32(const std::vector<uint8_t>& file, uint32_t page, uint32_t offset) {
    return U16(file, page, offset) | U16(file, page, offset + 2) << 16;
}

TEST(Database, NewFileFollowsJetsPagePlanByteCounts) {
    MemoryFileSystem fs;
    ASSERT_TRUE(CreateProductDb(fs, "config.dat"));
    auto file = *fs.Contents("config.dat");
    struct Case {
        const char* name;
        uint32_t page;
        uint32_t length;  // TDEF length, 0 for data pages
        uint32_t free;
    } cases[] = {
        {"MSysObjects TDEF", 2, 1050, 3038},
        {"MSysACEs TDEF", 3, 335, 3753},
        {"MSysQueries TDEF", 4, 525, 3563},
        {"MSysRelationships TDEF", 5, 813, 3275},
        {"zk_auto_qqlist TDEF", 16, 544, 3544},
        {"zk_auto_sys TDEF", 20, 182, 3906},
        {"global map page", 1, 0, 3940},
        {"system map holder", 6, 0, 1881},
        {"zk_auto_qqlist map holder", 17, 0, 3798},
        {"zk_auto_sys map holder", 21, 0, 3940},
        {"zk_auto_sys data", 22, 0, 4067},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.length) {
            EXPECT_EQ(U32(file, c.page, 8), c.length);
        }
        EXPECT_EQ(U16(file, c.page, 2), c.free);
    }
    EXPECT_EQ(U32(file, 2, 0x10), 10u);           // MSysObjects rows
    EXPECT_EQ(U32(file, 2, 0x3F + 4), 10u);       // distinct ParentIdName keys
    EXPECT_EQ(U32(file, 2, 0x3F + 12 + 4), 10u);  // distinct Ids
    EXPECT_EQ(U32(file, 3, 0x10), 20u);           // MSysACEs rows
    EXPECT_EQ(U32(file, 3, 0x3F + 4), 10u);       // distinct ObjectIds
    EXPECT_EQ(U32(file, 20, 0x10), 1u);           // the all-Null zk_auto_sys row
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 8 * 4096 + 480, file.begin() + 8 * 4096 + 489),
              (std::vector<uint8_t>{0x7F, 0x80, 0x00, 0x00, 0x02, 0x00, 0x00, 0x0E, 0x04}));  // Id index: Id 2 first
    // Global map: pages 0-22 in use, the padding up to 31 and everything past the end free.
    const uint8_t* bitmap = &file[4096 + 4027 + 5];
    EXPECT_EQ(file[4096 + 4027], 0x00);
    EXPECT_EQ(bitmap[0], 0x00);
    EXPECT_EQ(bitmap[1], 0x00);
    EXPECT_EQ(bitmap[2], 0x80);
    EXPECT_EQ(bitmap[3], 0xFF);
    EXPECT_EQ(bitmap[63], 0xFF);
}

TEST(Database, CheckReportsEachKindOfDamage) {
    std::vector<uint8_t> good;
    {
        MemoryFileSystem fs;
        auto db = CreateProductDb(fs, "config.dat");
        auto table = db->GetTable("zk_auto_qqlist");
        for (int n = 1; n <= 3; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok());
        good = *fs.Contents("config.dat");
    }
    const uint32_t globalBitmap = 4096 + 4027 + 5;
    struct Case {
        const char* name;
        uint32_t offset;
        uint8_t xorMask;
        const char* expected;
    } cases[] = {
        {"row count", 16 * 4096 + 0x10, 0x01, "row count says"},
        {"AutoNumber counter", 16 * 4096 + 0x14, 0x03, "AutoNumber counter"},
        {"used page marked free", globalBitmap + 2, 0x01, "is free in the global map but belongs to"},
        {"free page marked used", globalBitmap + 3, 0x40, "belongs to nothing"},
        {"data page free space", 23 * 4096 + 2, 0x01, "bytes free"},
        {"index key", 19 * 4096 + 481, 0x01, "index A_QQ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        auto file = good;
        file[c.offset] ^= c.xorMask;
        fs.SetFile("config.dat", file);
        auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadOnly);
        ASSERT_TRUE(db.ok()) << db.status().ToString();
        std::string problems = Joined(Problems(**db));
        EXPECT_NE(problems.find(c.expected), std::string::npos) << problems;
    }
    MemoryFileSystem fs;
    fs.SetFile("config.dat", good);
    auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadOnly);
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(Joined(Problems(**db)), "");
}

TEST(Database, ReopenedDatabaseKeepsRowsAndChecksThePassword) {
    MemoryFileSystem fs;
    {
        auto db = CreateProductDb(fs, "config.dat");
        ASSERT_TRUE(db);
        auto table = db->GetTable("ZK_AUTO_QQLIST");
        ASSERT_TRUE(table.ok());
        ASSERT_TRUE((*table)->Insert(QqRow(7)).ok());
    }
    auto wrong = Database::Open(fs, "config.dat", "tq4wnBkdy.rHsLmZXJoE", OpenMode::ReadOnly);
    EXPECT_EQ(wrong.code(), ErrorCode::BadPassword);
    auto db = Database::Open(fs, "config.dat", kPassword, OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    EXPECT_EQ((*db)->TableNames(false), (std::vector<std::string>{"zk_auto_qqlist", "zk_auto_sys"}));
    auto table = (*db)->GetTable("zk_auto_qqlist");
    ASSERT_TRUE(table.ok());
    EXPECT_EQ((*table)->RowCount(), 1u);
    auto found = (*table)->FindEqual(2, Value(std::string("10007")));
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1u);
    auto row = (*table)->ReadRow((*found)[0]);
    ASSERT_TRUE(row.ok());
    EXPECT_EQ((*row)[0], Value(int64_t(1)));
    EXPECT_EQ((*row)[1], Value(std::string("name10007")));
    EXPECT_EQ((*db)->GetTable("nope").code(), ErrorCode::NotFound);
}

TEST(Database, CreateTableRefusesADuplicateNameIgnoringCase) {
    MemoryFileSystem fs;
    auto db = CreateProductDb(fs, "config.dat");
    ASSERT_TRUE(db);
    TableSchema schema = SettingsTableSchema();
    schema.name = "ZK_Auto_Sys";
    EXPECT_EQ(db->CreateTable(schema).code(), ErrorCode::Constraint);
    EXPECT_EQ(db->TableNames(false).size(), 2u);
    EXPECT_EQ(Joined(Problems(*db)), "");
}

}  // namespace
}  // namespace jet::test
