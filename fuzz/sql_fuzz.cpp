// libFuzzer target for the SQL layer: arbitrary bytes are lexed and parsed, a line at a time; each
// statement that parses runs in its own connection, as the product's store opens them (the log kept,
// so each connection takes up the database the one before left idle), against a fresh in-memory
// copy of a small database with the product's schema.
//
// What counts as a finding (besides sanitizer reports): a parse error other than Syntax/TooLarge, a
// database that fails its consistency check after a statement, a refused statement that left the
// file different from before (errors must change nothing), or rows that the database taken up again
// reads differently from a fresh open by another process.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"
#include "jet/sql/connection.h"
#include "jet/sql/executor.h"
#include "jet/sql/parser.h"
#include "jet/tables/database.h"

namespace {

using jet::ColumnType;

constexpr const char* kPath = "config.dat";
constexpr const char* kPassword = "Tq4wnBkdy.rHsLmZXJoE";

jet::TableSchema QqList() {
    return {"zk_auto_qqlist",
            {{"ID", ColumnType::Long, 4, true},
             {"A_Name", ColumnType::Text, 100, false},
             {"A_QQ", ColumnType::Text, 50, false},
             {"A_activ", ColumnType::Integer, 2, false},
             {"A_stat", ColumnType::Integer, 2, false},
             {"A_last", ColumnType::Text, 100, false},
             {"A_pass", ColumnType::Text, 255, false}},
            {{"PrimaryKey", {0}, true, true}, {"A_QQ", {2}, true, false}}};
}

jet::TableSchema Sys() {
    return {"zk_auto_sys",
            {{"S_QQpath", ColumnType::Text, 255, false},
             {"S_pass", ColumnType::Text, 50, false},
             {"S_AQ", ColumnType::Integer, 2, false}},
            {}};
}

void Require(bool condition) {
    if (!condition) std::abort();
}

// The database every input starts from: both tables, a settings row and two accounts.
std::vector<uint8_t> MakeTemplate() {
    jet::testing::MemoryFileSystem fs;
    {
        auto db = jet::Database::Create(fs, kPath, kPassword);
        Require(db.ok());
        Require((*db)->CreateTable(QqList()).ok() && (*db)->CreateTable(Sys()).ok());
        auto sys = (*db)->GetTable("zk_auto_sys");
        Require(sys.ok() && (*sys)->Insert({}).ok());
    }
    jet::Connection connection;
    Require(connection
                .Open(fs, std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + kPath +
                              ";Jet OLEDB:Database Password=" + kPassword)
                .ok());
    Require(
        connection.Execute("insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values('abc','12345',1,1)").ok());
    Require(connection.Execute("insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat) values('Def','777',0,0)").ok());
    connection.Close();
    auto bytes = fs.Contents(kPath);
    Require(bytes.ok());
    return *bytes;
}

// Every row of both tables, as `fs` opens the file.
std::vector<std::vector<jet::Value>> AllRows(jet::FileSystem& fs, jet::OpenMode mode) {
    auto db = jet::Database::Open(fs, kPath, kPassword, mode, false);
    Require(db.ok());
    std::vector<std::vector<jet::Value>> rows;
    for (const char* name : {"zk_auto_qqlist", "zk_auto_sys"}) {
        auto table = (*db)->GetTable(name);
        Require(table.ok());
        Require((*table)
                    ->Scan([&](jet::RowPointer, const std::vector<jet::Value>& row) {
                        rows.push_back(row);
                        return true;
                    })
                    .ok());
    }
    return rows;
}

void RunStatement(jet::testing::MemoryFileSystem& fs, const jet::Statement& statement) {
    const std::vector<uint8_t> before = fs.Contents(kPath).value();
    auto db = jet::Database::Open(fs, kPath, kPassword, jet::OpenMode::ReadWrite, false);
    Require(db.ok());
    auto result = jet::ExecuteStatement(**db, statement);
    if (result.ok() && result->IsOpen()) {
        while (!result->Eof()) Require(result->MoveNext().ok());
    }
    std::vector<std::string> problems;
    Require((*db)->Check(problems).ok() && problems.empty());
    if (!result.ok()) {
        auto bytes = fs.Contents(kPath);
        Require(bytes.ok() && *bytes == before);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> kTemplate = MakeTemplate();
    constexpr size_t kMaxStatements = 8;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    jet::testing::MemoryFileSystem fs;
    fs.SetFile(kPath, kTemplate);
    size_t start = 0;
    for (size_t n = 0; n < kMaxStatements && start <= text.size(); ++n) {
        size_t end = std::min(text.find('\n', start), text.size());
        auto statement = jet::ParseStatement(text.substr(start, end - start));
        start = end + 1;
        if (!statement.ok()) {
            Require(statement.code() == ErrorCode::Syntax || statement.code() == ErrorCode::TooLarge);
            continue;
        }
        RunStatement(fs, *statement);
    }
    auto taken = AllRows(fs, jet::OpenMode::ReadWrite);
    jet::testing::FaultyFileSystem otherProcess(fs);
    Require(taken == AllRows(otherProcess, jet::OpenMode::ReadOnly));
    return 0;
}
