#pragma once
// Lexer: the text of one SQL statement as a list of tokens, for the parser (parser.h).
//
// Invariants:
//  1. Every token records where it starts (`position`, 1-based byte position in the statement text),
//     so that every error names the place it found.
//  2. The list always ends with exactly one End token, positioned one past the last byte.
//  3. Keywords are recognised in any case; an identifier keeps its spelling, brackets removed
//     ([A Name] is the identifier "A Name").
//  4. A string token holds the text between the apostrophes with each '' turned into one '.
//  5. An integer token holds digits only; a sign is its own token (the parser joins them).
//  6. Bytes the grammar does not know are a Syntax error naming the byte and its position; the
//     lexer never reads past the end of the text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace jet {

enum class TokenKind {
    Identifier,
    String,   // '...'
    Integer,  // digits
    // Keywords
    Select,
    From,
    Where,
    Insert,
    Into,
    Values,
    Update,
    Set,
    Delete,
    Null,
    // Punctuation
    Comma,
    LeftParen,
    RightParen,
    Equals,
    Star,
    Plus,
    Minus,
    Semicolon,
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;     // identifier name, string content, digits; the keyword as written
    size_t position = 0;  // 1-based byte position of the token's first byte
};

// How a token is described in error messages: "keyword FROM", "identifier 'A_Name'", "end of
// statement"...
std::string DescribeToken(const Token& token);
// The name of a kind as the grammar writes it ("FROM", "'('", "a column name" ...).
const char* TokenKindName(TokenKind kind);

Result<std::vector<Token>> Tokenize(std::string_view statement);

}  // namespace jet
