#include "jet/sql/parser.h"

#include <charconv>
#include <utility>
#include <vector>

#include "jet/sql/lexer.h"

namespace jet {
namespace {

class Parser {
  public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    Result<Statement> Run() {
        Result<Statement> statement = StatementByKeyword();
        if (!statement) return statement;
        Accept(TokenKind::Semicolon);
        KESTRIN_TRY(Expect(TokenKind::End));
        return statement;
    }

  private:
    const Token& Peek() const { return tokens_[next_]; }

    // The End token is never consumed, so Peek stays inside tokens_.
    const Token& Take() {
        const Token& token = tokens_[next_];
        if (token.kind != TokenKind::End) ++next_;
        return token;
    }

    bool Accept(TokenKind kind) {
        if (Peek().kind != kind) return false;
        Take();
        return true;
    }

    Status Unexpected(const char* expected) const {
        const Token& found = Peek();
        return Status(ErrorCode::Syntax, std::string("expected ") + expected + ", found " + DescribeToken(found) +
                                             " at position " + std::to_string(found.position));
    }

    Status Expect(TokenKind kind) {
        if (Accept(kind)) return Status::Ok();
        return Unexpected(TokenKindName(kind));
    }

    Result<Name> ParseName(const char* role) {
        if (Peek().kind != TokenKind::Identifier) return Unexpected(role);
        const Token& token = Take();
        return Name{token.text, token.position};
    }

    Result<Literal> ParseLiteral() {
        const Token& first = Peek();
        Literal literal;
        literal.position = first.position;
        if (Accept(TokenKind::Null)) return literal;
        if (Accept(TokenKind::String)) {
            literal.kind = Literal::Kind::Text;
            literal.text = first.text;
            return literal;
        }
        bool negative = false;
        if (Accept(TokenKind::Minus)) {
            negative = true;
        } else {
            Accept(TokenKind::Plus);
        }
        if (Peek().kind != TokenKind::Integer) return Unexpected("a value ('text', an integer or NULL)");
        literal.kind = Literal::Kind::Integer;
        KESTRIN_TRY(ToInteger(Take(), negative, literal));
        return literal;
    }

    static Status ToInteger(const Token& digits, bool negative, Literal& literal) {
        // Parse with the sign attached so that the most negative 64-bit value is representable.
        std::string signedDigits = (negative ? "-" : "") + digits.text;
        const char* end = signedDigits.data() + signedDigits.size();
        auto [stop, error] = std::from_chars(signedDigits.data(), end, literal.integer);
        if (error != std::errc() || stop != end) {
            return Status(ErrorCode::TooLarge,
                          "integer " + signedDigits + " out of range at position " + std::to_string(digits.position));
        }
        return Status::Ok();
    }

    Result<Comparison> ParseComparison() {
        Result<Name> column = ParseName("a column name");
        if (!column) return column.status();
        KESTRIN_TRY(Expect(TokenKind::Equals));
        Result<Literal> value = ParseLiteral();
        if (!value) return value.status();
        return Comparison{std::move(*column), std::move(*value)};
    }

    Result<std::optional<Comparison>> ParseOptionalWhere() {
        if (!Accept(TokenKind::Where)) return std::optional<Comparison>();
        Result<Comparison> comparison = ParseComparison();
        if (!comparison) return comparison.status();
        return std::optional<Comparison>(std::move(*comparison));
    }

    Result<Statement> StatementByKeyword() {
        if (Accept(TokenKind::Select)) return Select();
        if (Accept(TokenKind::Insert)) return Insert();
        if (Accept(TokenKind::Update)) return Update();
        if (Accept(TokenKind::Delete)) return Delete();
        return Unexpected("SELECT, INSERT, UPDATE or DELETE");
    }

    Result<Statement> Select() {
        SelectStatement select;
        if (!Accept(TokenKind::Star)) {
            do {
                Result<Name> column = ParseName("a column name or '*'");
                if (!column) return column.status();
                select.columns.push_back(std::move(*column));
            } while (Accept(TokenKind::Comma));
        }
        KESTRIN_TRY(Expect(TokenKind::From));
        Result<Name> table = ParseName("a table name");
        if (!table) return table.status();
        select.table = std::move(*table);
        Result<std::optional<Comparison>> where = ParseOptionalWhere();
        if (!where) return where.status();
        select.where = std::move(*where);
        return Statement(std::move(select));
    }

    Result<Statement> Insert() {
        InsertStatement insert;
        KESTRIN_TRY(Expect(TokenKind::Into));
        Result<Name> table = ParseName("a table name");
        if (!table) return table.status();
        insert.table = std::move(*table);
        KESTRIN_TRY(Expect(TokenKind::LeftParen));
        do {
            Result<Name> column = ParseName("a column name");
            if (!column) return column.status();
            insert.columns.push_back(std::move(*column));
        } while (Accept(TokenKind::Comma));
        KESTRIN_TRY(Expect(TokenKind::RightParen));
        const size_t valuesAt = Peek().position;
        KESTRIN_TRY(Expect(TokenKind::Values));
        KESTRIN_TRY(Expect(TokenKind::LeftParen));
        do {
            Result<Literal> value = ParseLiteral();
            if (!value) return value.status();
            insert.values.push_back(std::move(*value));
        } while (Accept(TokenKind::Comma));
        KESTRIN_TRY(Expect(TokenKind::RightParen));
        if (insert.values.size() != insert.columns.size()) {
            const size_t count = insert.values.size();
            return Status(ErrorCode::Syntax, std::to_string(insert.columns.size()) + " columns but " +
                                                 std::to_string(count) + (count == 1 ? " value" : " values") +
                                                 " at position " + std::to_string(valuesAt));
        }
        return Statement(std::move(insert));
    }

    Result<Statement> Update() {
        UpdateStatement update;
        Result<Name> table = ParseName("a table name");
        if (!table) return table.status();
        update.table = std::move(*table);
        KESTRIN_TRY(Expect(TokenKind::Set));
        do {
            Result<Comparison> assignment = ParseComparison();
            if (!assignment) return assignment.status();
            update.assignments.push_back(std::move(*assignment));
        } while (Accept(TokenKind::Comma));
        Result<std::optional<Comparison>> where = ParseOptionalWhere();
        if (!where) return where.status();
        update.where = std::move(*where);
        return Statement(std::move(update));
    }

    Result<Statement> Delete() {
        DeleteStatement del;
        KESTRIN_TRY(Expect(TokenKind::From));
        Result<Name> table = ParseName("a table name");
        if (!table) return table.status();
        del.table = std::move(*table);
        // WHERE is required: a DELETE of every row is never what the product means to run.
        KESTRIN_TRY(Expect(TokenKind::Where));
        Result<Comparison> where = ParseComparison();
        if (!where) return where.status();
        del.where = std::move(*where);
        return Statement(std::move(del));
    }

    std::vector<Token> tokens_;
    size_t next_ = 0;
};

}  // namespace

Result<Statement> ParseStatement(std::string_view text) {
    Result<std::vector<Token>> tokens = Tokenize(text);
    if (!tokens) return tokens.status();
    return Parser(std::move(*tokens)).Run();
}

}  // namespace jet
