// Statements run through a Connection on a real config.dat with the product's schema.

#include "jet/sql/executor.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "product_db.h"
#include "store/sql_text.h"

namespace jet {
namespace {

using testing::Outcome;
using testing::ProductDb;

// Standard output of a command; empty when it cannot run (no mdbtools, or a Windows build under Wine).
std::string CommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    return output;
}

class Executor : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(connection_.Open(db_.ConnectionString()).ok()); }

    std::string Run(const std::string& statement) { return Outcome(connection_.Execute(statement)); }

    struct Step {
        const char* name;
        std::string statement;
        const char* outcome;
    };
    // Runs the steps in order on the same database; each outcome is checked where it happens.
    void RunSteps(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(step.name) + ": " + step.statement);
            EXPECT_EQ(Run(step.statement), step.outcome);
        }
    }

    ProductDb db_;
    Connection connection_;
};

TEST_F(Executor, ProductStatementsReadAndChangeTheAccountList) {
    RunSteps({
        {"settings start as Null", "select S_QQpath,S_AQ from zk_auto_sys", "N,N"},
        {"empty list", "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist", ""},
        {"add",
         "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values('abc','12345',1,1,'2026-12-07 "
         "9:07:03','kAFQmDzST7DWlj99KOF/cg')",
         "affected 1"},
        {"add another", "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values('def','777',0,1)", "affected 1"},
        {"list", "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist",
         "'abc',1,1,'2026-12-07 9:07:03';'def',0,1,N"},
        {"AutoNumber counts up", "select ID,A_Name from zk_auto_qqlist", "1,'abc';2,'def'"},
        {"find by number", "select A_QQ from zk_auto_qqlist where A_QQ='12345'", "'12345'"},
        {"find by alias", "select A_QQ,A_stat,A_pass from zk_auto_qqlist where A_Name='abc'",
         "'12345',1,'kAFQmDzST7DWlj99KOF/cg'"},
        {"deactivate", "update zk_auto_qqlist set A_activ=0 where A_Name='abc'", "affected 1"},
        {"activate with time", "update zk_auto_qqlist set A_activ=1,A_last='2026-12-08 10:00:00' where A_Name='abc'",
         "affected 1"},
        {"edit by number", "update zk_auto_qqlist set A_Name='x',A_stat=0,A_pass='p' where A_QQ='12345'", "affected 1"},
        {"edited row", "select ID,A_Name,A_QQ,A_activ,A_stat,A_last,A_pass from zk_auto_qqlist where A_QQ='12345'",
         "1,'x','12345',1,0,'2026-12-08 10:00:00','p'"},
        {"old alias gone", "select A_Name from zk_auto_qqlist where A_Name='abc'", ""},
        {"select star in column order", "select * from zk_auto_qqlist where A_Name='def'", "2,'def','777',0,1,N,N"},
        {"delete", "delete from zk_auto_qqlist where A_Name='x'", "affected 1"},
        {"deleted", "select A_Name from zk_auto_qqlist", "'def'"},
        {"a column named twice, with and without a condition", "select A_Name,A_QQ,A_Name from zk_auto_qqlist",
         "'def','777','def'"},
        {"a column named twice, by index", "select A_QQ,A_QQ from zk_auto_qqlist where A_QQ='777'", "'777','777'"},
        {"settings path", "update zk_auto_sys set S_QQpath='C:\\Program Files\\QQ\\QQ.exe'", "affected 1"},
        {"settings password", "update zk_auto_sys set S_pass='secret'", "affected 1"},
        {"settings flag as text", "update zk_auto_sys set S_AQ='1'", "affected 1"},
        {"settings", "select S_QQpath,S_pass,S_AQ from zk_auto_sys", "'C:\\Program Files\\QQ\\QQ.exe','secret',1"},
    });
}

// A full scan decodes every row into the same value vector: a value left from the row before, or a
// text of one kind decoded over a text of another, would show here.
TEST_F(Executor, FullScanGivesEveryRowItsOwnTextsWhateverTheirKind) {
    const std::string longAlias(40, 'w');  // longer than a string keeps inline
    RunSteps({
        {"Chinese alias", "insert into zk_auto_qqlist(A_Name,A_QQ,A_last) values('\xE4\xB8\xAD\xE6\x96\x87','1','t1')",
         "affected 1"},
        {"no alias, no time", "insert into zk_auto_qqlist(A_QQ) values('2')", "affected 1"},
        {"long alias", "insert into zk_auto_qqlist(A_Name,A_QQ) values('" + longAlias + "','3')", "affected 1"},
        {"ASCII after long", "insert into zk_auto_qqlist(A_Name,A_QQ,A_last) values('ab','4','t4')", "affected 1"},
    });
    const std::string chinese = "'\xE4\xB8\xAD\xE6\x96\x87'", quotedLong = "'" + longAlias + "'";
    EXPECT_EQ(Run("select A_Name,A_QQ,A_last,A_Name from zk_auto_qqlist"),
              chinese + ",'1','t1'," + chinese + ";N,'2',N,N;" + quotedLong + ",'3',N," + quotedLong +
                  ";'ab','4','t4','ab'");
}

TEST_F(Executor, LiteralsConvertToTheColumnTypeAsJetDoes) {
    struct Case {
        const char* literal;
        const char* stored;  // S_AQ (Integer) afterwards; an error leaves the previous value
    } cases[] = {
        {"'1'", "1"},
        {"' 12 '", "12"},
        {"'-3'", "-3"},
        {"'+4'", "4"},
        {"'2.5'", "2"},
        {"'3.5'", "4"},
        {"'-2.51'", "-3"},
        {"'abc'", "<TypeMismatch>"},
        {"''", "<TypeMismatch>"},
        {"'1 2'", "<TypeMismatch>"},
        {"'0x10'", "<TypeMismatch>"},
        {"32767", "32767"},
        {"-32768", "-32768"},
        {"32768", "<TooLarge>"},
        {"'70000'", "<TooLarge>"},
        {"NULL", "N"},
    };
    std::string previous = "N";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        const std::string outcome = Run(std::string("update zk_auto_sys set S_AQ=") + c.literal);
        if (c.stored[0] == '<') {
            EXPECT_EQ(outcome, c.stored);
        } else {
            EXPECT_EQ(outcome, "affected 1");
            previous = c.stored;
        }
        EXPECT_EQ(Run("select S_AQ from zk_auto_sys"), previous);
    }
}

TEST_F(Executor, IntegerLiteralsForTextColumnsAreStoredAsTheirDigits) {
    RunSteps({
        {"plain", "update zk_auto_sys set S_pass=42", "affected 1"},
        {"read back", "select S_pass from zk_auto_sys", "'42'"},
        {"leading zeros and sign", "update zk_auto_sys set S_pass=-007", "affected 1"},
        {"read back signed", "select S_pass from zk_auto_sys", "'-7'"},
        {"number finds text", "select S_pass from zk_auto_sys where S_pass=-7", "'-7'"},
    });
}

TEST_F(Executor, WhereComparesTextCaseInsensitivelyAndNeverMatchesNull) {
    RunSteps({
        {"add", "insert into zk_auto_qqlist(A_Name,A_QQ) values('Abc','1')", "affected 1"},
        {"other case", "select A_Name from zk_auto_qqlist where A_Name='aBC'", "'Abc'"},
        {"update other case", "update zk_auto_qqlist set A_activ=5 where A_Name='ABC'", "affected 1"},
        {"Null is not empty text", "select S_pass from zk_auto_sys where S_pass=''", ""},
        {"col = NULL matches nothing", "select S_pass from zk_auto_sys where S_pass=NULL", ""},
        {"empty text stored", "update zk_auto_sys set S_pass=''", "affected 1"},
        {"empty text found", "select S_pass from zk_auto_sys where S_pass=''", "''"},
        {"text for a number column", "select A_Name from zk_auto_qqlist where A_activ='5'", "'Abc'"},
        {"no number", "select A_Name from zk_auto_qqlist where A_activ='five'", "<TypeMismatch>"},
        {"out of range finds nothing", "select A_Name from zk_auto_qqlist where A_activ=99999", ""},
    });
}

TEST_F(Executor, StatementsThatMatchNothingAreNoError) {
    RunSteps({
        {"update", "update zk_auto_qqlist set A_activ=0 where A_Name='nobody'", "affected 0"},
        {"delete", "delete from zk_auto_qqlist where A_QQ='0'", "affected 0"},
        {"update of an empty table", "update zk_auto_qqlist set A_activ=0", "affected 0"},
    });
}

TEST_F(Executor, RefusedStatementsNameTheirFaultAndChangeNothing) {
    ASSERT_EQ(Run("insert into zk_auto_qqlist(A_Name,A_QQ) values('a','1')"), "affected 1");
    struct Case {
        const char* name;
        const char* statement;
        ErrorCode code;
        const char* message;
    } cases[] = {
        {"unknown table", "select A_Name from accounts", ErrorCode::NotFound,
         "unknown table 'accounts' at position 20"},
        {"unknown select column", "select A_Nam from zk_auto_qqlist", ErrorCode::NotFound,
         "unknown column 'A_Nam' in table zk_auto_qqlist at position 8"},
        {"unknown where column", "select A_Name from zk_auto_qqlist where QQ='1'", ErrorCode::NotFound,
         "unknown column 'QQ'"},
        {"unknown set column", "update zk_auto_sys set S_Path='x'", ErrorCode::NotFound, "unknown column 'S_Path'"},
        {"unknown insert column", "insert into zk_auto_qqlist(A_Name,A_X) values('b','2')", ErrorCode::NotFound,
         "unknown column 'A_X'"},
        {"duplicate unique key", "insert into zk_auto_qqlist(A_Name,A_QQ) values('b','1')", ErrorCode::Constraint, ""},
        {"column named twice", "update zk_auto_sys set S_pass='a',s_PASS='b'", ErrorCode::InvalidArgument,
         "column S_pass named twice at position 35"},
        {"AutoNumber updated", "update zk_auto_qqlist set ID=5", ErrorCode::InvalidArgument,
         "column ID is an AutoNumber"},
        {"text too long", "update zk_auto_qqlist set A_QQ='123456789012345678901234567890123456789012345678901'",
         ErrorCode::TooLarge, "longer than 50 characters"},
        {"system table", "delete from msysobjects where Name='zk_auto_sys'", ErrorCode::InvalidArgument,
         "table MSysObjects is a system table"},
        {"syntax", "select A_Name form zk_auto_qqlist", ErrorCode::Syntax,
         "expected FROM, found name 'form' at position 15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result<Recordset> result = connection_.Execute(c.statement);
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.code(), c.code) << result.status().ToString();
        EXPECT_NE(result.status().message().find(c.message), std::string::npos) << result.status().message();
    }
    EXPECT_EQ(Run("select ID,A_Name,A_QQ from zk_auto_qqlist"), "1,'a','1'");
    EXPECT_EQ(Run("select * from zk_auto_sys"), "N,N,N");
}

// The second row's new key collides with the first row's new key: the first change must be rolled back.
TEST_F(Executor, MultiRowUpdateFailingHalfwayLeavesEveryRowAsItWas) {
    for (const char* qq : {"1", "2", "3"}) {
        ASSERT_EQ(Run(std::string("insert into zk_auto_qqlist(A_Name,A_QQ) values('same','") + qq + "')"),
                  "affected 1");
    }
    EXPECT_EQ(Run("update zk_auto_qqlist set A_QQ='9' where A_Name='same'"), "<Constraint>");
    EXPECT_EQ(Run("select A_QQ from zk_auto_qqlist where A_Name='same'"), "'1';'2';'3'");
    EXPECT_EQ(Run("update zk_auto_qqlist set A_stat=7 where A_Name='same'"), "affected 3");
    EXPECT_EQ(Run("delete from zk_auto_qqlist where A_Name='SAME'"), "affected 3");
    EXPECT_EQ(Run("select A_Name,A_QQ from zk_auto_qqlist"), "");
}

TEST_F(Executor, QuotedAliasIsStoredAndFoundAgain) {
    const std::string alias = "O'Neil's \xE5\xB0\x8F\xE5\x8F\xB7";
    EXPECT_EQ(Run("insert into zk_auto_qqlist(A_Name,A_QQ) values(" + SqlQuote(alias) + ",'1')"), "affected 1");
    Result<Recordset> found = connection_.Execute("select A_Name from zk_auto_qqlist where A_Name=" + SqlQuote(alias));
    ASSERT_TRUE(found.ok());
    ASSERT_FALSE(found->Eof());
    EXPECT_EQ(found->Fields("a_name")->Value(), Variant(alias));
    EXPECT_EQ(Run("delete from zk_auto_qqlist where A_Name=" + SqlQuote(alias)), "affected 1");
}

TEST_F(Executor, ChangesAreInTheFileAfterReopening) {
    ASSERT_EQ(Run("insert into zk_auto_qqlist(A_Name,A_QQ,A_activ) values('abc','12345',1)"), "affected 1");
    ASSERT_EQ(Run("update zk_auto_sys set S_pass='secret'"), "affected 1");
    connection_.Close();
    ASSERT_TRUE(connection_.Open(db_.ConnectionString()).ok());
    EXPECT_EQ(Run("select A_Name,A_QQ,A_activ from zk_auto_qqlist"), "'abc','12345',1");
    EXPECT_EQ(Run("select S_pass from zk_auto_sys"), "'secret'");
}

// mdbtools is an independent reader: what it exports is what Access would see.
TEST_F(Executor, MdbtoolsReadsWhatTheStatementsWrote) {
    RunSteps({
        {"add", "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values('abc','1',1,1)", "affected 1"},
        {"add quoted",
         "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values(" + SqlQuote("O'Neil") + ",'2',1,1)",
         "affected 1"},
        {"edit", "update zk_auto_qqlist set A_stat=0,A_last='2026-12-07 9:07:03' where A_Name='o''neil'", "affected 1"},
        {"remove", "delete from zk_auto_qqlist where A_QQ='1'", "affected 1"},
        {"settings", "update zk_auto_sys set S_QQpath='C:\\QQ\\QQ.exe',S_AQ='1'", "affected 1"},
    });
    connection_.Close();
    const std::string accounts = CommandOutput("mdb-export " + db_.Path() + " zk_auto_qqlist");
    if (accounts.empty()) GTEST_SKIP() << "mdb-export is not available here";
    EXPECT_EQ(accounts,
              "ID,A_Name,A_QQ,A_activ,A_stat,A_last,A_pass\n2,\"O'Neil\",\"2\",1,0,\"2026-12-07 9:07:03\",\n");
    EXPECT_EQ(CommandOutput("mdb-export " + db_.Path() + " zk_auto_sys"),
              "S_QQpath,S_pass,S_AQ\n\"C:\\QQ\\QQ.exe\",,1\n");
}

}  // namespace
}  // namespace jet
