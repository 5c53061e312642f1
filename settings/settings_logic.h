#pragma once
// The decisions of QQ_set and QQ_login that need no window: the password boxes' filter, the path
// check, the start-up password's tries, and the settings row's reads and writes (the statements of
// store/statements.h).
// Invariants:
//   1. A password box never holds an apostrophe: RemoveApostrophes is applied on every change.
//   2. A path is accepted when it has at least kMinPathChars characters (code points); nothing else
//      about it is checked (it need not exist nor name QQ.exe).
//   3. LoginTries evaluates the first kLoginTries presses of "登录"; every later press locks the
//      prompt without looking at the entry, and the count never goes back.
// Portable: UTF-8 texts, no <windows.h>; the dialogs in qq_set.cpp and qq_login.cpp call these.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"

class AccountDb;

// The text without any apostrophe (').
std::string RemoveApostrophes(std::string_view text);

// At least this many characters, or "选择路径不正确".
inline constexpr size_t kMinPathChars = 3;
// Counts characters (code points) of UTF-8 text; a stray continuation byte counts as one.
size_t CharacterCount(std::string_view utf8);
bool PathAccepted(std::string_view path);

// How an operation on config.dat went. Unusable: the connection could not be opened, so the store
// has shown its message and ended the program; the caller must stop.
enum class DbOutcome { Done, Failed, Unusable };

// Each opens the connection, runs its statement and closes it; Failed when the statement or the
// closing failed (the value is then not stored).
DbOutcome StoreQQPath(AccountDb& db, std::string_view path);
DbOutcome StoreStartupPassword(AccountDb& db, std::string_view password);
// S_pass of the settings row into `stored`: empty for Null or no row. Opens and closes the
// connection; Failed when the row could not be read.
DbOutcome ReadStartupPassword(AccountDb& db, std::string& stored);

// What one press of QQ_login's "登录" leads to, before and after the stored password is read.
enum class LoginStep {
    Locked,       // more than kLoginTries presses: empty the box, disable it and the button, red text
    NoEntry,      // the box is empty: blue "密码没有输入"
    BlankPadded,  // the entry begins or ends with a blank: blue "密码输入有误", not compared
    Compare,      // read S_pass and compare
};

inline constexpr int kLoginTries = 5;

class LoginTries {
  public:
    // Counts the press and says what it leads to.
    LoginStep Press(std::string_view entry);
    int16_t AttemptCount() const { return attemptCount_; }

  private:
    int16_t attemptCount_ = 0;  // presses so far; saturates instead of wrapping
};

// True when the entry has a blank (U+0020) at its start or end.
bool HasOuterBlanks(std::string_view entry);
// The exact, case-sensitive comparison of the entry with the stored start-up password.
bool PasswordMatches(std::string_view entry, std::string_view stored);
