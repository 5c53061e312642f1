// SqlQuote against the parser: whatever text goes in comes back out of the statement unchanged.

#include "store/sql_text.h"

#include <gtest/gtest.h>

#include "jet/sql/parser.h"

namespace {

TEST(SqlQuote, DoublesEveryApostropheBetweenApostrophes) {
    EXPECT_EQ(SqlQuote("O'Neil"), "'O''Neil'");
    EXPECT_EQ(SqlQuote(""), "''");
    EXPECT_EQ(SqlQuote("''"), "''''''");
}

TEST(SqlQuote, EveryTextSurvivesTheParserUnchanged) {
    struct Case {
        const char* name;
        std::string text;
    } cases[] = {
        {"apostrophe inside", "O'Neil"},
        {"empty", ""},
        {"only apostrophes", "'''"},
        {"apostrophe at both ends", "'abc'"},
        {"injection attempt", "x' or A_Name='y"},
        {"statement end attempt", "x'; delete from zk_auto_qqlist where A_Name='y"},
        {"backslashes and quotes", "C:\\Program Files\\QQ\\\"QQ\".exe"},
        {"utf-8", "\xE5\xBC\xA0\xE4\xB8\x89's"},
        {"line breaks", "a\r\nb"},
        {"embedded zero byte", std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto statement = jet::ParseStatement("update t set a=" + SqlQuote(c.text) + " where b=" + SqlQuote(c.text));
        ASSERT_TRUE(statement.ok()) << statement.status().ToString();
        const auto& update = std::get<jet::UpdateStatement>(*statement);
        ASSERT_EQ(update.assignments.size(), 1u);
        EXPECT_EQ(update.assignments[0].value.text, c.text);
        ASSERT_TRUE(update.where.has_value());
        EXPECT_EQ(update.where->value.text, c.text);
    }
}

}  // namespace
