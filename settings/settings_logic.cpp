#include "settings/settings_logic.h"

#include <limits>

#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/statements.h"

std::string RemoveApostrophes(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (c != '\'') kept.push_back(c);
    }
    return kept;
}

size_t CharacterCount(std::string_view utf8) {
    size_t count = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        // Continuation bytes belong to the character before them, unless nothing came before.
        if ((byte & 0xC0) != 0x80 || i == 0) ++count;
    }
    return count;
}

bool PathAccepted(std::string_view path) {
    return CharacterCount(path) >= kMinPathChars;
}

namespace {

DbOutcome RunUpdate(AccountDb& db, const std::string& statement) {
    if (!db.OpenDb().ok()) return DbOutcome::Unusable;
    bool changed = db.Conn().Execute(statement).ok();
    bool closed = db.CloseDb().ok();
    return changed && closed ? DbOutcome::Done : DbOutcome::Failed;
}

}  // namespace

DbOutcome StoreQQPath(AccountDb& db, std::string_view path) {
    return RunUpdate(db, StoreQQPathStatement(path));
}

DbOutcome StoreStartupPassword(AccountDb& db, std::string_view password) {
    return RunUpdate(db, StorePasswordStatement(password));
}

DbOutcome ReadStartupPassword(AccountDb& db, std::string& stored) {
    stored.clear();
    if (!db.OpenDb().ok()) return DbOutcome::Unusable;
    bool read = false;
    if (auto rows = db.Conn().Execute(SelectStartupPasswordStatement()); rows.ok()) {
        read = true;
        if (!rows->Eof()) {
            auto field = rows->Fields("S_pass");
            read = field.ok();
            if (read && field->Value().IsText()) stored = field->Value().Text();
        }
        rows->Close();
    }
    bool closed = db.CloseDb().ok();
    if (read && closed) return DbOutcome::Done;
    stored.clear();
    return DbOutcome::Failed;
}

LoginStep LoginTries::Press(std::string_view entry) {
    if (attemptCount_ < std::numeric_limits<int16_t>::max()) ++attemptCount_;
    if (attemptCount_ > kLoginTries) return LoginStep::Locked;
    if (entry.empty()) return LoginStep::NoEntry;
    if (HasOuterBlanks(entry)) return LoginStep::BlankPadded;
    return LoginStep::Compare;
}

bool HasOuterBlanks(std::string_view entry) {
    return !entry.empty() && (entry.front() == ' ' || entry.back() == ' ');
}

bool PasswordMatches(std::string_view entry, std::string_view stored) {
    return entry == stored;
}
