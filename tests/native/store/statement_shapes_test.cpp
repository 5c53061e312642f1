// The sixteen statements the product runs against config.dat, each built as its caller builds it
// (texts through SqlQuote, the editor's status bare in its insert and quoted in its update, the exit
// flag quoted), run on a copy of the template through the product's own OpenDb/CloseDb cycle. Each
// step states what its caller reads back: the fields, or how many rows a change touched.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "store/sql_text.h"
#include "tests/native/sql/product_db.h"
#include "tests/win/fake_services.h"

namespace {

using jet::testing::Outcome;

// The statements, as the main window, the login run, the editor, the delete and import commands,
// the settings dialog and the exit-after-login option build them.
namespace product {

std::string ReadPathAndExitFlag() {
    return "select S_QQpath,S_AQ from zk_auto_sys";
}
std::string ReadStartupPassword() {
    return "select S_pass from zk_auto_sys";
}
std::string ReadAccounts() {
    return "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist";
}
std::string LookUpNumber(const std::string& number) {
    return "select A_QQ from zk_auto_qqlist where A_QQ=" + SqlQuote(number);
}
std::string LookUpAlias(const std::string& alias) {
    return "select A_Name from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}
std::string Untick(const std::string& alias) {
    return "update zk_auto_qqlist set A_activ=0 where A_Name=" + SqlQuote(alias);
}
std::string MarkLoggedIn(const std::string& alias, const std::string& time) {
    return "update zk_auto_qqlist set A_activ=1,A_last=" + SqlQuote(time) + " where A_Name=" + SqlQuote(alias);
}
std::string ReadLoginFields(const std::string& alias) {
    return "select A_QQ,A_stat,A_pass from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}
std::string ReadEditFields(const std::string& alias) {
    return "select A_QQ,A_stat from zk_auto_qqlist where A_Name = " + SqlQuote(alias);
}
std::string AddAccount(const std::string& alias, const std::string& number, int status, const std::string& now,
                       const std::string& hash) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" + SqlQuote(alias) + "," +
           SqlQuote(number) + ",1," + std::to_string(status) + "," + SqlQuote(now) + "," + SqlQuote(hash) + ")";
}
std::string ChangeAccount(const std::string& alias, int status, const std::string& hash, const std::string& number) {
    return "update zk_auto_qqlist set A_Name=" + SqlQuote(alias) + ",A_stat=" + SqlQuote(std::to_string(status)) +
           ",A_pass=" + SqlQuote(hash) + " where A_QQ=" + SqlQuote(number);
}
std::string DeleteAccount(const std::string& alias) {
    return "delete from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}
std::string AddImported(const std::string& number, const std::string& now, const std::string& hash) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" + SqlQuote(number) + "," +
           SqlQuote(number) + ",1,0," + SqlQuote(now) + "," + SqlQuote(hash) + ")";
}
std::string StorePath(const std::string& path) {
    return "update zk_auto_sys set S_QQpath=" + SqlQuote(path);
}
std::string StoreStartupPassword(const std::string& password) {
    return "update zk_auto_sys set S_pass=" + SqlQuote(password);
}
std::string StoreExitAfterLogin(int value) {
    return "update zk_auto_sys set S_AQ=" + SqlQuote(std::to_string(value));
}

}  // namespace product

class ProductStatements : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("kestrin-shapes-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "config.dat").string();
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path_).ok());
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // One operation as the product runs it: OpenDb, the statement, CloseDb.
    std::string Run(const std::string& statement) {
        AccountDb db(path_, fakes_.services);
        if (!db.OpenDb().ok()) return "<open failed>";
        std::string outcome = Outcome(db.Conn().Execute(statement));
        EXPECT_TRUE(db.CloseDb().ok());
        EXPECT_FALSE(db.IsOpen());
        return outcome;
    }

    std::filesystem::path folder_;
    std::string path_;
    FakeServices fakes_;
};

constexpr char kAdded[] = "2026-12-07 9:07:03";
constexpr char kLoggedIn[] = "2026-12-08 10:00:00";
constexpr char kHash[] = "kAFQmDzST7DWlj99KOF/cg";
constexpr char kOtherHash[] = "1B2M2Y8AsgTpgAmY7PhCfg";
constexpr char kPath[] = "C:\\Users\\O'Neil\\QQ's Bin\\QQ.exe";

TEST_F(ProductStatements, EveryShapeRunsOnTheTemplateAndGivesItsCallerWhatItNeeds) {
    using namespace product;
    struct Case {
        const char* name;
        std::string statement;
        std::string expected;
    } cases[] = {
        {"settings row of the fresh template is all Null", ReadPathAndExitFlag(), "N,N"},
        {"no start-up password on the fresh template", ReadStartupPassword(), "N"},
        {"no accounts on the fresh template", ReadAccounts(), ""},
        {"number look-up on an empty table", LookUpNumber("10001"), ""},
        {"alias look-up on an empty table", LookUpAlias("O'Neil"), ""},
        {"editor adds an alias with an apostrophe", AddAccount("O'Neil", "10001", 1, kAdded, kHash), "affected 1"},
        {"import adds a number as its own alias", AddImported("10002", kAdded, kHash), "affected 1"},
        {"unique index refuses a stored number without a look-up", AddImported("10002", kAdded, kOtherHash),
         "<Constraint>"},
        {"import keeps an apostrophe in a field as typed", AddImported("10'003", kAdded, kHash), "affected 1"},
        {"the list reads every account in storage order", ReadAccounts(),
         "'O'Neil',1,1,'2026-12-07 9:07:03';'10002',1,0,'2026-12-07 9:07:03';'10'003',1,0,'2026-12-07 9:07:03'"},
        {"number look-up finds a stored number", LookUpNumber("10002"), "'10002'"},
        {"number look-up with an apostrophe", LookUpNumber("10'003"), "'10'003'"},
        {"alias look-up ignores case", LookUpAlias("o'NEIL"), "'O'Neil'"},
        {"alias look-up needs the whole alias", LookUpAlias("O'Nei"), ""},
        {"a look-up cannot be widened by its value", LookUpAlias("x' or A_Name<>'"), ""},
        {"login run unticks an account", Untick("O'Neil"), "affected 1"},
        {"untick of an alias no row has changes nothing", Untick("nobody"), "affected 0"},
        {"login run marks a logged-in account, alias in other case", MarkLoggedIn("O'NEIL", kLoggedIn), "affected 1"},
        {"login run reads number, status and hash", ReadLoginFields("O'Neil"), "'10001',1,'kAFQmDzST7DWlj99KOF/cg'"},
        {"editor reads number and status", ReadEditFields("O'Neil"), "'10001',1"},
        {"editor changes alias, quoted status and hash by number", ChangeAccount("Tom's", 0, kOtherHash, "10001"),
         "affected 1"},
        {"the changed account under its new alias", ReadLoginFields("Tom's"), "'10001',0,'1B2M2Y8AsgTpgAmY7PhCfg'"},
        {"the old alias is gone", ReadEditFields("O'Neil"), ""},
        {"the list after the login run and the edit", ReadAccounts(),
         "'Tom's',1,0,'2026-12-08 10:00:00';'10002',1,0,'2026-12-07 9:07:03';'10'003',1,0,'2026-12-07 9:07:03'"},
        {"delete finds the alias in other case", DeleteAccount("TOM'S"), "affected 1"},
        {"deleting it again changes nothing", DeleteAccount("Tom's"), "affected 0"},
        {"its number can be stored again", AddAccount("Tom", "10001", 0, kAdded, kHash), "affected 1"},
        {"settings store a path with apostrophes", StorePath(kPath), "affected 1"},
        {"settings store the start-up password", StoreStartupPassword("pa ss"), "affected 1"},
        {"the option stores exit-after-login as quoted text", StoreExitAfterLogin(1), "affected 1"},
        {"the main window reads path and flag", ReadPathAndExitFlag(), std::string("'") + kPath + "',1"},
        {"the password dialog reads the password", ReadStartupPassword(), "'pa ss'"},
        {"the option stores 0 again", StoreExitAfterLogin(0), "affected 1"},
        {"the flag reads back as 0", ReadPathAndExitFlag(), std::string("'") + kPath + "',0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.statement), c.expected) << c.statement;
    }
    EXPECT_TRUE(fakes_.messages.shown.empty());
}

// The settings statements carry no condition: they must change the one row there is, never add one.
TEST_F(ProductStatements, SettingsUpdatesKeepExactlyOneRow) {
    for (const std::string& statement : {product::StorePath("a"), product::StoreStartupPassword("b"),
                                         product::StoreExitAfterLogin(1), product::StorePath("c")}) {
        SCOPED_TRACE(statement);
        EXPECT_EQ(Run(statement), "affected 1");
        EXPECT_EQ(Run("select S_AQ from zk_auto_sys").find(';'), std::string::npos);
    }
    EXPECT_EQ(Run(product::ReadPathAndExitFlag()), "'c',1");
}

}  // namespace
