#include "accounts/import_run.h"

#include <set>

#include "accounts/account_logic.h"
#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/sql_text.h"

namespace {

// Every account is stored, durably, before the next line is read, as the import has always done:
// what the list shows is in config.dat even if the program dies half-way. The connection stays open
// for the whole list, so the file is opened once. (Batching lines into one commit is what this
// constant would change; the list and the count are put back to what was stored either way.)
constexpr int kLinesPerCommit = 1;

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
    auto stored = conn_.Execute("select A_QQ from zk_auto_qqlist where A_QQ=" + SqlQuote(number));
    if (!stored.ok()) return stored.status();
    // Imported accounts take their number as alias; another account of that alias would share it.
    return stored->Eof() && aliases_.count(number) == 0;
}

Status ImportSession::Import(const ImportLine& line) {
    std::string now = FormatTimeText(clock_.Now());
    rows_.Append(line.number, now);
    std::string hash = ImportPasswordHash(file_.Ansi(), line.password);
    auto inserted = conn_.Execute(InsertAccountStatement(line.number, line.number, "0", now, hash));
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

// A failure before the pending rows were committed: they and their list rows go.
Status ImportSession::Abandon(const Status& failure) {
    conn_.RollbackTrans();
    TakeBackPendingRows(pending_);
    pending_ = 0;
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
