#include "store/account_db.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "jet/sql/connection.h"
#include "store/schema.h"
#include "store/sql_text.h"
#include "tests/win/fake_services.h"

namespace {

class AccountDbTest : public testing::Test {
  protected:
    void SetUp() override {
        // Named after the test: ctest runs each test in its own process, side by side, and under
        // AddressSanitizer two processes can put the fixture at the same address.
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("kestrin-store-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "config.dat").string();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void MakeDb(const std::vector<std::string>& statements) {
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path_).ok());
        jet::Connection conn;
        ASSERT_TRUE(conn.Open(ConnectionStringFor(path_)).ok());
        for (const auto& s : statements) ASSERT_TRUE(conn.Execute(s).ok()) << s;
    }

    std::filesystem::path folder_;
    std::string path_;
    FakeServices fakes_;
};

std::string Insert(const std::string& name, const std::string& qq) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" + SqlQuote(name) + ",'" + qq +
           "',1,1,'2026-12-07 9:07:03','kAFQmDzST7DWlj99KOF/cg')";
}

}  // namespace

TEST_F(AccountDbTest, LookUpsAnswerZeroOnAnEmptyTableAndLeaveTheConnectionClosed) {
    MakeDb({});
    AccountDb db(path_, fakes_.services);
    EXPECT_EQ(*db.QQExists("10001"), 0);
    EXPECT_EQ(*db.NameExists("小明"), 0);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(fakes_.messages.shown.empty());
}

// The connection string's separators and quotes in a folder name stay part of Data Source.
TEST_F(AccountDbTest, FolderNamedWithSemicolonsEqualsAndQuotesOpens) {
    // Windows allows no quotation mark in a name; elsewhere one must not end the quoted path either.
#ifdef _WIN32
    const char* quoted = "it's here ; x";
#else
    const char* quoted = "it's \"here\" ; ";
#endif
    for (const char* folder : {"QQ;Tools", "a;Data Source=b", quoted}) {
        SCOPED_TRACE(folder);
        std::filesystem::create_directories(folder_ / folder);
        path_ = (folder_ / folder / "config.dat").string();
        MakeDb({Insert("a", "10001")});
        AccountDb db(path_, fakes_.services);
        EXPECT_EQ(*db.QQExists("10001"), 1);
        EXPECT_TRUE(fakes_.messages.shown.empty());
    }
}

TEST_F(AccountDbTest, LookUpsFindStoredValuesCaseInsensitivelyAndQuoteApostrophes) {
    MakeDb({Insert("O'Neil", "10001"), Insert("Alice", "10002")});
    AccountDb db(path_, fakes_.services);
    struct Case {
        const char* name;
        bool byNumber;
        std::string value;
        int expected;
    } cases[] = {
        {"stored number", true, "10001", 1},      {"other number", true, "10003", 0},
        {"apostrophe alias", false, "O'Neil", 1}, {"alias in other case", false, "ALICE", 1},
        {"prefix only", false, "Ali", 0},         {"injection stays a literal", false, "x' or A_Name<>'", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result<int> found = c.byNumber ? db.QQExists(c.value) : db.NameExists(c.value);
        ASSERT_TRUE(found.ok()) << found.status().ToString();
        EXPECT_EQ(*found, c.expected);
        EXPECT_FALSE(db.IsOpen());
    }
}

TEST_F(AccountDbTest, UnusableFileShowsTheFixedMessageEndsAndIsNotWritten) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {{"missing", ""}, {"text", "hello"}, {"zeros", std::string(131072, '\0')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServices fakes;
        std::filesystem::remove(path_);
        if (std::string(c.name) != "missing") std::ofstream(path_, std::ios::binary) << c.bytes;
        AccountDb db(path_, fakes.services);
        EXPECT_FALSE(db.OpenDb().ok());
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_EQ(fakes.messages.shown[0].text, "配置文件损坏或不可用\r删除config.dat后重新运行程序 ");
        EXPECT_EQ(fakes.messages.shown[0].title, "提示");
        EXPECT_EQ(fakes.messages.shown[0].style, 48u);
        EXPECT_EQ(fakes.end.exitCodes, std::vector<int>{1});
        if (std::string(c.name) == "missing") {
            EXPECT_FALSE(std::filesystem::exists(path_));
        } else {
            std::ifstream in(path_, std::ios::binary);
            std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(after, c.bytes);
        }
    }
}

TEST_F(AccountDbTest, OpeningAnOpenConnectionTakesTheFailurePath) {
    MakeDb({});
    AccountDb db(path_, fakes_.services);
    ASSERT_TRUE(db.OpenDb().ok());
    EXPECT_FALSE(db.OpenDb().ok());
    EXPECT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.end.exitCodes.size(), 1u);
}

TEST_F(AccountDbTest, ClosingAClosedConnectionIsAnErrorForTheCaller) {
    MakeDb({});
    AccountDb db(path_, fakes_.services);
    EXPECT_FALSE(db.CloseDb().ok());
    ASSERT_TRUE(db.OpenDb().ok());
    EXPECT_TRUE(db.CloseDb().ok());
    EXPECT_FALSE(db.IsOpen());
}

TEST_F(AccountDbTest, TemplateSettingsRowReadsAsAllDefaults) {
    MakeDb({});
    AccountDb db(path_, fakes_.services);
    ASSERT_TRUE(db.OpenDb().ok());
    StoredSettings settings = ReadStoredSettings(db.Conn());
    EXPECT_FALSE(settings.qqPath);
    EXPECT_FALSE(settings.exitAfterLogin);
    EXPECT_EQ(settings.startupPassword, "");
    EXPECT_TRUE(ReadStoredAccounts(db.Conn()).empty());
    EXPECT_TRUE(db.CloseDb().ok());
}

TEST_F(AccountDbTest, AccountsComeBackWithNullsKept) {
    MakeDb({Insert("小明", "10001"), "insert into zk_auto_qqlist(A_Name,A_QQ) values('bare','10002')"});
    AccountDb db(path_, fakes_.services);
    ASSERT_TRUE(db.OpenDb().ok());
    std::vector<StoredAccount> accounts = ReadStoredAccounts(db.Conn());
    ASSERT_TRUE(db.CloseDb().ok());
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].name, "小明");
    EXPECT_EQ(accounts[0].activ, 1);
    EXPECT_EQ(accounts[0].stat, 1);
    EXPECT_EQ(accounts[0].last, "2026-12-07 9:07:03");
    EXPECT_EQ(accounts[1].name, "bare");
    EXPECT_FALSE(accounts[1].activ);
    EXPECT_FALSE(accounts[1].stat);
    EXPECT_EQ(accounts[1].last, "");
}

TEST_F(AccountDbTest, ExitAfterLoginIsStoredAsTheSettingsValue) {
    MakeDb({});
    AccountDb db(path_, fakes_.services);
    for (bool value : {true, false}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(StoreExitAfterLogin(db, value).ok());
        EXPECT_FALSE(db.IsOpen());
        ASSERT_TRUE(db.OpenDb().ok());
        EXPECT_EQ(ReadStoredSettings(db.Conn()).exitAfterLogin, value ? 1 : 0);
        ASSERT_TRUE(db.CloseDb().ok());
    }
}
