#pragma once
// The one way the product writes a text value into a statement: SqlQuote. The statements of
// statements.h pass every text from user input, file contents or settings through here, so an alias
// such as O'Neil is stored as typed and can never end the literal early.

#include <string>
#include <string_view>

// 'text' with every apostrophe doubled: SqlQuote("O'Neil") is 'O''Neil' (apostrophes included).
std::string SqlQuote(std::string_view text);
