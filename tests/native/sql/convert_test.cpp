// Jet's conversion of text to integer types, the one conversion with rules of its own.

#include "jet/sql/convert.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST(TextToInteger, ReadsNumbersAsJetDoesAndRoundsHalfToEven) {
    struct Case {
        const char* text;
        std::optional<int64_t> number;
    } cases[] = {
        {"1", 1},
        {" 12 ", 12},
        {"\t7\t", 7},
        {"-3", -3},
        {"+4", 4},
        {"007", 7},
        {"2.5", 2},
        {"3.5", 4},
        {"2.51", 3},
        {"-2.5", -2},
        {"-3.5", -4},
        {"0.4999", 0},
        {".5", 0},
        {"1.", 1},
        {"", {}},
        {" ", {}},
        {"-", {}},
        {".", {}},
        {"abc", {}},
        {"1a", {}},
        {"1 2", {}},
        {"+-1", {}},
        {"--1", {}},
        {"1.2.3", {}},
        {"1e3", {}},
        {"0x10", {}},
        {"1,000", {}},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", {}},
        {"9223372036854775807.5", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        EXPECT_EQ(TextToInteger(c.text), c.number);
    }
}

// Every Jet 4 type reads through the SQL layer; types the product never uses come out as text.
TEST(ColumnValueToVariant, ReadsEveryJet4TypeAsTheProductOrAToolWouldShowIt) {
    struct Case {
        ColumnType type;
        Value value;
        Variant expected;
    } cases[] = {
        {ColumnType::Boolean, Value(true), Variant(int64_t{-1})},
        {ColumnType::Byte, Value(int64_t{200}), Variant(int64_t{200})},
        {ColumnType::Long, Value(int64_t{-7}), Variant(int64_t{-7})},
        {ColumnType::Single, Value(double(0.1f)), Variant(std::string("0.1"))},
        {ColumnType::Double, Value(-10.096309661865234), Variant(std::string("-10.096309661865234"))},
        {ColumnType::Currency, Value(Currency{1980000}), Variant(std::string("198"))},
        {ColumnType::Currency, Value(Currency{-12345}), Variant(std::string("-1.2345"))},
        {ColumnType::DateTime, Value(DateTime{46363.379895833335}), Variant(std::string("2026-12-07 09:07:03"))},
        {ColumnType::Numeric, Value(Decimal{"-12.50"}), Variant(std::string("-12.50"))},
        {ColumnType::Guid, Value(Bytes{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC,
                                       0xDD, 0xEE, 0xFF}),
         Variant(std::string("{00112233-4455-6677-8899-AABBCCDDEEFF}"))},
        {ColumnType::Ole, Value(Bytes{0x00, 0xAB, 0x0F}), Variant(std::string("00AB0F"))},
        {ColumnType::FixedBinary, Value(Bytes{0xFF}), Variant(std::string("FF"))},
        {ColumnType::Memo, Value(std::string("line\nbreak")), Variant(std::string("line\nbreak"))},
        {ColumnType::Double, Value(Null{}), Variant()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ColumnTypeName(c.type));
        ColumnInfo column{"c", c.type, 0, false};
        auto variant = ColumnValueToVariant(column, c.value);
        ASSERT_TRUE(variant.ok()) << variant.status().ToString();
        EXPECT_EQ(*variant, c.expected) << variant->Describe();
    }
}

}  // namespace
}  // namespace jet
