#include "accounts/import_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jet/sql/connection.h"
#include "login/pwd_hash.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/native/temp_folder.h"
#include "tests/win/fake_services.h"

namespace {

struct ListRow {
    std::string number;
    std::string now;
};

class RecordedRows : public ImportRows {
  public:
    void Append(const std::string& number, const std::string& now) override { rows.push_back({number, now}); }
    void RemoveLast() override { rows.pop_back(); }
    std::vector<ListRow> rows;
};

struct StoredRow {
    std::string name, qq, last, pass;
    int64_t activ = -1, stat = -1;
};

class ImportRunTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_.emplace();
        path_ = folder_->File("config.dat");
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path_).ok());
        db_ = std::make_unique<AccountDb>(path_, fakes_.services);
    }
    void TearDown() override {
        db_.reset();
        folder_.reset();
    }

    void Store(const std::string& alias, const std::string& number) {
        jet::Connection conn;
        ASSERT_TRUE(conn.Open(ConnectionStringFor(path_)).ok());
        ASSERT_TRUE(
            conn.Execute(InsertAccountStatement(alias, number, LoginStatus::Online, "2026-01-01 8:00:00", "x")).ok());
    }

    ImportOutcome Import(const std::string& bytes) {
        ImportBytes file(bytes);
        return ImportAccounts(*db_, file, fakes_.clock, rows_);
    }

    std::vector<StoredRow> Stored() {
        jet::Connection conn;
        EXPECT_TRUE(conn.Open(ConnectionStringFor(path_)).ok());
        auto rows = conn.Execute("select A_Name,A_QQ,A_activ,A_stat,A_last,A_pass from zk_auto_qqlist");
        std::vector<StoredRow> stored;
        for (; rows.ok() && !rows->Eof(); (void)rows->MoveNext()) {
            StoredRow row;
            row.name = rows->Fields("A_Name")->Value().Text();
            row.qq = rows->Fields("A_QQ")->Value().Text();
            row.activ = rows->Fields("A_activ")->Value().Integer();
            row.stat = rows->Fields("A_stat")->Value().Integer();
            row.last = rows->Fields("A_last")->Value().Text();
            row.pass = rows->Fields("A_pass")->Value().Text();
            stored.push_back(row);
        }
        return stored;
    }

    std::vector<std::string> StoredNumbers() {
        std::vector<std::string> numbers;
        for (const auto& row : Stored()) numbers.push_back(row.qq);
        return numbers;
    }

    std::vector<std::string> ListNumbers() const {
        std::vector<std::string> numbers;
        for (const auto& row : rows_.rows) numbers.push_back(row.number);
        return numbers;
    }

    std::optional<TempFolder> folder_;  // a fresh one for each SetUp
    std::string path_;
    FakeServices fakes_;
    std::unique_ptr<AccountDb> db_;
    RecordedRows rows_;
};

}  // namespace

TEST_F(ImportRunTest, SampleFilesImportWhatIsNewAndValid) {
    struct Case {
        const char* name;
        std::string file;
        int count;
        std::vector<std::string> numbers;
        std::vector<std::string> passwords;
    } cases[] = {
        {"a repeated number comes in at its first line; 12a is no number",
         "111 aaa\r\n111 bbb\r\n12a 999\r\n",
         1,
         {"111"},
         {"aaa"}},
        {"a third field is ignored", "222 pass word", 1, {"222"}, {"pass"}},
        {"two blanks give an empty password", "333  x\n", 1, {"333"}, {""}},
        {"an empty file", "", 0, {}, {}},
        {"lines without blanks", "444\r\n555aaa\r\n\r\n", 0, {}, {}},
        {"CR alone ends a line", "601 a\r602 b\r", 2, {"601", "602"}, {"a", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ImportOutcome outcome = Import(c.file);
        EXPECT_TRUE(outcome.failure.ok());
        EXPECT_EQ(outcome.count, c.count);
        EXPECT_EQ(StoredNumbers(), c.numbers);
        EXPECT_EQ(ListNumbers(), c.numbers);
        auto stored = Stored();
        for (size_t i = 0; i < stored.size() && i < c.passwords.size(); ++i) {
            EXPECT_EQ(stored[i].pass, PwdHash(c.passwords[i]));
        }
        TearDown();
        rows_.rows.clear();
    }
}

TEST_F(ImportRunTest, ImportedRowIsTheNumberTickedInvisibleWithTheSameTimeInListAndTable) {
    fakes_.clock.now = {2026, 3, 4, 5, 6, 7};
    ImportOutcome outcome = Import("8001 pw\r\n");
    ASSERT_EQ(outcome.count, 1);
    auto stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, "8001");
    EXPECT_EQ(stored[0].qq, "8001");
    EXPECT_EQ(stored[0].activ, 1);
    EXPECT_EQ(stored[0].stat, 0);
    EXPECT_EQ(stored[0].last, "2026-03-04 5:06:07");
    ASSERT_EQ(rows_.rows.size(), 1u);
    EXPECT_EQ(rows_.rows[0].now, "2026-03-04 5:06:07");
    EXPECT_FALSE(db_->IsOpen());
}

TEST_F(ImportRunTest, StoredNumbersAndOtherAccountsAliasesAreSkippedAndNotCounted) {
    Store("老号", "9001");
    Store("9002", "7777");  // an account whose alias is the number 9002
    ImportOutcome outcome = Import("9001 a\n9002 b\n");
    EXPECT_TRUE(outcome.failure.ok());
    EXPECT_EQ(outcome.count, 0);
    EXPECT_TRUE(rows_.rows.empty());
    EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"9001", "7777"}));
}

TEST_F(ImportRunTest, Utf8AndUtf16FilesWithChineseTextHashTheAnsiBytesOfThePassword) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "5001 密码\r\n"},
        {"UTF-8 without mark", "5001 密码 备注\r\n"},
        {"UTF-16LE", std::string("\xFF\xFE"
                                 "5\0"
                                 "0\0"
                                 "0\0"
                                 "1\0"
                                 " \0"
                                 "\xC6\x5B"
                                 "\x01\x78"
                                 "\r\0\n\0",
                                 18)},
        {"GBK", "5001 \xC3\xDC\xC2\xEB\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        EXPECT_EQ(Import(c.bytes).count, 1);
        auto stored = Stored();
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(stored[0].pass, PwdHashOfBytes("\xC3\xDC\xC2\xEB"));
        TearDown();
        rows_.rows.clear();
    }
}

TEST_F(ImportRunTest, AFailureEndsTheImportKeepsWhatCameInAndTheListMatchesTheTable) {
    ImportOutcome first = Import("1 a\n2 b\n");
    ASSERT_EQ(first.count, 2);
    // The file goes bad underneath: the next opening fails, which ends the program (a fake here).
    ASSERT_TRUE(std::filesystem::remove(path_));
    { std::ofstream(path_) << "not a database"; }
    ImportOutcome second = Import("3 c\n4 d\n");
    EXPECT_FALSE(second.failure.ok());
    EXPECT_EQ(second.count, 0);
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(fakes_.end.exitCodes.size(), 1u);
}

// Reads the whole file once (telling its encoding), then fails after its first piece.
class FailsWhileImporting : public ImportBytes {
  public:
    using ImportBytes::ImportBytes;
    Result<size_t> Read(char* into, size_t size) override {
        if (rewound_ && pieces_++ == 1) return Status(ErrorCode::Io, "the disk went away");
        return ImportBytes::Read(into, size);
    }
    Status Rewind() override {
        rewound_ = true;
        return ImportBytes::Rewind();
    }

  private:
    bool rewound_ = false;
    int pieces_ = 0;
};

TEST_F(ImportRunTest, AFileThatFailsHalfWayKeepsTheLinesReadBeforeInListAndTable) {
    FailsWhileImporting file("1 a\n2 b\n3 c\n", 8);
    ImportOutcome outcome = ImportAccounts(*db_, file, fakes_.clock, rows_);
    EXPECT_FALSE(outcome.failure.ok());
    EXPECT_EQ(outcome.count, 2);
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"1", "2"}));
}

TEST_F(ImportRunTest, AFailingInsertTakesItsListRowBackAndEndsTheImport) {
    ImportOutcome outcome = Import("1 a\n22222222222222222222222222222222222222222222222222222222222 b\n3 c\n");
    EXPECT_FALSE(outcome.failure.ok());
    EXPECT_EQ(outcome.count, 1);
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"1"}));
    EXPECT_EQ(StoredNumbers(), (std::vector<std::string>{"1"}));
}

TEST_F(ImportRunTest, TenThousandLinesAllComeIn) {
#ifdef KESTRIN_SANITIZED
    constexpr int kLines = 1000;
#else
    constexpr int kLines = 10000;
#endif
    std::string file;
    for (int n = 0; n < kLines; ++n) file += std::to_string(100000 + n) + " pw" + std::to_string(n) + "\r\n";
    ImportOutcome outcome = Import(file);
    EXPECT_TRUE(outcome.failure.ok());
    EXPECT_EQ(outcome.count, kLines);
    EXPECT_EQ(rows_.rows.size(), static_cast<size_t>(kLines));
    EXPECT_EQ(StoredNumbers().size(), static_cast<size_t>(kLines));
}
