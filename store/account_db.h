#pragma once
// AccountDb: config.dat as the windows reach it. One connection (the program's Conn), opened by
// OpenDb and closed by CloseDb around each operation, so the file is not held while the user works;
// the two existence look-ups; and the main window's own reads and the exit-after-login write.
// Invariants:
//   1. At most one connection exists; between two operations it is closed.
//   2. OpenDb never opens an open connection: that, like a damaged, foreign, locked or wrongly
//      protected file, takes the failure path: the fixed message (title "提示", exclamation icon,
//      OK) and the end of the program through Services. A damaged file is never written.
//   3. It runs only the statements of statements.h.
// Portable: reaches the user only through Services (message boxes, ending the program).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "common/services.h"

namespace jet {
class Connection;
}

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + the path in double quotes + ";Jet OLEDB:Database
// Password=...".
std::string ConnectionStringFor(const std::string& dbPath);

// Before config.dat is written anew from the template: a log left beside an earlier config.dat is
// set aside unplayed (as "config.dat-journal.unplayed-N"), for it belongs to that file.
Status SetAsideLogBeside(const std::string& dbPath);

// The text of the damaged-database message: "配置文件损坏或不可用", CR, "删除config.dat后重新运行程序 ".
extern const char kDbUnusableMessage[];
extern const char kNoticeTitle[];  // "提示"

class AccountDb {
  public:
    AccountDb(std::string dbPath, Services& services);
    ~AccountDb();
    AccountDb(const AccountDb&) = delete;
    AccountDb& operator=(const AccountDb&) = delete;

    // Opens Conn. On failure: the message, then EndProgram; returns the failure for callers whose
    // EndProgram returns (tests), which must then stop.
    Status OpenDb();
    // Closes and discards Conn; closing a connection that is not open is an error for the caller.
    Status CloseDb();
    bool IsOpen() const;
    // The open connection; only between OpenDb and CloseDb.
    jet::Connection& Conn();

    // 1 when a row of zk_auto_qqlist has this A_QQ / A_Name, else 0. Each opens and closes the
    // connection itself, so call them while it is closed.
    Result<int> QQExists(const std::string& number);
    Result<int> NameExists(const std::string& alias);

    const std::string& DbPath() const { return dbPath_; }

    // For the program's end. Each operation's close leaves its committed change durable in the log
    // beside config.dat (one sync instead of three); this completes config.dat itself and retires
    // the log, so that the file stands alone while the program is not running. A failure changes
    // nothing that matters: the next open finds the log and completes the file then.
    void CompleteFile();

  private:
    // 1 when the look-up (a select of zk_auto_qqlist) finds a row, else 0.
    Result<int> Exists(const std::string& lookUp);

    std::string dbPath_;
    Services& services_;                     // borrowed
    std::unique_ptr<jet::Connection> conn_;  // owned; null when discarded
};

// The settings row as the main window's load reads it.
struct StoredSettings {
    std::optional<std::string> qqPath;      // S_QQpath; nullopt for Null or no row
    std::optional<int64_t> exitAfterLogin;  // S_AQ; nullopt for Null or no row
    std::string startupPassword;            // S_pass; empty for Null or no row
};
// One account as the list shows it.
struct StoredAccount {
    std::string name;              // A_Name
    std::optional<int64_t> activ;  // A_activ
    std::optional<int64_t> stat;   // A_stat
    std::string last;              // A_last as text ("" for Null)
};

// Both reads run on an open connection; a failing statement leaves its part at the defaults.
StoredSettings ReadStoredSettings(jet::Connection& conn);
std::vector<StoredAccount> ReadStoredAccounts(jet::Connection& conn);
// StoreExitAfterLoginStatement, opening and closing the connection around it.
Status StoreExitAfterLogin(AccountDb& db, bool exitAfterLogin);
