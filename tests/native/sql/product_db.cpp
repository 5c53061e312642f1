#include "product_db.h"

#include <gtest/gtest.h>

#include <random>

namespace jet::testing {
namespace {

TableSchema QqListTable() {
    TableSchema table;
    table.name = "zk_auto_qqlist";
    table.columns = {
        {"ID", ColumnType::Long, 4, true},         {"A_Name", ColumnType::Text, 100, false},
        {"A_QQ", ColumnType::Text, 50, false},     {"A_activ", ColumnType::Integer, 2, false},
        {"A_stat", ColumnType::Integer, 2, false}, {"A_last", ColumnType::Text, 100, false},
        {"A_pass", ColumnType::Text, 255, false},
    };
    table.indexes = {{"PrimaryKey", {0}, true, true}, {"A_QQ", {2}, true, false}};
    return table;
}

TableSchema SysTable() {
    TableSchema table;
    table.name = "zk_auto_sys";
    table.columns = {
        {"S_QQpath", ColumnType::Text, 255, false},
        {"S_pass", ColumnType::Text, 50, false},
        {"S_AQ", ColumnType::Integer, 2, false},
    };
    return table;
}

}  // namespace

Status CreateProductDb(FileSystem& fs, const std::string& path) {
    Result<std::unique_ptr<Database>> db = Database::Create(fs, path, kProductPassword);
    if (!db) return db.status();
    KESTRIN_TRY((*db)->CreateTable(QqListTable()));
    KESTRIN_TRY((*db)->CreateTable(SysTable()));
    Result<Table*> sys = (*db)->GetTable("zk_auto_sys");
    if (!sys) return sys.status();
    return (*sys)->Insert({}).status();
}

std::string ConnectionStringFor(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Jet OLEDB:Database Password=" + kProductPassword;
}

ProductDb::ProductDb() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    folder_ = std::filesystem::temp_directory_path() / ("kestrin_sql_" + std::to_string(std::random_device{}())) / name;
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / "config.dat").string();

    Status created = CreateProductDb(NativeFileSystem(), path_);
    EXPECT_TRUE(created.ok()) << created.ToString();
}

ProductDb::~ProductDb() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_.parent_path(), ignored);
}

std::string ProductDb::ConnectionString() const {
    return ConnectionStringFor(path_);
}

std::string Outcome(const Result<Recordset>& result) {
    if (!result.ok()) return std::string("<") + ErrorCodeName(result.code()) + ">";
    if (!result->IsOpen()) return "affected " + std::to_string(result->RecordsAffected());
    Recordset rows = *result;
    std::string out;
    for (; !rows.Eof(); (void)rows.MoveNext()) {
        if (!out.empty()) out += ";";
        for (size_t i = 0; i < rows.FieldCount(); ++i) {
            const Variant value = rows.Fields(i)->Value();
            const std::string shown = value.IsNull()      ? "N"
                                      : value.IsInteger() ? std::to_string(value.Integer())
                                                          : "'" + value.Text() + "'";
            out += (i ? "," : "") + shown;
        }
    }
    return out;
}

}  // namespace jet::testing
