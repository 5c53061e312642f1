#include "store/account_db.h"

#include "jet/pages/pager.h"
#include "jet/sql/connection.h"
#include "store/statements.h"

const char kDbUnusableMessage[] = "配置文件损坏或不可用\r删除config.dat后重新运行程序 ";
const char kNoticeTitle[] = "提示";

namespace {

constexpr char kConnectionPassword[] = "Tq4wnBkdy.rHsLmZXJoE";

std::optional<int64_t> IntegerOf(const jet::Variant& v) {
    if (v.IsInteger()) return v.Integer();
    return std::nullopt;
}

std::string TextOf(const jet::Variant& v) {
    if (v.IsText()) return v.Text();
    if (v.IsInteger()) return std::to_string(v.Integer());
    return {};
}

}  // namespace

// The path between double quotes, each one inside doubled, so that a ';' or '=' in a folder name
// stays part of it.
std::string ConnectionStringFor(const std::string& dbPath) {
    std::string quoted = "\"";
    for (char c : dbPath) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + quoted +
           "\";Jet OLEDB:Database Password=" + kConnectionPassword;
}

AccountDb::AccountDb(std::string dbPath, Services& services) : dbPath_(std::move(dbPath)), services_(services) {}

AccountDb::~AccountDb() = default;

Status AccountDb::OpenDb() {
    if (!conn_) conn_ = std::make_unique<jet::Connection>();
    conn_->KeepLogOnClose(true);
    Status opened = conn_->Open(ConnectionStringFor(dbPath_), "", "", -1);
    if (opened.ok()) return opened;
    services_.messages->Show(nullptr, kDbUnusableMessage, kNoticeTitle, kMbOk | kMbIconExclamation);
    services_.end->EndProgram(1);
    return opened;
}

Status AccountDb::CloseDb() {
    if (!conn_) conn_ = std::make_unique<jet::Connection>();
    bool wasOpen = conn_->IsOpen();
    conn_->Close();
    conn_.reset();
    if (!wasOpen) return Status(ErrorCode::InvalidArgument, "config.dat: the connection is not open");
    return Status::Ok();
}

Status SetAsideLogBeside(const std::string& dbPath) {
    return jet::Pager::SetAsideLog(jet::NativeFileSystem(), dbPath);
}

void AccountDb::CompleteFile() {
    if (IsOpen()) return;
    jet::Connection conn;
    if (conn.Open(ConnectionStringFor(dbPath_)).ok()) conn.Close();
}

bool AccountDb::IsOpen() const {
    return conn_ && conn_->IsOpen();
}

jet::Connection& AccountDb::Conn() {
    assert(IsOpen());
    return *conn_;
}

Result<int> AccountDb::QQExists(const std::string& number) {
    return Exists(SelectNumberStatement(number));
}

Result<int> AccountDb::NameExists(const std::string& alias) {
    return Exists(SelectAliasStatement(alias));
}

Result<int> AccountDb::Exists(const std::string& lookUp) {
    KESTRIN_TRY(OpenDb());
    auto rows = conn_->Execute(lookUp);
    if (!rows.ok()) {
        (void)CloseDb();
        return rows.status();
    }
    int found = rows->Eof() ? 0 : 1;
    KESTRIN_TRY(CloseDb());
    return found;
}

StoredSettings ReadStoredSettings(jet::Connection& conn) {
    StoredSettings settings;
    if (auto rows = conn.Execute(SelectPathAndExitFlagStatement()); rows.ok() && !rows->Eof()) {
        if (auto path = rows->Fields("S_QQpath"); path.ok() && !path->Value().IsNull()) {
            settings.qqPath = TextOf(path->Value());
        }
        if (auto flag = rows->Fields("S_AQ"); flag.ok()) settings.exitAfterLogin = IntegerOf(flag->Value());
        rows->Close();
    }
    if (auto rows = conn.Execute(SelectStartupPasswordStatement()); rows.ok() && !rows->Eof()) {
        if (auto pass = rows->Fields("S_pass"); pass.ok()) settings.startupPassword = TextOf(pass->Value());
        rows->Close();
    }
    return settings;
}

std::vector<StoredAccount> ReadStoredAccounts(jet::Connection& conn) {
    std::vector<StoredAccount> accounts;
    auto rows = conn.Execute(SelectAccountsStatement());
    if (!rows.ok() || rows->Eof()) return accounts;
    auto all = rows->GetRows(-1);
    rows->Close();
    if (!all.ok() || all->ColumnCount() < 4) return accounts;
    for (size_t r = 0; r < all->RowCount(); ++r) {
        accounts.push_back(
            {TextOf(all->At(0, r)), IntegerOf(all->At(1, r)), IntegerOf(all->At(2, r)), TextOf(all->At(3, r))});
    }
    return accounts;
}

Status StoreExitAfterLogin(AccountDb& db, bool exitAfterLogin) {
    KESTRIN_TRY(db.OpenDb());
    auto changed = db.Conn().Execute(StoreExitAfterLoginStatement(exitAfterLogin));
    Status closed = db.CloseDb();
    if (!changed.ok()) return changed.status();
    return closed;
}
