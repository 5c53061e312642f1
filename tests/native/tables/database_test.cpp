#include "jet/tables/database.h"

#include <gtest/gtest.h>

#include "tests/native/tables/product_schema.h"

namespace jet::test {
namespace {

TEST(Database, CreatedProductDatabaseReadsBackThroughMdbtools) {
    TempFolder folder;
    std::string path = folder.File("config.dat");
    {
        auto db = CreateProductDb(NativeFileSystem(), path);
        ASSERT_TRUE(db);
        auto table = db->GetTable("zk_auto_qqlist");
        ASSERT_TRUE(table.ok());
        for (int n = 1; n <= 3; ++n) ASSERT_TRUE((*table)->Insert(QqRow(n)).ok()) << n;
    }
    EXPECT_EQ(RunCommand("mdb-ver " + path), "JET4\n");
    std::string rows = RunCommand("mdb-export " + path + " zk_auto_qqlist");
    EXPECT_NE(rows.find("1,\"name10001\",\"10001\",1,0,\"2026-12-07 9:07:03\",\"1B2M2Y8AsgTpgAmY7PhCfg\""),
              std::string::npos)
        << rows;
    std::cout << rows << RunCommand("mdb-schema --indexes " + path + " postgres")
              << RunCommand("mdb-export -b hex " + path + " MSysObjects");
}

}  // namespace
}  // namespace jet::test
