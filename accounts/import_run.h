#pragma once
// The import of an account list, line by line, into config.dat and the main window's list.
// Invariants:
//   1. An account is written at once, so a number that occurs twice in a file comes in at its first
//      line only; a number already stored, or already another account's alias, is skipped.
//   2. The list row of an account is added before its insert runs, and taken away again when the
//      insert or the commit of its batch fails, so once the import ends the list shows exactly the
//      accounts that were stored.
//   3. The first failure (reading the file, opening, a look-up, an insert) ends the import; what
//      came in before it stays, and `count` says how much that was.
//   4. The file is read a line at a time (import_file.h): memory does not grow with its size.

#include <string>

#include "accounts/import_file.h"
#include "common/result.h"
#include "common/services.h"

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

// A file whose encoding cannot be told (it cannot be read) leaves config.dat unopened.
ImportOutcome ImportAccounts(AccountDb& db, ImportSource& file, Clock& clock, ImportRows& rows);
