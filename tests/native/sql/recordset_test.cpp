// Recordset's cursor, fields and GetRows, as the product's ADO code uses them.

#include "jet/sql/recordset.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

Recordset ThreeAccounts() {
    return Recordset::Query(
        {"A_Name", "A_activ"},
        {{Variant("a"), Variant(int64_t{1})}, {Variant("b"), Variant()}, {Variant(""), Variant(int64_t{0})}});
}

TEST(Recordset, FieldsFollowTheCursorAndMatchNamesInAnyCase) {
    Recordset rows = ThreeAccounts();
    ASSERT_FALSE(rows.Eof());
    EXPECT_EQ(rows.Fields("a_NAME")->Value(), Variant("a"));
    EXPECT_EQ(rows.Fields("A_activ")->Value(), Variant(int64_t{1}));
    ASSERT_TRUE(rows.MoveNext().ok());
    EXPECT_TRUE(rows.Fields("A_activ")->Value().IsNull());
    ASSERT_TRUE(rows.MoveNext().ok());
    EXPECT_TRUE(rows.Fields(size_t{0})->Value().IsText()) << "empty text is not Null";
    EXPECT_EQ(rows.Fields("nope").code(), ErrorCode::NotFound);
    EXPECT_EQ(rows.Fields(size_t{2}).code(), ErrorCode::NotFound);
    ASSERT_TRUE(rows.MoveNext().ok());
    EXPECT_TRUE(rows.Eof());
    EXPECT_EQ(rows.MoveNext().code(), ErrorCode::NotFound);
    EXPECT_EQ(rows.Fields("A_Name").code(), ErrorCode::NotFound);
}

TEST(Recordset, GetRowsIndexesColumnThenRowAndMovesPastWhatItReturns) {
    Recordset rows = ThreeAccounts();
    ASSERT_TRUE(rows.MoveNext().ok());
    Result<RowArray> rest = rows.GetRows(-1);
    ASSERT_TRUE(rest.ok());
    EXPECT_EQ(rest->ColumnCount(), 2u);
    ASSERT_EQ(rest->RowCount(), 2u);
    EXPECT_EQ(rest->At(0, 0), Variant("b"));
    EXPECT_TRUE(rest->At(1, 0).IsNull());
    EXPECT_EQ(rest->At(0, 1), Variant(""));
    EXPECT_EQ(rest->At(1, 1), Variant(int64_t{0}));
    EXPECT_TRUE(rows.Eof());
    EXPECT_EQ(rows.GetRows(-1).code(), ErrorCode::NotFound);

    Recordset again = ThreeAccounts();
    Result<RowArray> first = again.GetRows(2);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first->RowCount(), 2u);
    EXPECT_EQ(again.Fields("A_Name")->Value(), Variant(""));
    EXPECT_EQ(again.GetRows(5)->RowCount(), 1u);
    EXPECT_EQ(ThreeAccounts().GetRows(0).code(), ErrorCode::InvalidArgument);
}

// GetRows of a whole result hands the values over instead of copying them: the Recordset must then
// be at its end, and a copy taken before must keep rows of its own.
TEST(Recordset, GetRowsOfTheWholeResultLeavesItAtTheEndAndCopiesTakenBeforeWhole) {
    Recordset rows = ThreeAccounts();
    Recordset copy = rows;
    Result<RowArray> all = rows.GetRows(-1);
    ASSERT_TRUE(all.ok());
    ASSERT_EQ(all->RowCount(), 3u);
    EXPECT_EQ(all->At(0, 0), Variant("a"));
    EXPECT_EQ(all->At(1, 0), Variant(int64_t{1}));
    EXPECT_EQ(all->At(0, 2), Variant(""));
    EXPECT_TRUE(rows.Eof());
    EXPECT_EQ(rows.Fields("A_Name").code(), ErrorCode::NotFound);
    EXPECT_EQ(rows.GetRows(-1).code(), ErrorCode::NotFound);
    EXPECT_EQ(copy.Fields("A_Name")->Value(), Variant("a"));
    Result<RowArray> again = copy.GetRows(-1);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->At(0, 1), Variant("b"));
}

TEST(Recordset, ClosedAndChangeRecordsetsRefuseReadsWithoutCrashing) {
    Recordset change = Recordset::Change(3);
    EXPECT_FALSE(change.IsOpen());
    EXPECT_EQ(change.RecordsAffected(), 3);
    EXPECT_TRUE(change.Eof());
    EXPECT_EQ(change.Fields("x").code(), ErrorCode::NotFound);
    EXPECT_EQ(change.GetRows(-1).code(), ErrorCode::NotFound);

    Recordset rows = ThreeAccounts();
    EXPECT_EQ(rows.RecordsAffected(), -1);
    rows.Close();
    EXPECT_FALSE(rows.IsOpen());
    EXPECT_TRUE(rows.Eof());
    EXPECT_EQ(rows.Fields("A_Name").code(), ErrorCode::NotFound);
    EXPECT_EQ(rows.MoveNext().code(), ErrorCode::NotFound);

    Recordset empty = Recordset::Query({"A_Name"}, {});
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.GetRows(-1).code(), ErrorCode::NotFound);
}

}  // namespace
}  // namespace jet
