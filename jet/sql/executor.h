#pragma once
// Executor: runs one parsed Statement (statement.h) against an open Database and returns what ADO
// would: the rows of a query, or the number of rows a change affected.
//
// Invariants:
//  1. Names resolve case-insensitively; an unknown table or column is NotFound naming it and its
//     position in the statement.
//  2. Every literal is converted (convert.h) and checked before anything is written, so a statement
//     whose values are wrong changes nothing.
//  3. A change runs inside one Database transaction: all its rows change or none do (a failure on the
//     third of five rows rolls back the first two).
//  4. A change that matches no row is no error: it affects 0 rows and writes nothing.
//  5. WHERE col = literal selects the rows Table::FindEqual returns (Jet's comparison: text
//     case-insensitive); rows where col is Null never match.
//  6. System tables (MSys*) can be read but never changed.
//  7. Query rows come in the order the table layer yields them: storage order without WHERE, the
//     index's order with it.

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"
#include "jet/sql/recordset.h"
#include "jet/sql/statement.h"
#include "jet/tables/database.h"

namespace jet {

// A query gives an open Recordset; a change a closed one with RecordsAffected().
Result<Recordset> ExecuteStatement(Database& db, const Statement& statement);

}  // namespace jet
