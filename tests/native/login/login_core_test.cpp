// The login run over a real config.dat, with a host that records what the window was asked to do
// and a process start that records what config.dat held at the moment each client started.
#include "login/login_core.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "jet/sql/connection.h"
#include "store/schema.h"
#include "store/sql_text.h"
#include "tests/native/temp_folder.h"
#include "tests/win/fake_services.h"

namespace {

constexpr char kQQPath[] = "C:\\Program Files\\Tencent QQ\\QQ.exe";
constexpr char kHash[] = "kAFQmDzST7DWlj99KOF/cg";
constexpr char kNow[] = "2026-12-07 9:07:03";  // FakeClock's time
constexpr char kOld[] = "2026-01-02 3:04:05";

struct Row {
    std::string text;
    bool ticked = false;
    bool selected = false;
    std::string last = kOld;
};

// Every request of the run goes into one log, in order, with the process starts.
class RecordingHost : public LoginHost {
  public:
    explicit RecordingHost(std::vector<std::string>& log) : log_(log) {}
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::string RowText(int row) const override { return rows.at(row - 1).text; }
    bool RowTicked(int row) const override { return rows.at(row - 1).ticked; }
    bool RowSelected(int row) const override { return rows.at(row - 1).selected; }
    void SetRowLastLogin(int row, const std::string& timeText) override {
        rows.at(row - 1).last = timeText;
        log_.push_back("stamp row " + std::to_string(row));
    }
    bool SingleSelected() const override {
        int count = 0;
        for (const Row& r : rows) count += r.selected ? 1 : 0;
        return count == 1;
    }
    void Show(LoginMessage message) override { log_.push_back("message " + std::to_string(int(message))); }
    void ShowSettings() override {
        log_.push_back("settings");
        if (qqPath) *qqPath = kQQPath;  // the user picks a path in the dialog
    }
    void EnableLoginButton(bool enabled) override { log_.push_back(enabled ? "enable" : "disable"); }
    void FocusLoginButton() override { log_.push_back("focus"); }
    void Minimise() override { log_.push_back("minimise"); }
    void Quit() override { log_.push_back("quit"); }

    std::vector<Row> rows;
    std::string* qqPath = nullptr;  // the program's QQPath

  private:
    std::vector<std::string>& log_;
};

// Starts nothing; logs the command line and what the table held for each alias at that moment.
class SnapshotProcesses : public Processes {
  public:
    SnapshotProcesses(std::vector<std::string>& log, AccountDb& db) : log_(log), db_(db) {}
    bool Start(const std::string& application, const std::string& commandLine) override {
        applications.push_back(application);
        log_.push_back("start " + commandLine.substr(application.size()) + " | " + Snapshot());
        return startSucceeds;
    }
    std::vector<std::string> applications;
    bool startSucceeds = true;

  private:
    std::string Snapshot() {
        auto rows = db_.Conn().Execute("select A_Name,A_activ,A_last from zk_auto_qqlist");
        std::string text;
        for (; rows.ok() && !rows->Eof(); (void)rows->MoveNext()) {
            text += rows->Fields("A_Name")->Value().Text() + "=" +
                    std::to_string(rows->Fields("A_activ")->Value().Integer()) + "@" +
                    rows->Fields("A_last")->Value().Text() + ";";
        }
        return text;
    }
    std::vector<std::string>& log_;
    AccountDb& db_;
};

std::string Insert(const std::string& name, const std::string& qq, int activ, int stat,
                   const std::string& pass = kHash) {
    return "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last,A_pass) values(" + SqlQuote(name) + "," +
           SqlQuote(qq) + "," + std::to_string(activ) + "," + std::to_string(stat) + "," + SqlQuote(kOld) + "," +
           SqlQuote(pass) + ")";
}

class LoginRunTest : public testing::Test {
  protected:
    void SetUp() override {
        dbPath_ = folder_.File("config.dat");
        host_.qqPath = &qqPath_;
        db_ = std::make_unique<AccountDb>(dbPath_, fakes_.services);
        processes_ = std::make_unique<SnapshotProcesses>(log_, *db_);
        fakes_.services.processes = processes_.get();
    }

    // config.dat with these accounts, and one list row per account (ticks as stored, none selected).
    void MakeAccounts(const std::vector<std::string>& inserts, const std::vector<Row>& rows) {
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), dbPath_).ok());
        jet::Connection conn;
        ASSERT_TRUE(conn.Open(ConnectionStringFor(dbPath_)).ok());
        for (const auto& s : inserts) ASSERT_TRUE(conn.Execute(s).ok()) << s;
        host_.rows = rows;
    }
    void MakeThree() {
        MakeAccounts({Insert("小明", "10001", 0, 1), Insert("工作号", "10002", 1, 0), Insert("Alice", "20003", 0, 1)},
                     {{"小明", true}, {"工作号", false}, {"Alice", true}});
    }

    // "name=activ@last" per account, in stored order.
    std::vector<std::string> Stored() {
        jet::Connection conn;
        EXPECT_TRUE(conn.Open(ConnectionStringFor(dbPath_)).ok()) << "config.dat left open or damaged";
        auto rows = conn.Execute("select A_Name,A_activ,A_last from zk_auto_qqlist");
        std::vector<std::string> out;
        for (; rows.ok() && !rows->Eof(); (void)rows->MoveNext()) {
            out.push_back(rows->Fields("A_Name")->Value().Text() + "=" +
                          std::to_string(rows->Fields("A_activ")->Value().Integer()) + "@" +
                          rows->Fields("A_last")->Value().Text());
        }
        return out;
    }

    void Ticked() {
        LoginContext run{host_, qqPath_, exitAfterLogin_, *db_, fakes_.services};
        RunLoginTicked(run);
    }
    void Selected() {
        LoginContext run{host_, qqPath_, exitAfterLogin_, *db_, fakes_.services};
        RunLoginSelected(run);
    }

    TempFolder folder_;
    std::string dbPath_;
    std::string qqPath_ = kQQPath;
    bool exitAfterLogin_ = false;
    FakeServices fakes_;
    std::vector<std::string> log_;
    RecordingHost host_{log_};
    std::unique_ptr<AccountDb> db_;
    std::unique_ptr<SnapshotProcesses> processes_;
};

std::string Msg(LoginMessage m) {
    return "message " + std::to_string(int(m));
}

}  // namespace

TEST_F(LoginRunTest, FirstAndThirdTickedRunInListOrderAndStampEachRowBeforeItsClientStarts) {
    MakeThree();
    Ticked();
    std::vector<std::string> expected = {
        "disable",
        "stamp row 1",
        std::string("start  /START QQUIN:10001 PWDHASH:") + kHash + "== /STAT:41 | 小明=1@" + kNow + ";工作号=1@" +
            kOld + ";Alice=0@" + kOld + ";",
        "stamp row 3",
        std::string("start  /START QQUIN:20003 PWDHASH:") + kHash + "== /STAT:41 | 小明=1@" + kNow + ";工作号=0@" +
            kOld + ";Alice=1@" + kNow + ";",
        "enable",
        "focus",
        "minimise",
    };
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(processes_->applications, (std::vector<std::string>{kQQPath, kQQPath}));
    EXPECT_EQ(Stored(), (std::vector<std::string>{std::string("小明=1@") + kNow, std::string("工作号=0@") + kOld,
                                                  std::string("Alice=1@") + kNow}));
    EXPECT_EQ(host_.rows[0].last, kNow);
    EXPECT_EQ(host_.rows[1].last, kOld);
    EXPECT_FALSE(db_->IsOpen());
}

TEST_F(LoginRunTest, ChecksBeforeARunShowTheirMessageAndTouchNothing) {
    struct Case {
        const char* name;
        bool emptyList;
        bool emptyPath;
        bool selectedRun;
        std::vector<std::string> log;
    } cases[] = {
        {"ticked, empty list", true, true, false, {Msg(LoginMessage::NoAccounts)}},
        {"selected, empty list", true, false, true, {Msg(LoginMessage::NoAccounts)}},
        {"ticked, empty path", false, true, false, {Msg(LoginMessage::NoQQPath), "settings"}},
        {"selected, empty path", false, true, true, {Msg(LoginMessage::NoQQPath), "settings"}},
        {"selected, nothing selected", false, false, true, {Msg(LoginMessage::NoneSelected)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeThree();
        log_.clear();
        if (c.emptyList) host_.rows.clear();
        qqPath_ = c.emptyPath ? "" : kQQPath;
        c.selectedRun ? Selected() : Ticked();
        EXPECT_EQ(log_, c.log);
        EXPECT_TRUE(processes_->applications.empty());
        EXPECT_EQ(Stored(), (std::vector<std::string>{std::string("小明=0@") + kOld, std::string("工作号=1@") + kOld,
                                                      std::string("Alice=0@") + kOld}));
    }
}

TEST_F(LoginRunTest, TwoSelectedRowsAreNotASingleSelection) {
    MakeThree();
    host_.rows[0].selected = host_.rows[2].selected = true;
    Selected();
    EXPECT_EQ(log_, (std::vector<std::string>{Msg(LoginMessage::NoneSelected)}));
}

TEST_F(LoginRunTest, NoTickedRowMarksEveryAccountInactiveAndAsksForOne) {
    MakeThree();
    for (Row& r : host_.rows) r.ticked = false;
    Ticked();
    EXPECT_EQ(log_, (std::vector<std::string>{"disable", "enable", "focus", Msg(LoginMessage::NoneTicked)}));
    EXPECT_EQ(Stored(), (std::vector<std::string>{std::string("小明=0@") + kOld, std::string("工作号=0@") + kOld,
                                                  std::string("Alice=0@") + kOld}));
}

TEST_F(LoginRunTest, PathThatStartsNoProgramStopsAfterTheFirstStampedRow) {
    MakeAccounts({Insert("a", "1", 0, 1), Insert("b", "2", 0, 1), Insert("c", "3", 0, 1)},
                 {{"a", true}, {"b", false}, {"c", true}});
    processes_->startSucceeds = false;
    Ticked();
    ASSERT_EQ(log_.size(), 5u);
    EXPECT_EQ(log_[0], "disable");
    EXPECT_EQ(log_[1], "stamp row 1");
    EXPECT_EQ(log_[3], "enable");
    EXPECT_EQ(log_[4], Msg(LoginMessage::Failure));
    EXPECT_FALSE(db_->IsOpen());
    EXPECT_EQ(host_.rows[2].last, kOld);
    EXPECT_EQ(Stored(), (std::vector<std::string>{std::string("a=1@") + kNow, std::string("b=0@") + kOld,
                                                  std::string("c=0@") + kOld}));
}

// A config.dat edited in another program: the row that could not make a sound command line ends the
// run like a client that does not start; the row before it was launched, the one after is untouched.
TEST_F(LoginRunTest, RowThatCannotMakeASoundCommandLineEndsTheRunUnlaunched) {
    struct Case {
        const char* name;
        std::string insert;
    } cases[] = {
        {"Null hash", "insert into zk_auto_qqlist(A_Name,A_QQ,A_activ,A_stat,A_last) values('b','2',1,1,'x')"},
        {"a switch in the number", Insert("b", "1 /X", 0, 1)},
        {"an empty number", Insert("b", "", 0, 1)},
        {"a hash with blanks", Insert("b", "2", 0, 1, "kAFQmDzST7DW j99KOF/cg")},
        {"a hash of 21 characters", Insert("b", "2", 0, 1, "kAFQmDzST7DWlj99KOF/c")},
        {"a hash with its pad", Insert("b", "2", 0, 1, "kAFQmDzST7DWlj99KOF/c=")},
        {"a status of 2", Insert("b", "2", 0, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log_.clear();
        processes_->applications.clear();
        MakeAccounts({Insert("a", "1", 0, 0), c.insert, Insert("c", "3", 0, 1)},
                     {{"a", true}, {"b", true}, {"c", true}});
        Ticked();
        ASSERT_EQ(processes_->applications.size(), 1u);
        ASSERT_EQ(log_.size(), 6u);
        EXPECT_EQ(log_[2].substr(0, 22), "start  /START QQUIN:1 ");
        EXPECT_EQ(log_[3], "stamp row 2");
        EXPECT_EQ(log_[4], "enable");
        EXPECT_EQ(log_[5], Msg(LoginMessage::Failure));
        EXPECT_EQ(host_.rows[2].last, kOld);
        EXPECT_FALSE(db_->IsOpen());
    }
}

TEST_F(LoginRunTest, RowWithoutStoredAccountIsStampedInTheListOnlyAndStillCountsAsTicked) {
    MakeAccounts({Insert("a", "1", 0, 1)}, {{"gone", true}, {"a", false}});
    Ticked();
    EXPECT_EQ(log_, (std::vector<std::string>{"disable", "stamp row 1", "enable", "focus", "minimise"}));
    EXPECT_EQ(host_.rows[0].last, kNow);
    EXPECT_EQ(Stored(), (std::vector<std::string>{std::string("a=0@") + kOld}));
}

TEST_F(LoginRunTest, QuotedAliasReachesOnlyItsOwnRow) {
    MakeAccounts({Insert("x' or 'a'='a", "1", 0, 1), Insert("other", "2", 0, 0)},
                 {{"x' or 'a'='a", false, true}, {"other", false}});
    Selected();
    EXPECT_EQ(processes_->applications.size(), 1u);
    EXPECT_EQ(Stored(),
              (std::vector<std::string>{std::string("x' or 'a'='a=1@") + kNow, std::string("other=0@") + kOld}));
}
