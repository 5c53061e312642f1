#include "common/result.h"

const char* ErrorCodeName(ErrorCode code) {
    switch (code) {
        case ErrorCode::Ok: return "Ok";
        case ErrorCode::InvalidArgument: return "InvalidArgument";
        case ErrorCode::NotFound: return "NotFound";
        case ErrorCode::Io: return "Io";
        case ErrorCode::Locked: return "Locked";
        case ErrorCode::NotJet4: return "NotJet4";
        case ErrorCode::BadPassword: return "BadPassword";
        case ErrorCode::Corrupt: return "Corrupt";
        case ErrorCode::Constraint: return "Constraint";
        case ErrorCode::Syntax: return "Syntax";
        case ErrorCode::TypeMismatch: return "TypeMismatch";
        case ErrorCode::Unsupported: return "Unsupported";
        case ErrorCode::TooLarge: return "TooLarge";
    }
    return "Unknown";
}

std::string Status::ToString() const {
    if (ok()) return "Ok";
    return std::string(ErrorCodeName(code_)) + ": " + message_;
}

Status Status::WithContext(const std::string& context) const& {
    if (ok()) return *this;
    return Status(code_, context + ": " + message_);
}
