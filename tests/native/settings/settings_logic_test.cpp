#include "settings/settings_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "tests/win/fake_services.h"

namespace {

TEST(PasswordFilter, RemovesEveryApostropheAndKeepsEverythingElse) {
    struct Case {
        const char* name;
        const char* typed;
        const char* kept;
    } cases[] = {
        {"none", "abc", "abc"},    {"one inside", "a'b", "ab"},  {"only apostrophes", "'''", ""},
        {"both ends", "'x'", "x"}, {"chinese", "密'码", "密码"}, {"typographic quote stays", "a’b", "a’b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RemoveApostrophes(c.typed), c.kept);
    }
}

// The length check counts characters: a two-character Chinese path is six bytes and still short.
TEST(PathCheck, AcceptsThreeCharactersOrMoreCountedAsCharactersNotBytes) {
    struct Case {
        const char* name;
        const char* path;
        bool accepted;
    } cases[] = {
        {"empty", "", false},           {"one", "C", false},
        {"two", "C:", false},           {"three", "C:\\", true},
        {"two chinese", "腾讯", false}, {"three chinese", "腾讯Q", true},
        {"blanks count", "   ", true},  {"full path", "C:\\Program Files\\Tencent\\QQ\\Bin\\QQ.exe", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PathAccepted(c.path), c.accepted);
    }
}

TEST(LoginTries, EvaluatesTheFirstFivePressesWhateverWasTypedAndLocksFromTheSixth) {
    struct Case {
        const char* entry;
        LoginStep step;
    } presses[] = {
        {"", LoginStep::NoEntry},        {" secret", LoginStep::BlankPadded}, {"secret ", LoginStep::BlankPadded},
        {"se cret", LoginStep::Compare}, {"secret", LoginStep::Compare},      {"secret", LoginStep::Locked},
        {"", LoginStep::Locked},         {"secret", LoginStep::Locked},
    };
    LoginTries tries;
    int pressNo = 0;
    for (const Case& c : presses) {
        SCOPED_TRACE(testing::Message() << "press " << ++pressNo << " '" << c.entry << "'");
        EXPECT_EQ(tries.Press(c.entry), c.step);
        EXPECT_EQ(tries.AttemptCount(), pressNo);
    }
}

TEST(LoginTries, ComparesExactlyAndCaseSensitively) {
    EXPECT_TRUE(PasswordMatches("Secret1", "Secret1"));
    EXPECT_FALSE(PasswordMatches("secret1", "Secret1"));
    EXPECT_FALSE(PasswordMatches("Secret", "Secret1"));
    EXPECT_FALSE(PasswordMatches("x", ""));  // no stored password: every entry is wrong
    EXPECT_FALSE(HasOuterBlanks("a b"));
    EXPECT_TRUE(HasOuterBlanks(" "));
}

class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("kestrin-settings-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "config.dat").string();
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path_).ok());
        db_ = std::make_unique<AccountDb>(path_, fakes_.services);
    }
    void TearDown() override {
        db_.reset();
        std::filesystem::remove_all(folder_);
    }
    std::vector<jet::Variant> SettingsRow() {
        jet::Connection conn;
        EXPECT_TRUE(conn.Open(ConnectionStringFor(path_)).ok());
        auto rows = conn.Execute("select S_QQpath,S_pass from zk_auto_sys");
        EXPECT_TRUE(rows.ok() && !rows->Eof());
        return {rows->Fields("S_QQpath")->Value(), rows->Fields("S_pass")->Value()};
    }

    std::filesystem::path folder_;
    std::string path_;
    FakeServices fakes_;
    std::unique_ptr<AccountDb> db_;
};

TEST_F(SettingsStoreTest, EachPageStoresOnlyItsOwnValueAndApostrophesAsTyped) {
    ASSERT_EQ(StoreQQPath(*db_, "D:\\O'Brien's\\QQ.exe"), DbOutcome::Done);
    std::vector<jet::Variant> row = SettingsRow();
    EXPECT_EQ(row[0].Text(), "D:\\O'Brien's\\QQ.exe");
    EXPECT_TRUE(row[1].IsNull());  // the password page's value is left alone

    ASSERT_EQ(StoreStartupPassword(*db_, "密码Ab1"), DbOutcome::Done);
    row = SettingsRow();
    EXPECT_EQ(row[0].Text(), "D:\\O'Brien's\\QQ.exe");
    EXPECT_EQ(row[1].Text(), "密码Ab1");
    std::string stored;
    ASSERT_EQ(ReadStartupPassword(*db_, stored), DbOutcome::Done);
    EXPECT_EQ(stored, "密码Ab1");
    EXPECT_FALSE(db_->IsOpen());
    EXPECT_TRUE(fakes_.messages.shown.empty());
}

TEST_F(SettingsStoreTest, AnEmptyPasswordRemovesTheStoredOneAndNullReadsAsEmpty) {
    std::string stored = "left over";
    ASSERT_EQ(ReadStartupPassword(*db_, stored), DbOutcome::Done);  // the template's row is all Null
    EXPECT_EQ(stored, "");
    ASSERT_EQ(StoreStartupPassword(*db_, "abc"), DbOutcome::Done);
    ASSERT_EQ(StoreStartupPassword(*db_, ""), DbOutcome::Done);
    ASSERT_EQ(ReadStartupPassword(*db_, stored), DbOutcome::Done);
    EXPECT_EQ(stored, "");
}

// A path longer than the column takes is refused by the engine: the write fails, is reported as
// Failed (the dialog tells the user) and the stored path is unchanged.
TEST_F(SettingsStoreTest, AWriteTheEngineRefusesIsFailedAndLeavesTheOldValue) {
    ASSERT_EQ(StoreQQPath(*db_, "C:\\QQ\\QQ.exe"), DbOutcome::Done);
    EXPECT_EQ(StoreQQPath(*db_, "C:\\" + std::string(300, 'x') + "\\QQ.exe"), DbOutcome::Failed);
    EXPECT_EQ(SettingsRow()[0].Text(), "C:\\QQ\\QQ.exe");
    EXPECT_FALSE(db_->IsOpen());
    EXPECT_TRUE(fakes_.end.exitCodes.empty());
}

TEST_F(SettingsStoreTest, AnUnusableFileEndsTheProgramThroughTheStoreAndIsNotWritten) {
    { std::ofstream(path_, std::ios::binary | std::ios::trunc) << "not a database"; }
    std::string stored;
    EXPECT_EQ(ReadStartupPassword(*db_, stored), DbOutcome::Unusable);
    EXPECT_EQ(StoreStartupPassword(*db_, "abc"), DbOutcome::Unusable);
    EXPECT_EQ(fakes_.end.exitCodes.size(), 2u);
    ASSERT_FALSE(fakes_.messages.shown.empty());
    EXPECT_EQ(fakes_.messages.shown[0].text, kDbUnusableMessage);
    EXPECT_EQ(std::filesystem::file_size(path_), 14u);
}

}  // namespace
