// QQ_form: the account commands' rows. The editor, the delete question and the import talk to the
// user (accounts/); what they decide is applied here, to config.dat and to the rows in step.
#include "app/qq_form.h"

#include <algorithm>
#include <cstdint>

#include "accounts/QQ_Add.h"
#include "accounts/account_logic.h"
#include "accounts/account_store.h"
#include "store/statements.h"
#include "win/listview.h"

// The import's rows: appended to the list's rows as the accounts come in; the list learns their
// number once, when the import is over (RefreshCommands).
class QQ_form::ImportedRows : public ImportRows {
  public:
    explicit ImportedRows(AccountList& rows) : rows_(rows) {}
    void Append(const std::string& number, const std::string& now) override {
        rows_.Append({number, now, kImageInvisible, true});
    }
    void RemoveLast() override { rows_.RemoveLast(); }

  private:
    AccountList& rows_;  // borrowed
};

void QQ_form::AddAccountCommand() {
    editRow_ = -1;
    globals_.EditAlias.clear();
    OpenEditor();
}

void QQ_form::EditAccountCommand() {
    if (!SingleSelected()) return NoticeNotSelected(*this);
    editRow_ = ListViewNextSelected(List());
    if (!rows_.Has(editRow_)) return;
    globals_.EditAlias = rows_.At(editRow_).alias;
    // A 16-bit row number cannot name every row of a long list; editRow_ keeps the real one.
    globals_.EditRow = static_cast<int16_t>(std::min(editRow_ + 1, static_cast<int>(INT16_MAX)));
    OpenEditor();
    editRow_ = -1;
}

// A file written elsewhere may give two accounts one alias; the delete statement takes them all, so
// their rows leave the list with the selected one and the list keeps showing only stored accounts.
void QQ_form::DeleteAccountCommand() {
    if (!SingleSelected()) return NoticeNotSelected(*this);
    if (!ConfirmDelete(*this)) return;
    int row = ListViewNextSelected(List());
    if (!rows_.Has(row)) return;
    std::string alias = rows_.At(row).alias;
    // A delete the engine refused leaves the account stored: its row stays, and the user hears why.
    if (!RunChange(db_, DeleteAccountStatement(alias)).ok()) return NoticeDeleteFailed(*this);
    // The list's selection is by position: the rows after the deleted one move up under it.
    ListViewSelectNone(List());
    rows_.Remove(row);
    std::vector<int> named = rows_.RowsNamed(alias);
    for (auto it = named.rbegin(); it != named.rend(); ++it) rows_.Remove(*it);
    RefreshCommands();
    RedrawList();
}

void QQ_form::ImportCommand() {
    ImportedRows rows(rows_);
    ImportAccountList(*this, rows);
}

Status QQ_form::Save(const AccountSave& save) {
    Status saved = save.mode == EditorMode::Edit ? SaveEdit(save) : SaveNew(save);
    RefreshCommands();
    return saved;
}

// The row changes before the statement runs; the last-login column is not touched.
Status QQ_form::SaveEdit(const AccountSave& save) {
    if (rows_.Has(editRow_)) {
        rows_.Rename(editRow_, save.alias);
        rows_.SetImage(editRow_, ImageForStatus(save.status));
        rows_.SetTicked(editRow_, true);
        ListViewSetSelected(List(), editRow_, false);
        ListViewRedrawRow(List(), editRow_);
    }
    return RunChange(db_, UpdateAccountStatement(save.alias, save.status, save.hash, save.number));
}

// A new row goes at the end, ticked and not selected, and is taken back when its insert fails.
Status QQ_form::SaveNew(const AccountSave& save) {
    std::string now = FormatTimeText(services_.clock->Now());
    rows_.Append({save.alias, now, ImageForStatus(save.status), true});
    Status inserted = RunChange(db_, InsertAccountStatement(save.alias, save.number, save.status, now, save.hash));
    if (!inserted.ok()) rows_.RemoveLast();
    return inserted;
}
