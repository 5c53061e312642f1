// The statements of store/statements.h: their exact texts (stored files and the engine rely on
// them), then each run on a copy of the template through the product's own OpenDb/CloseDb cycle.
// Each step states what its caller reads back: the fields, or how many rows a change touched.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/native/sql/product_db.h"
#include "tests/win/fake_services.h"

namespace {

using jet::testing::Outcome;

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
constexpr LoginStatus kOnline = LoginStatus::Online;
constexpr LoginStatus kInvisible = LoginStatus::Invisible;
constexpr char kPath[] = "C:\\Users\\O'Neil\\QQ's Bin\\QQ.exe";

// Texts quoted and apostrophes doubled; the editor's status bare in its insert and quoted in its
// update; blanks around the edit target's "="; the exit flag quoted.
TEST(Statements, KeepTheTextsTheProgramHasAlwaysRun) {
    struct Case {
        std::string statement;
        const char* expected;
    } cases[] = {
        {SelectAccountsStatement(), "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist"},
        {SelectNumberStatement("10'001"), "select A_QQ from zk_auto_qqlist where A_QQ='10''001'"},
        {SelectAliasStatement("O'Neil"), "select A_Name from zk_auto_qqlist where A_Name='O''Neil'"},
        {SelectAliasNumbersStatement("O'Neil"), "select A_QQ from zk_auto_qqlist where A_Name='O''Neil'"},
        {SelectEditFieldsStatement("O'Neil"), "select A_QQ,A_stat from zk_auto_qqlist where A_Name = 'O''Neil'"},
        {SelectLoginFieldsStatement("x' or 'a'='a"),
         "select A_QQ,A_stat,A_pass from zk_auto_qqlist where A_Name='x'' or ''a''=''a'"},
        {InsertAccountStatement("O'Neil", "10001", kOnline, kAdded, kHash),
         "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values('O''Neil','10001',1,1,"
         "'2026-12-07 9:07:03','kAFQmDzST7DWlj99KOF/cg')"},
        {InsertAccountStatement("10002", "10002", kInvisible, kAdded, kHash),
         "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values('10002','10002',1,0,"
         "'2026-12-07 9:07:03','kAFQmDzST7DWlj99KOF/cg')"},
        {UpdateAccountStatement("Tom's", kInvisible, kOtherHash, "10001"),
         "update zk_auto_qqlist set A_Name='Tom''s',A_stat='0',A_pass='1B2M2Y8AsgTpgAmY7PhCfg' where A_QQ='10001'"},
        {UpdateAccountStatement("Tom", kOnline, kHash, "10001"),
         "update zk_auto_qqlist set A_Name='Tom',A_stat='1',A_pass='kAFQmDzST7DWlj99KOF/cg' where A_QQ='10001'"},
        {DeleteAccountStatement("it's"), "delete from zk_auto_qqlist where A_Name='it''s'"},
        {DeactivateStatement("小明"), "update zk_auto_qqlist set A_activ=0 where A_Name='小明'"},
        {StampStatement(kLoggedIn, "O'Neil"),
         "update zk_auto_qqlist set A_activ=1,A_last='2026-12-08 10:00:00' where A_Name='O''Neil'"},
        {SelectPathAndExitFlagStatement(), "select S_QQpath,S_AQ from zk_auto_sys"},
        {SelectStartupPasswordStatement(), "select S_pass from zk_auto_sys"},
        {StoreQQPathStatement(kPath), "update zk_auto_sys set S_QQpath='C:\\Users\\O''Neil\\QQ''s Bin\\QQ.exe'"},
        {StorePasswordStatement("pa ss"), "update zk_auto_sys set S_pass='pa ss'"},
        {StoreExitAfterLoginStatement(true), "update zk_auto_sys set S_AQ='1'"},
        {StoreExitAfterLoginStatement(false), "update zk_auto_sys set S_AQ='0'"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.statement, c.expected);
}

TEST_F(ProductStatements, EveryShapeRunsOnTheTemplateAndGivesItsCallerWhatItNeeds) {
    struct Case {
        const char* name;
        std::string statement;
        std::string expected;
    } cases[] = {
        {"settings row of the fresh template is all Null", SelectPathAndExitFlagStatement(), "N,N"},
        {"no start-up password on the fresh template", SelectStartupPasswordStatement(), "N"},
        {"no accounts on the fresh template", SelectAccountsStatement(), ""},
        {"number look-up on an empty table", SelectNumberStatement("10001"), ""},
        {"alias look-up on an empty table", SelectAliasStatement("O'Neil"), ""},
        {"editor adds an alias with an apostrophe", InsertAccountStatement("O'Neil", "10001", kOnline, kAdded, kHash),
         "affected 1"},
        {"import adds a number as its own alias", InsertAccountStatement("10002", "10002", kInvisible, kAdded, kHash),
         "affected 1"},
        {"unique index refuses a stored number without a look-up",
         InsertAccountStatement("10002", "10002", kInvisible, kAdded, kOtherHash), "<Constraint>"},
        {"import keeps an apostrophe in a field as typed",
         InsertAccountStatement("10'003", "10'003", kInvisible, kAdded, kHash), "affected 1"},
        {"the list reads every account in storage order", SelectAccountsStatement(),
         "'O'Neil',1,1,'2026-12-07 9:07:03';'10002',1,0,'2026-12-07 9:07:03';'10'003',1,0,'2026-12-07 9:07:03'"},
        {"number look-up finds a stored number", SelectNumberStatement("10002"), "'10002'"},
        {"number look-up with an apostrophe", SelectNumberStatement("10'003"), "'10'003'"},
        {"alias look-up ignores case", SelectAliasStatement("o'NEIL"), "'O'Neil'"},
        {"the numbers under an alias, in any case", SelectAliasNumbersStatement("o'neil"), "'10001'"},
        {"alias look-up needs the whole alias", SelectAliasStatement("O'Nei"), ""},
        {"a look-up cannot be widened by its value", SelectAliasStatement("x' or A_Name<>'"), ""},
        {"login run unticks an account", DeactivateStatement("O'Neil"), "affected 1"},
        {"untick of an alias no row has changes nothing", DeactivateStatement("nobody"), "affected 0"},
        {"login run marks a logged-in account, alias in other case", StampStatement(kLoggedIn, "O'NEIL"), "affected 1"},
        {"login run reads number, status and hash", SelectLoginFieldsStatement("O'Neil"),
         "'10001',1,'kAFQmDzST7DWlj99KOF/cg'"},
        {"editor reads number and status", SelectEditFieldsStatement("O'Neil"), "'10001',1"},
        {"editor changes alias, quoted status and hash by number",
         UpdateAccountStatement("Tom's", kInvisible, kOtherHash, "10001"), "affected 1"},
        {"the changed account under its new alias", SelectLoginFieldsStatement("Tom's"),
         "'10001',0,'1B2M2Y8AsgTpgAmY7PhCfg'"},
        {"the old alias is gone", SelectEditFieldsStatement("O'Neil"), ""},
        {"the list after the login run and the edit", SelectAccountsStatement(),
         "'Tom's',1,0,'2026-12-08 10:00:00';'10002',1,0,'2026-12-07 9:07:03';'10'003',1,0,'2026-12-07 9:07:03'"},
        {"delete finds the alias in other case", DeleteAccountStatement("TOM'S"), "affected 1"},
        {"deleting it again changes nothing", DeleteAccountStatement("Tom's"), "affected 0"},
        {"its number can be stored again", InsertAccountStatement("Tom", "10001", kInvisible, kAdded, kHash),
         "affected 1"},
        {"settings store a path with apostrophes", StoreQQPathStatement(kPath), "affected 1"},
        {"settings store the start-up password", StorePasswordStatement("pa ss"), "affected 1"},
        {"the option stores exit-after-login as quoted text", StoreExitAfterLoginStatement(true), "affected 1"},
        {"the main window reads path and flag", SelectPathAndExitFlagStatement(), std::string("'") + kPath + "',1"},
        {"the password dialog reads the password", SelectStartupPasswordStatement(), "'pa ss'"},
        {"the option stores 0 again", StoreExitAfterLoginStatement(false), "affected 1"},
        {"the flag reads back as 0", SelectPathAndExitFlagStatement(), std::string("'") + kPath + "',0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.statement), c.expected) << c.statement;
    }
    EXPECT_TRUE(fakes_.messages.shown.empty());
}

// The settings statements carry no condition: they must change the one row there is, never add one.
TEST_F(ProductStatements, SettingsUpdatesKeepExactlyOneRow) {
    for (const std::string& statement : {StoreQQPathStatement("a"), StorePasswordStatement("b"),
                                         StoreExitAfterLoginStatement(true), StoreQQPathStatement("c")}) {
        SCOPED_TRACE(statement);
        EXPECT_EQ(Run(statement), "affected 1");
        EXPECT_EQ(Run("select S_AQ from zk_auto_sys").find(';'), std::string::npos);
    }
    EXPECT_EQ(Run(SelectPathAndExitFlagStatement()), "'c',1");
}

}  // namespace
