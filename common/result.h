#pragma once
// Error values for the portable core. Functions return Status or Result<T>; nothing throws across
// a layer boundary. The message carries the context ("config.dat: table zk_auto_qqlist: ...").

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

enum class ErrorCode {
    Ok = 0,
    InvalidArgument,  // the caller asked for something malformed
    NotFound,         // no such file, table, column or row
    Io,               // the operating system refused a read, write, sync or lock
    Locked,           // another connection or process holds the file
    NotJet4,          // not a Jet 4.0 database (other format or version, empty file)
    BadPassword,      // the database password does not match
    Corrupt,          // the file is damaged; it is never written
    Constraint,       // a unique or required index refused the change
    Syntax,           // a statement outside the supported SQL
    TypeMismatch,     // a value that the column's type cannot hold
    Unsupported,      // valid but beyond what this engine does (e.g. an unknown sort order)
    TooLarge,         // a row, value or file over a limit
};

const char* ErrorCodeName(ErrorCode code);

class [[nodiscard]] Status {
public:
    Status() = default;
    Status(ErrorCode code, std::string message) : code_(code), message_(std::move(message)) {
        assert(code != ErrorCode::Ok);
    }
    static Status Ok() { return Status(); }

    bool ok() const { return code_ == ErrorCode::Ok; }
    explicit operator bool() const { return ok(); }
    ErrorCode code() const { return code_; }
    const std::string& message() const { return message_; }
    const Status& status() const { return *this; }  // so KESTRIN_TRY takes a Status or a Result
    // "Corrupt: <message>", for logs and command-line tools.
    std::string ToString() const;

    // Prefixes the message with more context: Status(...).WithContext("config.dat").
    Status WithContext(const std::string& context) const&;

private:
    ErrorCode code_ = ErrorCode::Ok;
    std::string message_;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Status status) : status_(std::move(status)) { assert(!status_.ok()); }
    Result(ErrorCode code, std::string message) : status_(code, std::move(message)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Status& status() const { return status_; }
    ErrorCode code() const { return status_.code(); }

    T& value() & {
        assert(ok());
        return *value_;
    }
    const T& value() const& {
        assert(ok());
        return *value_;
    }
    T&& value() && {
        assert(ok());
        return std::move(*value_);
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

private:
    std::optional<T> value_;
    Status status_;
};

// Propagates a failed Status or Result from the enclosing function.
#define KESTRIN_TRY(expr)                                        \
    do {                                                         \
        auto&& kestrinTryValue_ = (expr);                        \
        if (!kestrinTryValue_.ok()) return kestrinTryValue_.status(); \
    } while (0)
