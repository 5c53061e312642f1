#include "app/account_list.h"

#include <gtest/gtest.h>

namespace {

AccountList ListOf(std::vector<std::string> aliases) {
    std::vector<AccountRow> rows;
    for (auto& alias : aliases) rows.push_back({alias, "", -1, false});
    AccountList list;
    list.Assign(std::move(rows));
    return list;
}

std::vector<std::string> Aliases(const AccountList& list) {
    std::vector<std::string> aliases;
    for (int row = 0; row < list.Count(); ++row) aliases.push_back(list.At(row).alias);
    return aliases;
}

}  // namespace

// The alias map must follow every change that moves rows, or a delete would take the wrong rows.
TEST(AccountList, TheAliasMapFollowsEveryChangeOfTheRows) {
    struct Case {
        const char* name;
        void (*change)(AccountList&);
        std::vector<std::string> aliases;
        std::vector<int> aliceRows;  // RowsNamed("ALICE")
        std::vector<int> bobRows;
    } cases[] = {
        {"loaded", [](AccountList&) {}, {"Alice", "bob", "alice", "Bob"}, {0, 2}, {1, 3}},
        {"middle row removed", [](AccountList& l) { l.Remove(1); }, {"Alice", "alice", "Bob"}, {0, 1}, {2}},
        {"last row removed", [](AccountList& l) { l.RemoveLast(); }, {"Alice", "bob", "alice"}, {0, 2}, {1}},
        {"appended and taken back",
         [](AccountList& l) {
             l.Append({"ALICE", "", -1, true});
             l.RemoveLast();
         },
         {"Alice", "bob", "alice", "Bob"},
         {0, 2},
         {1, 3}},
        {"appended",
         [](AccountList& l) {
             l.Append({"aLiCe", "", -1, true});
         },
         {"Alice", "bob", "alice", "Bob", "aLiCe"},
         {0, 2, 4},
         {1, 3}},
        {"renamed between two of the new alias",
         [](AccountList& l) { l.Rename(2, "BOB"); },
         {"Alice", "bob", "BOB", "Bob"},
         {0},
         {1, 2, 3}},
        {"removed past the end", [](AccountList& l) { l.Remove(9); }, {"Alice", "bob", "alice", "Bob"}, {0, 2}, {1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AccountList list = ListOf({"Alice", "bob", "alice", "Bob"});
        c.change(list);
        EXPECT_EQ(Aliases(list), c.aliases);
        EXPECT_EQ(list.RowsNamed("ALICE"), c.aliceRows);
        EXPECT_EQ(list.RowsNamed("bob"), c.bobRows);
        EXPECT_TRUE(list.RowsNamed("carol").empty());
    }
}

TEST(AccountList, NonAsciiAliasesMatchOnlyAsSpelled) {
    AccountList list = ListOf({"小明", "Ärger", "小明"});
    EXPECT_EQ(list.RowsNamed("小明"), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.RowsNamed("Ärger"), std::vector<int>{1});
}

TEST(AccountList, TickAllAndInvertChangeEveryRow) {
    AccountList list = ListOf({"a", "b", "c"});
    list.SetTicked(1, true);
    list.InvertTicks();
    EXPECT_EQ((std::vector<bool>{list.At(0).ticked, list.At(1).ticked, list.At(2).ticked}),
              (std::vector<bool>{true, false, true}));
    list.TickAll();
    EXPECT_TRUE(list.At(1).ticked);
}
