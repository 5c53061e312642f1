#include "accounts/account_logic.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Look-ups answered from a map of number -> alias; a failing look-up when `fail` names it.
class FakeLookups : public AccountLookups {
  public:
    Result<int> QQExists(const std::string& number) override {
        calls.push_back("QQExists");
        if (fail == "QQExists") return Status(ErrorCode::Io, "disk");
        return accounts.count(number) ? 1 : 0;
    }
    Result<int> NameExists(const std::string& alias) override {
        calls.push_back("NameExists");
        for (const auto& [number, name] : accounts) {
            if (name == alias) return 1;
        }
        return 0;
    }
    Result<bool> AliasUsedByAnotherNumber(const std::string& alias, const std::string& number) override {
        calls.push_back("AliasUsedByAnotherNumber");
        for (const auto& [stored, name] : accounts) {
            if (name == alias && stored != number) return true;
        }
        return false;
    }
    std::map<std::string, std::string> accounts{{"10001", "小明"}, {"10002", "工作号"}};
    std::vector<std::string> calls;
    std::string fail;
};

}  // namespace

TEST(KeepDigits, LeavesOnlyAsciiDigitsInTheirOrder) {
    struct Case {
        const char* name;
        const wchar_t* typed;
        const wchar_t* kept;
    } cases[] = {
        {"typed 1 2 a 3", L"12a3", L"123"},
        {"pasted text without digits", L"hello QQ", L""},
        {"full-width digits are not digits", L"１２3", L"3"},
        {"blanks and signs", L" -45 6+", L"456"},
        {"empty", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeepDigits(c.typed), c.kept);
    }
}

TEST(CheckSave, RefusesInTheFixedOrderAndStopsAtTheFirstRefusal) {
    struct Case {
        const char* name;
        SaveInput input;
        SaveRefusal expected;
        std::vector<std::string> calls;  // the look-ups made, in order
    } cases[] = {
        {"everything empty: the number first", {EditorMode::Add, "", "", true}, SaveRefusal::NumberEmpty, {}},
        {"no password", {EditorMode::Add, "10003", "新号", true}, SaveRefusal::PasswordEmpty, {}},
        {"no alias", {EditorMode::Add, "10003", "", false}, SaveRefusal::AliasEmpty, {}},
        {"add: number stored, alias too: the number wins",
         {EditorMode::Add, "10001", "工作号", false},
         SaveRefusal::NumberExists,
         {"QQExists"}},
        {"add: alias stored",
         {EditorMode::Add, "10003", "工作号", false},
         SaveRefusal::AliasExists,
         {"QQExists", "NameExists"}},
        {"add: new", {EditorMode::Add, "10003", "新号", false}, SaveRefusal::Ok, {"QQExists", "NameExists"}},
        {"edit: number gone", {EditorMode::Edit, "10009", "小明", false}, SaveRefusal::NumberMissing, {"QQExists"}},
        {"edit: keeps its own alias",
         {EditorMode::Edit, "10001", "小明", false},
         SaveRefusal::Ok,
         {"QQExists", "AliasUsedByAnotherNumber"}},
        {"edit: takes another account's alias",
         {EditorMode::Edit, "10001", "工作号", false},
         SaveRefusal::AliasExists,
         {"QQExists", "AliasUsedByAnotherNumber"}},
        {"edit: no password", {EditorMode::Edit, "10001", "小明", true}, SaveRefusal::PasswordEmpty, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLookups lookups;
        auto refusal = CheckSave(c.input, lookups);
        ASSERT_TRUE(refusal.ok());
        EXPECT_EQ(*refusal, c.expected);
        EXPECT_EQ(lookups.calls, c.calls);
    }
}

TEST(CheckSave, AFailingLookUpIsAnErrorNotAnAnswer) {
    FakeLookups lookups;
    lookups.fail = "QQExists";
    auto refusal = CheckSave({EditorMode::Add, "10003", "新号", false}, lookups);
    EXPECT_FALSE(refusal.ok());
    EXPECT_EQ(refusal.code(), ErrorCode::Io);
}
