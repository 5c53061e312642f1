#pragma once
// Statement: a parsed SQL statement of the subset the product uses, as the parser (parser.h) makes it
// and the executor (executor.h) runs it:
//   SELECT col[, col...] | * FROM table [WHERE col = literal]
//   INSERT INTO table(col, ...) VALUES(literal, ...)
//   UPDATE table SET col = literal[, col = literal...] [WHERE col = literal]
//   DELETE FROM table WHERE col = literal
// where literal is 'text' ('' inside stands for one '), an integer with an optional sign, or NULL;
// keywords are in any case, and a name may be written in brackets ([A Name]).
//
// Invariants:
//  1. Names keep the spelling of the statement text; resolving them (case-insensitively) against the
//     database is the executor's work, so a parsed statement refers to no table yet.
//  2. An Insert has as many values as columns, and at least one of each.
//  3. Every name and literal keeps the 1-based position where the statement text wrote it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace jet {

struct Name {
    std::string text;
    size_t position = 0;
};

struct Literal {
    enum class Kind { Null, Integer, Text };
    Kind kind = Kind::Null;
    int64_t integer = 0;  // Kind::Integer
    std::string text;     // Kind::Text, apostrophes already undoubled
    size_t position = 0;
};

// col = literal
struct Comparison {
    Name column;
    Literal value;
};

struct SelectStatement {
    std::vector<Name> columns;  // empty: SELECT *
    Name table;
    std::optional<Comparison> where;
};

struct InsertStatement {
    Name table;
    std::vector<Name> columns;
    std::vector<Literal> values;  // values[i] goes to columns[i]
};

struct UpdateStatement {
    Name table;
    std::vector<Comparison> assignments;  // SET col = literal, ...
    std::optional<Comparison> where;
};

struct DeleteStatement {
    Name table;
    Comparison where;
};

using Statement = std::variant<SelectStatement, InsertStatement, UpdateStatement, DeleteStatement>;

}  // namespace jet
