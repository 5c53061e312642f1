#include "accounts/account_store.h"

#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/statements.h"

namespace {

std::string TextOf(const jet::Variant& v) {
    if (v.IsText()) return v.Text();
    if (v.IsInteger()) return std::to_string(v.Integer());
    return {};
}

// Closes the connection on every path out of a call, keeping the first error.
Status Finish(AccountDb& db, Status work) {
    Status closed = db.CloseDb();
    return work.ok() ? closed : work;
}

}  // namespace

Result<int> DbLookups::QQExists(const std::string& number) {
    return db_.QQExists(number);
}

Result<int> DbLookups::NameExists(const std::string& alias) {
    return db_.NameExists(alias);
}

Result<bool> DbLookups::AliasUsedByAnotherNumber(const std::string& alias, const std::string& number) {
    KESTRIN_TRY(db_.OpenDb());
    auto rows = db_.Conn().Execute(SelectAliasNumbersStatement(alias));
    if (!rows.ok()) return Finish(db_, rows.status());
    bool other = false;
    for (; !rows->Eof() && !other; (void)rows->MoveNext()) {
        auto field = rows->Fields("A_QQ");
        other = !field.ok() || TextOf(field->Value()) != number;
    }
    rows->Close();
    KESTRIN_TRY(db_.CloseDb());
    return other;
}

Result<std::optional<EditTarget>> ReadEditTarget(AccountDb& db, const std::string& alias) {
    KESTRIN_TRY(db.OpenDb());
    auto rows = db.Conn().Execute(SelectEditFieldsStatement(alias));
    if (!rows.ok()) return Finish(db, rows.status());
    std::optional<EditTarget> target;
    if (!rows->Eof()) {
        auto number = rows->Fields("A_QQ");
        auto stat = rows->Fields("A_stat");
        if (!number.ok() || !stat.ok()) return Finish(db, number.ok() ? stat.status() : number.status());
        target = EditTarget{TextOf(number->Value()), std::nullopt};
        if (stat->Value().IsInteger()) target->stat = stat->Value().Integer();
    }
    rows->Close();
    KESTRIN_TRY(db.CloseDb());
    return target;
}

Status RunChange(AccountDb& db, const std::string& statement) {
    KESTRIN_TRY(db.OpenDb());
    auto changed = db.Conn().Execute(statement);
    return Finish(db, changed.ok() ? Status::Ok() : changed.status());
}
