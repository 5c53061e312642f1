#pragma once
// The import of an account list, line by line, into config.dat and the main window's list.
// Invariants:
//   1. An account is written at once, so a number that occurs twice in a file comes in at its first
//      line only; a number already stored, or already another account's alias, is skipped.
//   2. The list row of an account is added before its insert runs, and taken away again when the
//      insert fails, so the list never shows an account that was not stored.
//   3. The first failure (opening, a look-up, an insert) ends the import; what came in before it
//      stays, and `count` says how much that was.

#include <string>

#include "accounts/import_file.h"
#include "common/result.h"
#include "win/services.h"

class AccountDb;

// The main window's list as the import changes it.
class ImportRows {
  public:
    virtual ~ImportRows() = default;
    // Appends the row of an imported account: text the number, invisible icon, ticked, unselected,
    // `now` in the last-login column.
    virtual void Append(const std::string& number, const std::string& now) = 0;
    virtual void RemoveLast() = 0;
};

struct ImportOutcome {
    int count = 0;   // accounts that came in
    Status failure;  // Ok when every line was read
};

ImportOutcome ImportAccounts(AccountDb& db, const ImportText& file, Clock& clock, ImportRows& rows);
