#include "settings/settings_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "store/account_db.h"
#include "store/schema.h"
#include "tests/native/temp_folder.h"
#include "tests/win/fake_services.h"

namespace {

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

class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        path_ = folder_.File("config.dat");
        ASSERT_TRUE(WriteTemplateDatabase(jet::NativeFileSystem(), path_).ok());
        db_ = std::make_unique<AccountDb>(path_, fakes_.services);
    }
    void TearDown() override { db_.reset(); }

    TempFolder folder_;
    std::string path_;
    FakeServices fakes_;
    std::unique_ptr<AccountDb> db_;
};

TEST_F(SettingsStoreTest, AnEmptyPasswordRemovesTheStoredOneAndNullReadsAsEmpty) {
    std::string stored = "left over";
    ASSERT_EQ(ReadStartupPassword(*db_, stored), DbOutcome::Done);  // the template's row is all Null
    EXPECT_EQ(stored, "");
    ASSERT_EQ(StoreStartupPassword(*db_, "abc"), DbOutcome::Done);
    ASSERT_EQ(StoreStartupPassword(*db_, ""), DbOutcome::Done);
    ASSERT_EQ(ReadStartupPassword(*db_, stored), DbOutcome::Done);
    EXPECT_EQ(stored, "");
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
