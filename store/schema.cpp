#include "store/schema.h"

namespace {

using jet::ColumnInfo;
using jet::ColumnType;

// Every date the template holds (catalog rows); fixed so the template is reproducible. It is the
// moment the database header's creation date stands for.
constexpr jet::DateTime kTemplateCreated{42329.94480324074};

ColumnInfo Text(const char* name, uint16_t characters) {
    return ColumnInfo{name, ColumnType::Text, characters, false};
}
ColumnInfo Integer(const char* name) {
    return ColumnInfo{name, ColumnType::Integer, 2, false};
}

}  // namespace

jet::TableSchema AccountTableSchema() {
    jet::TableSchema schema;
    schema.name = "zk_auto_qqlist";
    schema.columns = {
        ColumnInfo{"ID", ColumnType::Long, 4, true},
        Text("A_Name", 100),
        Text("A_QQ", 50),
        Integer("A_activ"),
        Integer("A_stat"),
        Text("A_last", 100),
        Text("A_pass", 255),
    };
    schema.indexes = {
        jet::IndexInfo{"PrimaryKey", {0}, true, true},
        jet::IndexInfo{"A_QQ", {2}, true, false},
    };
    return schema;
}

jet::TableSchema SettingsTableSchema() {
    jet::TableSchema schema;
    schema.name = "zk_auto_sys";
    schema.columns = {Text("S_QQpath", 255), Text("S_pass", 50), Integer("S_AQ")};
    return schema;
}

Status WriteTemplateDatabase(jet::FileSystem& fs, const std::string& path, uint16_t sortOrder) {
    jet::CreateOptions options;
    options.sortOrder = sortOrder;
    options.now = kTemplateCreated;
    options.minPages = kTemplateBytes / jet::kPageSize;
    options.mode = jet::OpenMode::CreateOrTruncate;
    auto db = jet::Database::Create(fs, path, kDbPassword, options);
    if (!db) return db.status();
    KESTRIN_TRY((*db)->CreateTable(AccountTableSchema()));
    KESTRIN_TRY((*db)->CreateTable(SettingsTableSchema()));
    auto settings = (*db)->GetTable("zk_auto_sys");
    if (!settings) return settings.status();
    // The one settings row, every column Null.
    auto row = (*settings)->Insert({});
    if (!row) return row.status();
    return Status::Ok();
}
