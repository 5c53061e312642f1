#include "login/login_core.h"

#include "jet/sql/connection.h"
#include "login/login_text.h"
#include "store/statements.h"

namespace {

// A field as the command line takes it. A Null has no text: building the line from it would start
// the client without a number or hash, so it is a failure of the run instead.
Result<std::string> FieldText(const jet::Recordset& rows, const char* name) {
    auto field = rows.Fields(name);
    if (!field.ok()) return field.status();
    const jet::Variant value = field->Value();
    if (value.IsText()) return value.Text();
    if (value.IsInteger()) return std::to_string(value.Integer());
    return Status(ErrorCode::TypeMismatch, std::string("zk_auto_qqlist: ") + name + " is Null");
}

Status Run(AccountDb& db, const std::string& statement) {
    auto done = db.Conn().Execute(statement);
    return done.ok() ? Status::Ok() : done.status();
}

// A run's changes go in transactions: the unticked rows' marks ride along with the next commit, and
// a client starts only once its stamp is committed, so a long list costs one sync per started
// client, not one per row. A failure commits what came before it, which stays done.
Status CommitSoFar(AccountDb& db) {
    jet::Connection& conn = db.Conn();
    if (!conn.InTrans()) return Status::Ok();
    KESTRIN_TRY(conn.CommitTrans());
    return conn.BeginTrans();
}

template <typename Rows>
Status InTransactions(AccountDb& db, Rows rows) {
    KESTRIN_TRY(db.Conn().BeginTrans());
    Status done = rows();
    Status committed = db.Conn().InTrans() ? db.Conn().CommitTrans() : Status::Ok();
    return done.ok() ? committed : done;
}

// The checks every run starts with. False when the run must not go on.
bool PassesChecks(LoginContext& run) {
    if (run.host.RowCount() == 0) {
        run.host.Show(LoginMessage::NoAccounts);
        return false;
    }
    if (run.qqPath.empty()) {
        // Even a path chosen in the dialog does not resume this run: the user clicks again.
        run.host.Show(LoginMessage::NoQQPath);
        run.host.ShowSettings();
        return false;
    }
    return true;
}

// Rows in list order: the unticked are marked inactive, the ticked launched. Counts the ticked.
Status LaunchTickedRows(LoginContext& run, int& launched) {
    return InTransactions(run.db, [&]() -> Status {
        const int rowCount = run.host.RowCount();
        for (int row = 1; row <= rowCount; ++row) {
            std::string alias = run.host.RowText(row);
            if (!run.host.RowTicked(row)) {
                KESTRIN_TRY(Run(run.db, DeactivateStatement(alias)));
                continue;
            }
            ++launched;
            KESTRIN_TRY(LaunchAccount(run, row, alias));
        }
        return Status::Ok();
    });
}

Status LaunchSelectedRows(LoginContext& run) {
    return InTransactions(run.db, [&]() -> Status {
        const int rowCount = run.host.RowCount();
        for (int row = 1; row <= rowCount; ++row) {
            if (run.host.RowSelected(row)) KESTRIN_TRY(LaunchAccount(run, row, run.host.RowText(row)));
        }
        return Status::Ok();
    });
}

}  // namespace

Status LaunchAccount(LoginContext& run, int row, const std::string& alias) {
    std::string timeText = FormatTimeText(run.services.clock->Now());
    run.host.SetRowLastLogin(row, timeText);
    KESTRIN_TRY(Run(run.db, StampStatement(timeText, alias)));
    auto rows = run.db.Conn().Execute(SelectLoginFieldsStatement(alias));
    if (!rows.ok()) return rows.status();
    if (rows->Eof()) return Status::Ok();
    auto number = FieldText(*rows, "A_QQ");
    auto stat = FieldText(*rows, "A_stat");
    auto hash = FieldText(*rows, "A_pass");
    rows->Close();
    for (const auto* part : {&number, &stat, &hash}) {
        if (!part->ok()) return part->status();
    }
    // A row edited in another program must not add switches of its own to the client's command line.
    if (!SoundLoginFields(*number, *hash, *stat)) {
        return Status(ErrorCode::Corrupt, "zk_auto_qqlist: the account " + alias + " holds no sound login");
    }
    KESTRIN_TRY(CommitSoFar(run.db));
    const std::string& program = run.qqPath;
    if (!run.services.processes->Start(program, LoginCommandLine(program, *number, *hash, *stat))) {
        return Status(ErrorCode::Io, "the QQ client cannot be started: " + program);
    }
    return Status::Ok();
}

void RunLoginTicked(LoginContext& run) {
    if (!PassesChecks(run)) return;
    run.host.EnableLoginButton(false);
    int launched = 0;
    // OpenDb reports its own failure (and ends the program); nothing is left to undo but the button.
    if (!run.db.OpenDb().ok()) {
        run.host.EnableLoginButton(true);
        return;
    }
    Status done = LaunchTickedRows(run, launched);
    Status closed = run.db.CloseDb();
    run.host.EnableLoginButton(true);
    if (!done.ok() || !closed.ok()) {
        run.host.Show(LoginMessage::Failure);
        return;
    }
    run.host.FocusLoginButton();
    if (launched == 0) {
        run.host.Show(LoginMessage::NoneTicked);
    } else if (run.exitAfterLogin) {
        run.host.Quit();
    } else {
        run.host.Minimise();
    }
}

void RunLoginSelected(LoginContext& run) {
    if (!PassesChecks(run)) return;
    if (!run.host.SingleSelected()) {
        run.host.Show(LoginMessage::NoneSelected);
        return;
    }
    if (!run.db.OpenDb().ok()) return;
    Status done = LaunchSelectedRows(run);
    Status closed = run.db.CloseDb();
    if (!done.ok() || !closed.ok()) run.host.Show(LoginMessage::Failure);
}
