#pragma once
// Connection: the product's one way into config.dat, shaped like ADO's Connection over the Jet 4.0
// OLE DB provider: Open with a connection string, Execute statement texts, Close.
//
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\x\config.dat;Jet OLEDB:Database Password=...
//
// Connection strings are key=value pairs separated by ';'. Keys are case-insensitive and trimmed;
// values are trimmed and may be quoted with " or ' (a doubled quote inside stands for one); a later
// key replaces an earlier one. Keys other than Provider, Data Source, Jet OLEDB:Database Password,
// User ID and Password are accepted and ignored, as the provider ignores the many it has.
//
// Invariants:
//  1. Execute works only between a successful Open and Close; otherwise it is InvalidArgument.
//  2. Open on an open Connection is InvalidArgument and leaves the open database as it was.
//  3. Every open error (missing or unknown provider, missing data source, missing file, wrong
//     password, damaged or foreign file, file in use) leaves the Connection closed and returns the
//     typed Status, its message naming the file.
//  4. The database file is held (locked) from Open to Close; Close, or destroying the Connection,
//     releases it.
//  5. Between BeginTrans and CommitTrans the changes of every statement form one transaction, made
//     durable by CommitTrans alone (one commit for many rows). After a statement inside it fails, no
//     further change runs: CommitTrans keeps the earlier statements when the engine refused the
//     change before writing, and fails when the failure had to roll the transaction back; Close and
//     destruction roll back an open transaction.

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "common/result.h"
#include "jet/pages/file_io.h"
#include "jet/sql/recordset.h"
#include "jet/tables/database.h"

namespace jet {

// The pairs of a connection string, keys in lower case.
Result<std::map<std::string, std::string>> ParseConnectionString(std::string_view text);

class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // `user` and `password` are the workgroup account, as in ADO: without a workgroup file Jet knows
    // only Admin with no password (an empty user means Admin). The database password comes from the
    // connection string. `options` is accepted for ADO's shape and not used.
    Status Open(std::string_view connectionString, std::string_view user = "", std::string_view password = "",
                int options = -1);
    // The same on another file system (tests use failing or crashing twins).
    Status Open(FileSystem& fs, std::string_view connectionString, std::string_view user = "",
                std::string_view password = "", int options = -1);

    // A query gives an open Recordset over its rows; a change a closed one with RecordsAffected().
    Result<Recordset> Execute(std::string_view statementText);

    void Close();
    bool IsOpen() const { return db_ != nullptr; }

    // Not ADO's: for a caller that opens and closes for every change. Its Close then leaves the
    // committed changes in the log beside the file (durable, one sync each) instead of syncing the
    // file too; a later Close without this, or any later open, completes the file. Set before Open.
    void KeepLogOnClose(bool keep) { keepLogOnClose_ = keep; }

    // ADO's explicit transaction. BeginTrans inside one, or CommitTrans outside one, is InvalidArgument.
    Status BeginTrans();
    Status CommitTrans();
    void RollbackTrans();
    bool InTrans() const { return trans_ != nullptr; }

  private:
    class Transaction;

    std::unique_ptr<Database> db_;        // owned; null when closed
    std::unique_ptr<Transaction> trans_;  // owned; the statements' view of db_ inside BeginTrans
    bool keepLogOnClose_ = false;
};

}  // namespace jet
