#include "jet/sql/connection.h"

#include "jet/sql/executor.h"
#include "jet/sql/parser.h"

namespace jet {
namespace {

constexpr std::string_view kJetProvider = "microsoft.jet.oledb.4.0";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

Status BadConnectionString(const std::string& what) {
    return Status(ErrorCode::InvalidArgument, "connection string: " + what);
}

// A value from just after '=' to the next ';' (or the end of a quoted value); `pos` ends on the ';'
// or at the end of the text.
Result<std::string> ReadValue(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
        const char quote = text[pos++];
        std::string value;
        while (true) {
            if (pos >= text.size()) return BadConnectionString("unterminated quoted value");
            const char c = text[pos++];
            if (c != quote) {
                value.push_back(c);
            } else if (pos < text.size() && text[pos] == quote) {
                value.push_back(quote);
                ++pos;
            } else {
                break;
            }
        }
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        if (pos < text.size() && text[pos] != ';') return BadConnectionString("text after a quoted value");
        return value;
    }
    const size_t end = std::min(text.find(';', pos), text.size());
    std::string value(Trim(text.substr(pos, end - pos)));
    pos = end;
    return value;
}

std::string Get(const std::map<std::string, std::string>& pairs, const std::string& key) {
    auto found = pairs.find(key);
    return found == pairs.end() ? std::string() : found->second;
}

// Without a workgroup information file Jet has one account: Admin, with no password.
Status CheckAccount(std::string_view user, std::string_view password) {
    if ((user.empty() || Lower(user) == "admin") && password.empty()) return Status::Ok();
    return Status(ErrorCode::BadPassword, "not a valid account name or password: '" + std::string(user) + "'");
}

}  // namespace

Result<std::map<std::string, std::string>> ParseConnectionString(std::string_view text) {
    std::map<std::string, std::string> pairs;
    size_t pos = 0;
    while (pos < text.size()) {
        if (IsBlank(text[pos]) || text[pos] == ';') {
            ++pos;
            continue;
        }
        const size_t equals = text.find('=', pos);
        const size_t semicolon = text.find(';', pos);
        if (equals == std::string_view::npos || semicolon < equals) {
            const size_t end = std::min(semicolon, text.size());
            return BadConnectionString("no '=' in '" + std::string(Trim(text.substr(pos, end - pos))) + "'");
        }
        const std::string key = Lower(Trim(text.substr(pos, equals - pos)));
        pos = equals + 1;
        Result<std::string> value = ReadValue(text, pos);
        if (!value) return value.status();
        pairs[key] = std::move(*value);
    }
    return pairs;
}

// The database as a statement sees it inside BeginTrans: a statement's own begin and commit join
// the open transaction. A failed statement's rollback is left to the engine, which has already
// rolled the transaction back when the failure came after writing; later changes are refused, so
// none can run outside the transaction.
class Connection::Transaction : public Database {
  public:
    explicit Transaction(Database& db) : db_(db) {}

    void SetFixedNow(std::optional<DateTime> now) override { db_.SetFixedNow(now); }
    Status CreateTable(const TableSchema& schema) override { return db_.CreateTable(schema); }
    Result<Table*> GetTable(std::string_view name) override { return db_.GetTable(name); }
    std::vector<std::string> TableNames(bool includeSystemTables) override {
        return db_.TableNames(includeSystemTables);
    }
    Status Begin() override {
        if (stopped_) return Status(ErrorCode::InvalidArgument, "a statement of this transaction failed");
        return Status::Ok();
    }
    Status Commit() override { return Status::Ok(); }
    void Rollback() override { stopped_ = true; }
    using Database::Check;
    Status Check(std::vector<std::string>& problems, std::vector<std::string>& notes) override {
        return db_.Check(problems, notes);
    }

  private:
    Database& db_;  // borrowed from the Connection
    bool stopped_ = false;
};

Connection::Connection() = default;
Connection::~Connection() {
    Close();
}

Status Connection::Open(std::string_view connectionString, std::string_view user, std::string_view password,
                        int options) {
    return Open(NativeFileSystem(), connectionString, user, password, options);
}

Status Connection::Open(FileSystem& fs, std::string_view connectionString, std::string_view user,
                        std::string_view password, int /*options*/) {
    if (IsOpen()) return Status(ErrorCode::InvalidArgument, "the connection is already open");
    Result<std::map<std::string, std::string>> pairs = ParseConnectionString(connectionString);
    if (!pairs) return pairs.status();
    const std::string provider = Get(*pairs, "provider");
    if (provider.empty()) return BadConnectionString("no Provider");
    if (Lower(provider) != kJetProvider) {
        return Status(ErrorCode::Unsupported, "provider '" + provider + "' is not Microsoft.Jet.OLEDB.4.0");
    }
    const std::string path = Get(*pairs, "data source");
    if (path.empty()) return BadConnectionString("no Data Source");
    KESTRIN_TRY(CheckAccount(user.empty() ? Get(*pairs, "user id") : user,
                             password.empty() ? Get(*pairs, "password") : password));
    Result<std::unique_ptr<Database>> db =
        Database::Open(fs, path, Get(*pairs, "jet oledb:database password"), OpenMode::ReadWrite, !keepLogOnClose_);
    if (!db) {
        const Status& status = db.status();
        return status.message().find(path) == std::string::npos ? status.WithContext(path) : status;
    }
    db_ = std::move(*db);
    return Status::Ok();
}

Result<Recordset> Connection::Execute(std::string_view statementText) {
    if (!IsOpen()) return Status(ErrorCode::InvalidArgument, "the connection is not open");
    Result<Statement> statement = ParseStatement(statementText);
    if (!statement) return statement.status();
    if (trans_) return ExecuteStatement(*trans_, *statement);
    return ExecuteStatement(*db_, *statement);
}

void Connection::Close() {
    RollbackTrans();
    db_.reset();
}

Status Connection::BeginTrans() {
    if (!IsOpen()) return Status(ErrorCode::InvalidArgument, "the connection is not open");
    if (trans_) return Status(ErrorCode::InvalidArgument, "a transaction is already open");
    KESTRIN_TRY(db_->Begin());
    trans_ = std::make_unique<Transaction>(*db_);
    return Status::Ok();
}

Status Connection::CommitTrans() {
    if (!trans_) return Status(ErrorCode::InvalidArgument, "no transaction is open");
    trans_.reset();
    return db_->Commit();
}

void Connection::RollbackTrans() {
    if (!trans_) return;
    trans_.reset();
    db_->Rollback();
}

}  // namespace jet
