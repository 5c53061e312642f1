#pragma once
// Statements: every statement Kestrin runs against config.dat, one function each, so that each one's
// text is built in one place. Callers pass typed values; the functions return the text to Execute.
// Invariants:
//   1. Each function returns exactly the text the program has always run: stored files and the
//      engine rely on these shapes (the editor's status bare in its insert and quoted in its update,
//      the blanks around "=" in the edit target's read, the exit flag quoted), so any change to one
//      is a change of what config.dat holds.
//   2. Every text value passes through SqlQuote, so an alias such as O'Neil is stored as typed and a
//      value can never end its literal early or widen a condition.
//   3. Numbers and Booleans are written as the decimal digits the columns hold: a status as 0 or 1,
//      the exit flag as '0' or '1', A_activ as 0 or 1.
//   4. The settings statements carry no condition: zk_auto_sys has the one row, and they change it.
// Tables: zk_auto_qqlist (A_Name alias, A_QQ number, A_activ ticked, A_stat status, A_last last
// login, A_pass password hash) and zk_auto_sys (S_QQpath, S_pass start-up password, S_AQ exit flag).

#include <string>
#include <string_view>

// A_stat: how the client logs the account in.
enum class LoginStatus { Invisible = 0, Online = 1 };

// zk_auto_qqlist
std::string SelectAccountsStatement();                            // A_Name,A_activ,A_stat,A_last of every row
std::string SelectNumberStatement(std::string_view number);       // A_QQ by A_QQ: the number look-up
std::string SelectAliasStatement(std::string_view alias);         // A_Name by A_Name: the alias look-up
std::string SelectAliasNumbersStatement(std::string_view alias);  // A_QQ by A_Name: who has the alias
std::string SelectEditFieldsStatement(std::string_view alias);    // A_QQ,A_stat by A_Name: the edit target
std::string SelectLoginFieldsStatement(std::string_view alias);   // A_QQ,A_stat,A_pass by A_Name
// A new account, ticked, last login `now`.
std::string InsertAccountStatement(std::string_view alias, std::string_view number, LoginStatus status,
                                   std::string_view now, std::string_view hash);
// The editor's change of the account with this number.
std::string UpdateAccountStatement(std::string_view alias, LoginStatus status, std::string_view hash,
                                   std::string_view number);
std::string DeleteAccountStatement(std::string_view alias);
std::string DeactivateStatement(std::string_view alias);                        // A_activ=0
std::string StampStatement(std::string_view timeText, std::string_view alias);  // A_activ=1, A_last

// zk_auto_sys
std::string SelectPathAndExitFlagStatement();  // S_QQpath,S_AQ
std::string SelectStartupPasswordStatement();  // S_pass
std::string StoreQQPathStatement(std::string_view path);
std::string StorePasswordStatement(std::string_view password);
std::string StoreExitAfterLoginStatement(bool exitAfterLogin);
