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

}  // namespace
}  // namespace jet
