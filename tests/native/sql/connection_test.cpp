// Connection: connection strings, open errors, and the life cycle the product relies on.

#include "jet/sql/connection.h"

#include <gtest/gtest.h>

#include <fstream>

#include "product_db.h"

namespace jet {
namespace {

using testing::Outcome;
using testing::ProductDb;

TEST(ConnectionString, SplitsTrimmedCaseInsensitivePairsWithQuotedValues) {
    using Pairs = std::map<std::string, std::string>;
    struct Case {
        const char* name;
        const char* text;
        Pairs pairs;
    } cases[] = {
        {"the product's string",
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\x\\config.dat;Jet OLEDB:Database "
         "Password=Tq4wnBkdy.rHsLmZXJoE",
         {{"provider", "Microsoft.Jet.OLEDB.4.0"},
          {"data source", "C:\\x\\config.dat"},
          {"jet oledb:database password", "Tq4wnBkdy.rHsLmZXJoE"}}},
        {"blanks and case",
         "  PROVIDER = x ;  data SOURCE=  C:\\a b\\c.dat  ;",
         {{"provider", "x"}, {"data source", "C:\\a b\\c.dat"}}},
        {"double-quoted value with ;",
         "Data Source=\"C:\\a;b\\c.dat\";Provider=p",
         {{"data source", "C:\\a;b\\c.dat"}, {"provider", "p"}}},
        {"single-quoted value with doubled quote", "Password='it''s = ok' ", {{"password", "it's = ok"}}},
        {"other quote inside", "Password=\"it's\"", {{"password", "it's"}}},
        {"= inside a value", "Jet OLEDB:Database Password=a=b", {{"jet oledb:database password", "a=b"}}},
        {"later key wins", "Provider=a;provider=b", {{"provider", "b"}}},
        {"empty parts", ";;Provider=a;;", {{"provider", "a"}}},
        {"empty value", "Jet OLEDB:Database Password=", {{"jet oledb:database password", ""}}},
        {"empty string", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto pairs = ParseConnectionString(c.text);
        ASSERT_TRUE(pairs.ok()) << pairs.status().ToString();
        EXPECT_EQ(*pairs, c.pairs);
    }
    for (const char* bad : {"Provider", "Provider=a;Data Source", "Password=\"abc", "Password='a' b"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ParseConnectionString(bad).code(), ErrorCode::InvalidArgument);
    }
}

TEST(Connection, OpenErrorsAreTypedAndLeaveTheConnectionClosed) {
    ProductDb db;
    const std::string folder = db.Path().substr(0, db.Path().size() - std::string("config.dat").size());
    {
        std::ofstream foreign(folder + "foreign.dat", std::ios::binary);
        foreign << std::string(8192, 'x');
    }
    std::ofstream(folder + "empty.dat").close();
    const std::string provider = "Provider=Microsoft.Jet.OLEDB.4.0;";
    const std::string password = ";Jet OLEDB:Database Password=Tq4wnBkdy.rHsLmZXJoE";
    struct Case {
        const char* name;
        std::string text;
        const char* user;
        ErrorCode code;
    } cases[] = {
        {"no provider", "Data Source=" + db.Path() + password, "", ErrorCode::InvalidArgument},
        {"other provider", "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + db.Path() + password, "",
         ErrorCode::Unsupported},
        {"no data source", provider + "Jet OLEDB:Database Password=x", "", ErrorCode::InvalidArgument},
        {"empty data source", provider + "Data Source= " + password, "", ErrorCode::InvalidArgument},
        {"wrong password", provider + "Data Source=" + db.Path() + ";Jet OLEDB:Database Password=tq4wnBkdy.rHsLmZXJoE",
         "", ErrorCode::BadPassword},
        {"no password", provider + "Data Source=" + db.Path(), "", ErrorCode::BadPassword},
        {"unknown workgroup user", provider + "Data Source=" + db.Path() + password, "Bob", ErrorCode::BadPassword},
        {"foreign file", provider + "Data Source=" + folder + "foreign.dat" + password, "", ErrorCode::NotJet4},
        {"empty file", provider + "Data Source=" + folder + "empty.dat" + password, "", ErrorCode::NotJet4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Connection connection;
        Status status = connection.Open(c.text, c.user);
        EXPECT_EQ(status.code(), c.code) << status.ToString();
        EXPECT_FALSE(connection.IsOpen());
        EXPECT_EQ(connection.Execute("select S_pass from zk_auto_sys").code(), ErrorCode::InvalidArgument);
    }
    Connection missing;
    Status status = missing.Open(provider + "Data Source=" + folder + "nothing.dat" + password);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("nothing.dat"), std::string::npos) << status.message();
    EXPECT_FALSE(missing.IsOpen());

    Connection admin;
    EXPECT_TRUE(admin.Open(provider + "Data Source=" + db.Path() + password, "admin").ok());
}

TEST(Connection, HoldsTheFileUntilClosedAndRefusesASecondOpen) {
    ProductDb db;
    Connection first;
    ASSERT_TRUE(first.Open(db.ConnectionString()).ok());
    EXPECT_EQ(first.Open(db.ConnectionString()).code(), ErrorCode::InvalidArgument);
    EXPECT_EQ(Outcome(first.Execute("update zk_auto_sys set S_AQ=1")), "affected 1");

    Connection second;
    EXPECT_EQ(second.Open(db.ConnectionString()).code(), ErrorCode::Locked);
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(first.Execute("select S_AQ from zk_auto_sys").code(), ErrorCode::InvalidArgument);
    ASSERT_TRUE(second.Open(db.ConnectionString()).ok());
    EXPECT_EQ(Outcome(second.Execute("select S_AQ from zk_auto_sys")), "1");
}

}  // namespace
}  // namespace jet
