#pragma once
// Variant: the value of one field of a Recordset, as ADO hands it to the product: Null, an integer or
// a text. Null and the empty text are different values.
//
// Invariants:
//  1. A Variant holds exactly one of Null, int64_t or UTF-8 text; a default Variant is Null.
//  2. Integer() and Text() may be called only on a Variant of that kind (asserted).

#include <cstdint>
#include <string>
#include <variant>

namespace jet {

class Variant {
  public:
    Variant() = default;
    explicit Variant(int64_t integer) : value_(integer) {}
    explicit Variant(std::string text) : value_(std::move(text)) {}

    bool IsNull() const { return value_.index() == 0; }
    bool IsInteger() const { return value_.index() == 1; }
    bool IsText() const { return value_.index() == 2; }

    int64_t Integer() const { return std::get<1>(value_); }
    const std::string& Text() const { return std::get<2>(value_); }

    // For messages and the console tool: Null, 12, "abc".
    std::string Describe() const {
        if (IsNull()) return "Null";
        if (IsInteger()) return std::to_string(Integer());
        return "\"" + Text() + "\"";
    }

    bool operator==(const Variant&) const = default;

  private:
    std::variant<std::monostate, int64_t, std::string> value_;
};

}  // namespace jet
