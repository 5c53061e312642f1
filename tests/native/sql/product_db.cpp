#include "product_db.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/native/tables/product_schema.h"

namespace jet::testing {

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

    EXPECT_TRUE(jet::test::CreateProductDb(NativeFileSystem(), path_));
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
