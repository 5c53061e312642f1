// The explicit transaction the import stores its rows in: one commit for many statements, and what
// a failed statement leaves.
#include <gtest/gtest.h>

#include <optional>

#include "jet/sql/connection.h"
#include "store/account_db.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/native/temp_folder.h"

namespace {

class ConnectionTransTest : public testing::Test {
  protected:
    void SetUp() override {
        folder_.emplace();
        path_ = folder_->File("config.dat");
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path_).ok());
        ASSERT_TRUE(conn_.Open(ConnectionStringFor(path_)).ok());
    }
    void TearDown() override {
        conn_.Close();
        folder_.reset();
    }
    Status Insert(const std::string& number) {
        auto done =
            conn_.Execute(InsertAccountStatement(number, number, LoginStatus::Invisible, "2026-01-01 0:00:00", "h"));
        return done.ok() ? Status::Ok() : done.status();
    }
    // Counts what another connection sees: only what was committed.
    size_t StoredRows() {
        conn_.Close();
        jet::Connection reader;
        EXPECT_TRUE(reader.Open(ConnectionStringFor(path_)).ok());
        auto rows = reader.Execute("select A_QQ from zk_auto_qqlist");
        size_t count = 0;
        for (; rows.ok() && !rows->Eof(); (void)rows->MoveNext()) ++count;
        return count;
    }

    std::optional<TempFolder> folder_;  // a fresh one for each SetUp
    std::string path_;
    jet::Connection conn_;
};

}  // namespace

TEST_F(ConnectionTransTest, CommitStoresEveryStatementAndRollbackOrCloseNone) {
    struct Case {
        const char* name;
        int ending;  // 0 commit, 1 rollback, 2 close
        size_t stored;
    } cases[] = {{"commit", 0, 3}, {"rollback", 1, 0}, {"close", 2, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        ASSERT_TRUE(conn_.BeginTrans().ok());
        EXPECT_FALSE(conn_.BeginTrans().ok());
        for (const char* number : {"1", "2", "3"}) ASSERT_TRUE(Insert(number).ok());
        // Inside the transaction its own statements see its rows.
        EXPECT_FALSE(conn_.Execute("select A_QQ from zk_auto_qqlist where A_QQ='3'")->Eof());
        if (c.ending == 0) {
            EXPECT_TRUE(conn_.CommitTrans().ok());
        } else if (c.ending == 1) {
            conn_.RollbackTrans();
        }
        EXPECT_EQ(StoredRows(), c.stored);
    }
}

TEST_F(ConnectionTransTest, ARefusedRowStopsLaterChangesButKeepsTheEarlierOnes) {
    ASSERT_TRUE(conn_.BeginTrans().ok());
    ASSERT_TRUE(Insert("1").ok());
    Status duplicate = Insert("1");
    EXPECT_EQ(duplicate.code(), ErrorCode::Constraint);
    EXPECT_FALSE(Insert("2").ok());
    EXPECT_TRUE(conn_.CommitTrans().ok());
    EXPECT_FALSE(conn_.CommitTrans().ok());
    EXPECT_EQ(StoredRows(), 1u);
}
