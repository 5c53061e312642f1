#pragma once
// Parser: statement text -> Statement (statement.h), by recursive descent over the tokens of the
// lexer (lexer.h). One statement per text; a single trailing ';' is allowed.
//
// Invariants:
//  1. Anything outside the grammar in statement.h is a Syntax error that names what was expected,
//     what was found and its 1-based position ("expected FROM, found name 'x' at position 12").
//  2. An integer literal is a decimal number with an optional sign that fits in 64 bits; a larger
//     one is TooLarge, naming its position.
//  3. The parser never consults a database: it accepts names of tables and columns that may not
//     exist.

#include <string_view>

#include "common/result.h"
#include "jet/sql/statement.h"

namespace jet {

Result<Statement> ParseStatement(std::string_view text);

}  // namespace jet
