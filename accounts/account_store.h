#pragma once
// The account commands' database work over AccountDb: the look-ups a save needs, the edit target's
// read, and one change per opening of the connection.
// Invariants:
//   1. Each call opens the connection and closes it again before it returns, whatever happens; when
//      opening fails the program has been ended (AccountDb's failure path) and the error is returned
//      so the caller stops.
//   2. Only the statements of store/statements.h are run.

#include <cstdint>
#include <optional>
#include <string>

#include "accounts/account_logic.h"
#include "common/result.h"

class AccountDb;

// AccountLookups over the real database.
class DbLookups : public AccountLookups {
  public:
    explicit DbLookups(AccountDb& db) : db_(db) {}
    Result<int> QQExists(const std::string& number) override;
    Result<int> NameExists(const std::string& alias) override;
    Result<bool> AliasUsedByAnotherNumber(const std::string& alias, const std::string& number) override;

  private:
    AccountDb& db_;  // borrowed
};

// The stored number and status of the account with this alias; nullopt when there is none.
struct EditTarget {
    std::string number;
    std::optional<int64_t> stat;
};
Result<std::optional<EditTarget>> ReadEditTarget(AccountDb& db, const std::string& alias);

// Opens the connection, runs one change statement and closes it.
Status RunChange(AccountDb& db, const std::string& statement);
