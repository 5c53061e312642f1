#include "accounts/account_logic.h"

#include "store/sql_text.h"

std::wstring KeepDigits(std::wstring_view text) {
    std::wstring digits;
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9') digits.push_back(c);
    }
    return digits;
}

std::string StatusText(bool invisibleTicked) {
    return invisibleTicked ? "0" : "1";
}

int ImageForStatusText(std::string_view status) {
    return status == "1" ? kImageOnline : kImageInvisible;
}

Result<SaveRefusal> CheckSave(const SaveInput& input, AccountLookups& lookups) {
    if (input.number.empty()) return SaveRefusal::NumberEmpty;
    if (input.passwordEmpty) return SaveRefusal::PasswordEmpty;
    if (input.alias.empty()) return SaveRefusal::AliasEmpty;
    if (input.mode == EditorMode::Add) {
        auto numberFound = lookups.QQExists(input.number);
        if (!numberFound.ok()) return numberFound.status();
        if (*numberFound == 1) return SaveRefusal::NumberExists;
        auto aliasFound = lookups.NameExists(input.alias);
        if (!aliasFound.ok()) return aliasFound.status();
        if (*aliasFound == 1) return SaveRefusal::AliasExists;
        return SaveRefusal::Ok;
    }
    auto numberFound = lookups.QQExists(input.number);
    if (!numberFound.ok()) return numberFound.status();
    if (*numberFound == 0) return SaveRefusal::NumberMissing;
    // An edit may keep its own alias, but taking another account's alias would make a later login
    // or delete by alias reach both accounts.
    auto taken = lookups.AliasUsedByAnotherNumber(input.alias, input.number);
    if (!taken.ok()) return taken.status();
    return *taken ? SaveRefusal::AliasExists : SaveRefusal::Ok;
}

std::string InsertAccountStatement(const std::string& alias, const std::string& number, const std::string& status,
                                   const std::string& now, const std::string& hash) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" + SqlQuote(alias) + "," +
           SqlQuote(number) + ",1," + status + "," + SqlQuote(now) + "," + SqlQuote(hash) + ")";
}

std::string UpdateAccountStatement(const std::string& alias, const std::string& status, const std::string& hash,
                                   const std::string& number) {
    return "update zk_auto_qqlist set A_Name=" + SqlQuote(alias) + ",A_stat=" + SqlQuote(status) +
           ",A_pass=" + SqlQuote(hash) + " where A_QQ=" + SqlQuote(number);
}

std::string DeleteAccountStatement(const std::string& alias) {
    return "delete from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}

std::string EditTargetQuery(const std::string& alias) {
    return "select A_QQ,A_stat from zk_auto_qqlist where A_Name = " + SqlQuote(alias);
}
