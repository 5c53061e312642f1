// The lexer and parser on every statement shape, its spellings, and malformed text.

#include "jet/sql/parser.h"

#include <gtest/gtest.h>

#include <string>

namespace jet {
namespace {

std::string Render(const Literal& literal) {
    switch (literal.kind) {
        case Literal::Kind::Null:
            return "NULL";
        case Literal::Kind::Integer:
            return std::to_string(literal.integer);
        case Literal::Kind::Text:
            return "<" + literal.text + ">";
    }
    return "?";
}

std::string Render(const Comparison& c) {
    return c.column.text + "=" + Render(c.value);
}

std::string Render(const std::optional<Comparison>& where) {
    return where ? " WHERE " + Render(*where) : "";
}

// One canonical line per statement, so that each case states its whole expected parse.
std::string Render(const Statement& statement) {
    if (auto* s = std::get_if<SelectStatement>(&statement)) {
        std::string columns;
        for (const Name& name : s->columns) columns += (columns.empty() ? "" : ",") + name.text;
        return "SELECT " + (columns.empty() ? "*" : columns) + " FROM " + s->table.text + Render(s->where);
    }
    if (auto* s = std::get_if<InsertStatement>(&statement)) {
        std::string pairs;
        for (size_t i = 0; i < s->columns.size(); ++i) {
            pairs += (i ? "," : "") + s->columns[i].text + "=" + Render(s->values[i]);
        }
        return "INSERT " + s->table.text + " " + pairs;
    }
    if (auto* s = std::get_if<UpdateStatement>(&statement)) {
        std::string sets;
        for (const Comparison& c : s->assignments) sets += (sets.empty() ? "" : ",") + Render(c);
        return "UPDATE " + s->table.text + " SET " + sets + Render(s->where);
    }
    const auto& d = std::get<DeleteStatement>(statement);
    return "DELETE " + d.table.text + " WHERE " + Render(d.where);
}

TEST(Parser, AcceptsEveryStatementShapeInAnySpelling) {
    struct Case {
        const char* name;
        const char* text;
        const char* parsed;
    } cases[] = {
        {"select two columns", "select S_QQpath,S_AQ from zk_auto_sys", "SELECT S_QQpath,S_AQ FROM zk_auto_sys"},
        {"select with where", "select A_QQ from zk_auto_qqlist where A_QQ='12345'",
         "SELECT A_QQ FROM zk_auto_qqlist WHERE A_QQ=<12345>"},
        {"select star", "SELECT * FROM t", "SELECT * FROM t"},
        {"keywords in mixed case", "SeLeCt a FrOm t WhErE b = 1", "SELECT a FROM t WHERE b=1"},
        {"blanks everywhere", "  select\ta ,\r\n b\nfrom  t  where b  =  'x'  ", "SELECT a,b FROM t WHERE b=<x>"},
        {"no blanks around = and ,", "update t set a=1,b='x'where c='y'", "UPDATE t SET a=1,b=<x> WHERE c=<y>"},
        {"update without where", "update zk_auto_sys set S_AQ='1'", "UPDATE zk_auto_sys SET S_AQ=<1>"},
        {"update with path literal", "update zk_auto_sys set S_QQpath='C:\\Program Files\\QQ\\QQ.exe'",
         "UPDATE zk_auto_sys SET S_QQpath=<C:\\Program Files\\QQ\\QQ.exe>"},
        {"insert", "insert into q(A_Name,A_QQ,A_activ) values('abc','12345',1)",
         "INSERT q A_Name=<abc>,A_QQ=<12345>,A_activ=1"},
        {"insert with blanks in lists", "INSERT INTO q ( a , b ) VALUES ( 'x' , -2 )", "INSERT q a=<x>,b=-2"},
        {"delete", "delete from q where A_Name='abc'", "DELETE q WHERE A_Name=<abc>"},
        {"trailing semicolon", "delete from q where a=1;", "DELETE q WHERE a=1"},
        {"bracketed names", "select [A Name] from [my table]", "SELECT A Name FROM my table"},
        {"keyword in brackets is a name", "select [from] from t", "SELECT from FROM t"},
        {"doubled apostrophe", "select a from t where a='O''Neil'", "SELECT a FROM t WHERE a=<O'Neil>"},
        {"only an apostrophe", "select a from t where a=''''", "SELECT a FROM t WHERE a=<'>"},
        {"empty text", "update t set a=''", "UPDATE t SET a=<>"},
        {"keywords inside text stay text", "update t set a='select from where'", "UPDATE t SET a=<select from where>"},
        {"utf-8 text and names", "update t set \xE5\x90\x8D='\xE4\xB8\xAD'",
         "UPDATE t SET \xE5\x90\x8D=<\xE4\xB8\xAD>"},
        {"null value", "update t set a=null", "UPDATE t SET a=NULL"},
        {"plus sign", "update t set a=+7", "UPDATE t SET a=7"},
        {"minus with a blank", "update t set a=- 7", "UPDATE t SET a=-7"},
        {"leading zeros", "update t set a=007", "UPDATE t SET a=7"},
        {"smallest 64-bit integer", "update t set a=-9223372036854775808", "UPDATE t SET a=-9223372036854775808"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result<Statement> statement = ParseStatement(c.text);
        ASSERT_TRUE(statement.ok()) << statement.status().ToString();
        EXPECT_EQ(Render(*statement), c.parsed);
    }
}

TEST(Parser, RefusesMalformedTextNamingWhatAndWhere) {
    struct Case {
        const char* name;
        const char* text;
        ErrorCode code;
        const char* message;
    } cases[] = {
        {"empty", "", ErrorCode::Syntax,
         "expected SELECT, INSERT, UPDATE or DELETE, found end of statement at position 1"},
        {"unknown verb", "drop table t", ErrorCode::Syntax, "found name 'drop' at position 1"},
        {"missing from", "select a t", ErrorCode::Syntax, "expected FROM, found name 't' at position 10"},
        {"missing column", "select from t", ErrorCode::Syntax,
         "expected a column name or '*', found keyword from at position 8"},
        {"trailing comma", "select a, from t", ErrorCode::Syntax, "found keyword from at position 11"},
        {"where without =", "select a from t where a 'x'", ErrorCode::Syntax,
         "expected '=', found text literal 'x' at position 25"},
        {"where other operator", "select a from t where a<1", ErrorCode::Syntax,
         "unexpected character '<' at position 24"},
        {"where with two conditions", "select a from t where a=1 and b=2", ErrorCode::Syntax,
         "expected end of statement, found name 'and' at position 27"},
        {"unterminated text", "update t set a='abc", ErrorCode::Syntax, "unterminated text literal at position 16"},
        {"escaped apostrophe at end", "update t set a='abc''", ErrorCode::Syntax,
         "unterminated text literal at position 16"},
        {"double quotes", "update t set a=\"x\"", ErrorCode::Syntax, "unexpected character '\"' at position 16"},
        {"decimal number", "update t set a=1.5", ErrorCode::Syntax,
         "unexpected character '.' in a number at position 17"},
        {"number glued to a name", "update t set a=12abc", ErrorCode::Syntax,
         "unexpected character 'a' in a number at position 18"},
        {"sign without digits", "update t set a=-'1'", ErrorCode::Syntax, "found text literal '1' at position 17"},
        {"control byte", "select a\x01 from t", ErrorCode::Syntax, "unexpected byte 0x01 at position 9"},
        {"unterminated bracket", "select [a from t", ErrorCode::Syntax, "unterminated [name] at position 8"},
        {"empty bracket", "select [] from t", ErrorCode::Syntax, "empty [name] at position 8"},
        {"insert without into", "insert t(a) values(1)", ErrorCode::Syntax,
         "expected INTO, found name 't' at position 8"},
        {"insert without columns", "insert into t values(1)", ErrorCode::Syntax,
         "expected '(', found keyword values at position 15"},
        {"insert with too few values", "insert into t(a,b) values(1)", ErrorCode::Syntax,
         "2 columns but 1 value at position 20"},
        {"insert without closing paren", "insert into t(a) values(1", ErrorCode::Syntax,
         "expected ')', found end of statement at position 26"},
        {"delete without where", "delete from t", ErrorCode::Syntax,
         "expected WHERE, found end of statement at position 14"},
        {"delete star", "delete * from t where a=1", ErrorCode::Syntax, "expected FROM, found '*' at position 8"},
        {"two statements", "delete from t where a=1; delete from t where a=2", ErrorCode::Syntax,
         "found keyword delete at position 26"},
        {"keyword as table name", "select a from where", ErrorCode::Syntax,
         "expected a table name, found keyword where"},
        {"integer too large", "update t set a=9223372036854775808", ErrorCode::TooLarge,
         "integer 9223372036854775808 out of range at position 16"},
        {"negative too large", "update t set a=-9223372036854775809", ErrorCode::TooLarge,
         "integer -9223372036854775809 out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result<Statement> statement = ParseStatement(c.text);
        ASSERT_FALSE(statement.ok()) << Render(*statement);
        EXPECT_EQ(statement.code(), c.code);
        EXPECT_NE(statement.status().message().find(c.message), std::string::npos) << statement.status().message();
    }
}

}  // namespace
}  // namespace jet
