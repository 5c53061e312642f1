#include "store/statements.h"

#include "store/sql_text.h"

namespace {

std::string Digit(bool value) {
    return value ? "1" : "0";
}

std::string Digit(LoginStatus status) {
    return Digit(status == LoginStatus::Online);
}

}  // namespace

std::string SelectAccountsStatement() {
    return "select A_Name,A_activ,A_stat,A_last from zk_auto_qqlist";
}

std::string SelectNumberStatement(std::string_view number) {
    return "select A_QQ from zk_auto_qqlist where A_QQ=" + SqlQuote(number);
}

std::string SelectAliasStatement(std::string_view alias) {
    return "select A_Name from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}

std::string SelectAliasNumbersStatement(std::string_view alias) {
    return "select A_QQ from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}

std::string SelectEditFieldsStatement(std::string_view alias) {
    return "select A_QQ,A_stat from zk_auto_qqlist where A_Name = " + SqlQuote(alias);
}

std::string SelectLoginFieldsStatement(std::string_view alias) {
    return "select A_QQ,A_stat,A_pass from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}

std::string InsertAccountStatement(std::string_view alias, std::string_view number, LoginStatus status,
                                   std::string_view now, std::string_view hash) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" + SqlQuote(alias) + "," +
           SqlQuote(number) + ",1," + Digit(status) + "," + SqlQuote(now) + "," + SqlQuote(hash) + ")";
}

std::string UpdateAccountStatement(std::string_view alias, LoginStatus status, std::string_view hash,
                                   std::string_view number) {
    return "update zk_auto_qqlist set A_Name=" + SqlQuote(alias) + ",A_stat=" + SqlQuote(Digit(status)) +
           ",A_pass=" + SqlQuote(hash) + " where A_QQ=" + SqlQuote(number);
}

std::string DeleteAccountStatement(std::string_view alias) {
    return "delete from zk_auto_qqlist where A_Name=" + SqlQuote(alias);
}

std::string DeactivateStatement(std::string_view alias) {
    return "update zk_auto_qqlist set A_activ=0 where A_Name=" + SqlQuote(alias);
}

std::string StampStatement(std::string_view timeText, std::string_view alias) {
    return "update zk_auto_qqlist set A_activ=1,A_last=" + SqlQuote(timeText) + " where A_Name=" + SqlQuote(alias);
}

std::string SelectPathAndExitFlagStatement() {
    return "select S_QQpath,S_AQ from zk_auto_sys";
}

std::string SelectStartupPasswordStatement() {
    return "select S_pass from zk_auto_sys";
}

std::string StoreQQPathStatement(std::string_view path) {
    return "update zk_auto_sys set S_QQpath=" + SqlQuote(path);
}

std::string StorePasswordStatement(std::string_view password) {
    return "update zk_auto_sys set S_pass=" + SqlQuote(password);
}

std::string StoreExitAfterLoginStatement(bool exitAfterLogin) {
    return "update zk_auto_sys set S_AQ=" + SqlQuote(Digit(exitAfterLogin));
}
