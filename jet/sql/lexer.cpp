#include "jet/sql/lexer.h"

#include <array>
#include <cstdio>

namespace jet {
namespace {

struct Keyword {
    std::string_view name;
    TokenKind kind;
};

constexpr std::array<Keyword, 10> kKeywords = {{
    {"SELECT", TokenKind::Select},
    {"FROM", TokenKind::From},
    {"WHERE", TokenKind::Where},
    {"INSERT", TokenKind::Insert},
    {"INTO", TokenKind::Into},
    {"VALUES", TokenKind::Values},
    {"UPDATE", TokenKind::Update},
    {"SET", TokenKind::Set},
    {"DELETE", TokenKind::Delete},
    {"NULL", TokenKind::Null},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
// Bytes of multi-byte UTF-8 characters count as letters: Jet allows names in any script.
bool IsNameStart(char c) {
    return IsLetter(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool IsNamePart(char c) {
    return IsNameStart(c) || IsDigit(c);
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

TokenKind KeywordOrIdentifier(std::string_view word) {
    for (const Keyword& keyword : kKeywords) {
        if (EqualsIgnoringCase(word, keyword.name)) return keyword.kind;
    }
    return TokenKind::Identifier;
}

std::string DescribeByte(char c) {
    auto byte = static_cast<unsigned char>(c);
    char buffer[32];
    if (byte >= 0x20 && byte < 0x7F) {
        std::snprintf(buffer, sizeof buffer, "character '%c'", c);
    } else {
        std::snprintf(buffer, sizeof buffer, "byte 0x%02X", byte);
    }
    return buffer;
}

Status SyntaxAt(size_t offset, const std::string& what) {
    return Status(ErrorCode::Syntax, what + " at position " + std::to_string(offset + 1));
}

class Lexer {
  public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Result<std::vector<Token>> Run() {
        std::vector<Token> tokens;
        while (true) {
            while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
            if (pos_ == text_.size()) break;
            Result<Token> token = Next();
            if (!token) return token.status();
            tokens.push_back(std::move(*token));
        }
        tokens.push_back(Token{TokenKind::End, "", text_.size() + 1});
        return tokens;
    }

  private:
    Result<Token> Next() {
        const size_t start = pos_;
        const char c = text_[pos_];
        if (IsNameStart(c)) return Word(start);
        if (IsDigit(c)) return Number(start);
        if (c == '\'') return Text(start);
        if (c == '[') return BracketedName(start);
        TokenKind kind;
        switch (c) {
            case ',':
                kind = TokenKind::Comma;
                break;
            case '(':
                kind = TokenKind::LeftParen;
                break;
            case ')':
                kind = TokenKind::RightParen;
                break;
            case '=':
                kind = TokenKind::Equals;
                break;
            case '*':
                kind = TokenKind::Star;
                break;
            case '+':
                kind = TokenKind::Plus;
                break;
            case '-':
                kind = TokenKind::Minus;
                break;
            case ';':
                kind = TokenKind::Semicolon;
                break;
            default:
                return SyntaxAt(start, "unexpected " + DescribeByte(c));
        }
        ++pos_;
        return Token{kind, std::string(1, c), start + 1};
    }

    Result<Token> Word(size_t start) {
        while (pos_ < text_.size() && IsNamePart(text_[pos_])) ++pos_;
        std::string_view word = text_.substr(start, pos_ - start);
        return Token{KeywordOrIdentifier(word), std::string(word), start + 1};
    }

    Result<Token> Number(size_t start) {
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
        // "12abc" or "1.5" would otherwise lex as two tokens and give a confusing parser error.
        if (pos_ < text_.size() && (IsNamePart(text_[pos_]) || text_[pos_] == '.')) {
            return SyntaxAt(pos_, "unexpected " + DescribeByte(text_[pos_]) + " in a number");
        }
        return Token{TokenKind::Integer, std::string(text_.substr(start, pos_ - start)), start + 1};
    }

    Result<Token> Text(size_t start) {
        std::string content;
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c != '\'') {
                content.push_back(c);
            } else if (pos_ < text_.size() && text_[pos_] == '\'') {
                content.push_back('\'');
                ++pos_;
            } else {
                return Token{TokenKind::String, std::move(content), start + 1};
            }
        }
        return SyntaxAt(start, "unterminated text literal");
    }

    Result<Token> BracketedName(size_t start) {
        const size_t close = text_.find(']', start + 1);
        if (close == std::string_view::npos) return SyntaxAt(start, "unterminated [name]");
        if (close == start + 1) return SyntaxAt(start, "empty [name]");
        pos_ = close + 1;
        return Token{TokenKind::Identifier, std::string(text_.substr(start + 1, close - start - 1)), start + 1};
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

const char* TokenKindName(TokenKind kind) {
    switch (kind) {
        case TokenKind::Identifier:
            return "a name";
        case TokenKind::String:
            return "a text literal";
        case TokenKind::Integer:
            return "an integer";
        case TokenKind::Select:
            return "SELECT";
        case TokenKind::From:
            return "FROM";
        case TokenKind::Where:
            return "WHERE";
        case TokenKind::Insert:
            return "INSERT";
        case TokenKind::Into:
            return "INTO";
        case TokenKind::Values:
            return "VALUES";
        case TokenKind::Update:
            return "UPDATE";
        case TokenKind::Set:
            return "SET";
        case TokenKind::Delete:
            return "DELETE";
        case TokenKind::Null:
            return "NULL";
        case TokenKind::Comma:
            return "','";
        case TokenKind::LeftParen:
            return "'('";
        case TokenKind::RightParen:
            return "')'";
        case TokenKind::Equals:
            return "'='";
        case TokenKind::Star:
            return "'*'";
        case TokenKind::Plus:
            return "'+'";
        case TokenKind::Minus:
            return "'-'";
        case TokenKind::Semicolon:
            return "';'";
        case TokenKind::End:
            return "end of statement";
    }
    return "?";
}

std::string DescribeToken(const Token& token) {
    switch (token.kind) {
        case TokenKind::Identifier:
            return "name '" + token.text + "'";
        case TokenKind::String:
            return "text literal '" + token.text + "'";
        case TokenKind::Integer:
            return "integer " + token.text;
        case TokenKind::End:
            return "end of statement";
        default:
            break;
    }
    if (IsLetter(token.text.empty() ? ' ' : token.text[0])) return "keyword " + token.text;
    return "'" + token.text + "'";
}

Result<std::vector<Token>> Tokenize(std::string_view statement) {
    return Lexer(statement).Run();
}

}  // namespace jet
