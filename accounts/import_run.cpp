#include "accounts/import_run.h"

#include <set>

#include "accounts/account_logic.h"
#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/statements.h"

namespace {

// Accounts are committed in batches: a durable commit costs a sync of the disk, which per line
// would be most of a long import's time. Each insert is visible to the next line's look-up at once,
// so a repeated number still comes in at its first line only; a failure commits what came in before
// it, and whatever a commit could not store leaves the list again. Should the program die
// half-way, its list goes with it and the next start shows what was stored.
constexpr int kLinesPerCommit = 200;

class ImportSession {
  public:
    ImportSession(jet::Connection& conn, ImportReader& file, Clock& clock, ImportRows& rows)
        : conn_(conn), file_(file), clock_(clock), rows_(rows) {}

    Status Run();
    int Count() const { return committed_; }

  private:
    Status ReadStoredAliases();
    Result<bool> IsNewNumber(const std::string& number);
    Status Import(const ImportLine& line);
    Status Commit();
    void TakeBackPendingRows(int extra);
    Status Abandon(const Status& failure);

    jet::Connection& conn_;  // borrowed, open
    ImportReader& file_;
    Clock& clock_;
    ImportRows& rows_;
    // The aliases stored before the import. Only digit strings are looked up in it, which have no
    // case, so exact comparison agrees with the engine's. Accounts of this import take their number
    // as alias and are caught by the number look-up, so the unindexed alias column is read once.
    std::set<std::string> aliases_;
    int committed_ = 0;
    int pending_ = 0;  // rows inserted since the last commit
};

Status ImportSession::ReadStoredAliases() {
    for (const auto& account : ReadStoredAccounts(conn_)) aliases_.insert(account.name);
    return Status::Ok();
}

// Whether the line's number may come in; an error ends the import.
Result<bool> ImportSession::IsNewNumber(const std::string& number) {
    // A number that is not all digits is skipped without a look-up: the look-up could only say that
    // no stored number is spelled so.
    if (!AllDigits(number)) return false;
    auto stored = conn_.Execute(SelectNumberStatement(number));
    if (!stored.ok()) return stored.status();
    // Imported accounts take their number as alias; another account of that alias would share it.
    return stored->Eof() && aliases_.count(number) == 0;
}

Status ImportSession::Import(const ImportLine& line) {
    std::string now = FormatTimeText(clock_.Now());
    rows_.Append(line.number, now);
    std::string hash = ImportPasswordHash(file_.Ansi(), line.password);
    auto inserted = conn_.Execute(InsertAccountStatement(line.number, line.number, LoginStatus::Invisible, now, hash));
    if (!inserted.ok()) {
        // The engine keeps the batch when it refused the row before writing; the commit says which.
        Status kept = conn_.CommitTrans();
        if (kept.ok()) committed_ += pending_;
        TakeBackPendingRows(kept.ok() ? 1 : pending_ + 1);
        pending_ = 0;
        return inserted.status();
    }
    ++pending_;
    return pending_ == kLinesPerCommit ? Commit() : Status::Ok();
}

Status ImportSession::Commit() {
    Status committed = conn_.CommitTrans();
    if (!committed.ok()) {
        TakeBackPendingRows(pending_);
        pending_ = 0;
        return committed;
    }
    committed_ += pending_;
    pending_ = 0;
    return conn_.BeginTrans();
}

void ImportSession::TakeBackPendingRows(int count) {
    for (int i = 0; i < count; ++i) rows_.RemoveLast();
}

// A failure that ends the import (reading the file, a look-up): the lines before it stay.
Status ImportSession::Abandon(const Status& failure) {
    (void)Commit();
    return failure;
}

Status ImportSession::Run() {
    KESTRIN_TRY(ReadStoredAliases());
    KESTRIN_TRY(conn_.BeginTrans());
    std::string text;
    for (;;) {
        auto more = file_.NextLine(text);
        if (!more.ok()) return Abandon(more.status());
        if (!*more) break;
        auto line = ParseImportLine(text);
        if (!line) continue;
        auto isNew = IsNewNumber(line->number);
        if (!isNew.ok()) return Abandon(isNew.status());
        if (*isNew) KESTRIN_TRY(Import(*line));
    }
    return Commit();
}

}  // namespace

ImportOutcome ImportAccounts(AccountDb& db, ImportSource& file, Clock& clock, ImportRows& rows) {
    ImportOutcome outcome;
    ImportReader reader(file);
    outcome.failure = reader.Open();
    if (!outcome.failure.ok()) return outcome;
    outcome.failure = db.OpenDb();
    if (!outcome.failure.ok()) return outcome;
    ImportSession session(db.Conn(), reader, clock, rows);
    outcome.failure = session.Run();
    outcome.count = session.Count();
    db.Conn().RollbackTrans();  // the one Commit began after the last batch holds nothing
    Status closed = db.CloseDb();
    if (outcome.failure.ok()) outcome.failure = closed;
    return outcome;
}
