// A statement is all or nothing: under an I/O failure at any call, or a crash at any sync, the file
// reopens consistent and holds the rows as they were before the statement or as they are after it.

#include <gtest/gtest.h>

#include "jet/pages/testing/crash_file_system.h"
#include "jet/pages/testing/faulty_file_system.h"
#include "product_db.h"
#include "tests/native/tables/product_schema.h"

namespace jet {
namespace {

using testing::ConnectionStringFor;
using testing::CrashFileSystem;
using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using testing::Outcome;

constexpr const char* kPath = "config.dat";
constexpr const char* kImageQuery = "select ID,A_Name,A_QQ,A_stat,A_last from zk_auto_qqlist";

struct Case {
    const char* name;
    const char* statement;
} const kCases[] = {
    {"update of three rows", "update zk_auto_qqlist set A_stat=7,A_last='2026-12-07 9:07:03' where A_Name='same'"},
    {"delete of three rows", "delete from zk_auto_qqlist where A_Name='same'"},
    {"insert", "insert into zk_auto_qqlist(A_Name,A_QQ,A_stat) values('new','4',1)"},
};

void Seed(FileSystem& fs) {
    ASSERT_TRUE(test::CreateProductDb(fs, kPath));
    Connection connection;
    ASSERT_TRUE(connection.Open(fs, ConnectionStringFor(kPath)).ok());
    for (const char* qq : {"1", "2", "3"}) {
        const std::string insert =
            std::string("insert into zk_auto_qqlist(A_Name,A_QQ,A_stat) values('same','") + qq + "',0)";
        ASSERT_EQ(Outcome(connection.Execute(insert)), "affected 1");
    }
    ASSERT_EQ(Outcome(connection.Execute("insert into zk_auto_qqlist(A_Name,A_QQ) values('other','9')")), "affected 1");
}

// The rows as a string, after checking the file's consistency.
std::string Image(FileSystem& fs) {
    {
        auto db = Database::Open(fs, kPath, testing::kProductPassword, OpenMode::ReadWrite);
        if (!db.ok()) return "open: " + db.status().ToString();
        std::vector<std::string> problems;
        EXPECT_TRUE((*db)->Check(problems).ok());
        for (const std::string& problem : problems) ADD_FAILURE() << problem;
    }
    Connection connection;
    Status opened = connection.Open(fs, ConnectionStringFor(kPath));
    if (!opened.ok()) return "open: " + opened.ToString();
    return Outcome(connection.Execute(kImageQuery));
}

struct Images {
    std::string before;
    std::string after;
};

Images BeforeAndAfter(const Case& c) {
    MemoryFileSystem fs;
    Seed(fs);
    Images images{Image(fs), ""};
    Connection connection;
    EXPECT_TRUE(connection.Open(fs, ConnectionStringFor(kPath)).ok());
    EXPECT_TRUE(connection.Execute(c.statement).ok());
    connection.Close();
    images.after = Image(fs);
    EXPECT_NE(images.before, images.after);
    return images;
}

TEST(Atomicity, StatementFailingAtAnyCallChangesNothing) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Images images = BeforeAndAfter(c);
        for (uint64_t n = 1;; ++n) {
            SCOPED_TRACE("failing call " + std::to_string(n));
            MemoryFileSystem base;
            Seed(base);
            FaultyFileSystem fs(base);
            Result<Recordset> result = Status(ErrorCode::Io, "not run");
            {
                Connection connection;
                ASSERT_TRUE(connection.Open(fs, ConnectionStringFor(kPath)).ok());
                fs.FailCall(n);
                result = connection.Execute(c.statement);
            }
            if (!fs.Triggered()) {
                EXPECT_TRUE(result.ok()) << result.status().ToString();
                EXPECT_EQ(Image(base), images.after);
                break;
            }
            // A failure after the commit point (the log's sync: writing the file, or the checkpoint at
            // close) reports the error although the change is already durable: before or after,
            // never between.
            const std::string image = Image(base);
            if (result.ok()) {
                EXPECT_EQ(image, images.after);
            } else {
                EXPECT_TRUE(image == images.before || image == images.after) << image << "\n"
                                                                             << result.status().ToString();
            }
        }
    }
}

TEST(Atomicity, CrashAtAnySyncLeavesTheRowsBeforeOrAfter) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Images images = BeforeAndAfter(c);
        bool done = false;
        for (uint64_t sync = 1; !done; ++sync) {
            for (uint32_t seed : {1u, 2u, 3u}) {
                SCOPED_TRACE("crash at sync " + std::to_string(sync) + ", seed " + std::to_string(seed));
                CrashFileSystem fs;
                Seed(fs);
                {
                    Connection connection;
                    ASSERT_TRUE(connection.Open(fs, ConnectionStringFor(kPath)).ok());
                    fs.CrashAtSync(sync);
                    (void)connection.Execute(c.statement);
                }
                if (!fs.Crashed()) {
                    done = true;
                    break;
                }
                fs.Restart(seed);
                const std::string image = Image(fs);
                EXPECT_TRUE(image == images.before || image == images.after) << image;
            }
        }
    }
}

}  // namespace
}  // namespace jet
