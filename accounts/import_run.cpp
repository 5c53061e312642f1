#include "accounts/import_run.h"

#include "accounts/account_logic.h"
#include "accounts/account_store.h"
#include "store/account_db.h"

namespace {

// Whether the line's number may come in; an error ends the import.
Result<bool> IsNewNumber(AccountDb& db, const std::string& number) {
    // A number that is not all digits is skipped without a look-up: the look-up could only say that
    // no stored number is spelled so.
    if (!AllDigits(number)) return false;
    auto stored = db.QQExists(number);
    if (!stored.ok()) return stored.status();
    if (*stored != 0) return false;
    // Imported accounts take their number as alias; another account of that alias would share it.
    auto aliasTaken = db.NameExists(number);
    if (!aliasTaken.ok()) return aliasTaken.status();
    return *aliasTaken == 0;
}

Status ImportLineAccount(AccountDb& db, const ImportText& file, const ImportLine& line, Clock& clock,
                         ImportRows& rows) {
    std::string now = FormatTimeText(clock.Now());
    rows.Append(line.number, now);
    std::string hash = ImportPasswordHash(file, line.password);
    Status stored = RunChange(db, InsertAccountStatement(line.number, line.number, "0", now, hash));
    if (!stored.ok()) rows.RemoveLast();
    return stored;
}

}  // namespace

ImportOutcome ImportAccounts(AccountDb& db, const ImportText& file, Clock& clock, ImportRows& rows) {
    ImportOutcome outcome;
    for (std::string_view text : SplitImportLines(file.text)) {
        auto line = ParseImportLine(text);
        if (!line) continue;
        auto isNew = IsNewNumber(db, line->number);
        if (!isNew.ok()) {
            outcome.failure = isNew.status();
            break;
        }
        if (!*isNew) continue;
        outcome.failure = ImportLineAccount(db, file, *line, clock, rows);
        if (!outcome.failure.ok()) break;
        ++outcome.count;
    }
    return outcome;
}
