#include "update/format_size.h"

#include <gtest/gtest.h>

#include <limits>

TEST(FormatSize, EachStepStartsAndEndsAtItsBoundary) {
    struct Case {
        int32_t bytes;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {0, "0b", "the b step starts at nothing"},
        {1023, "1023b", "the last byte count"},
        {1024, "1k", "the k step starts at 1024"},
        {2047, "1k", "the k step divides, it does not round"},
        {1048575, "1023k", "the last k"},
        {1048576, "1M", "the M step starts at 1 MiB"},
        {1572864, "1.5M", "one decimal"},
        {2097152, "2M", "a whole number loses its .0"},
        {536870911, "512M", "511.99... rounds up to 512.0 and loses its .0"},
        {536870912, "0.5G", "the G step starts at 512 MiB, not 1 GiB"},
        {1073741824, "1G", "a whole G loses its .0"},
        {std::numeric_limits<int32_t>::max(), "2G", "the largest count rounds up"},
        {-5, "-5b", "a negative count is below 1024"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(FormatSize(c.bytes), c.text);
    }
}

TEST(FormatSize, RoundsTheDecimalHalfUpAndRemovesEveryPointZero) {
    struct Case {
        int32_t bytes;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {1024 * 1280, "1.3M", "1.25 MiB: binary rounding of 1.25 would give 1.2M"},
        {1024 * 1331, "1.3M", "1.2998 MiB"},
        {1024 * 10240, "10M", "10.0: only the .0 goes, not the zero of 10"},
        {1024 * 103424, "101M", "101.0 keeps the zero between the ones"},
        {1024 * 104755, "102.3M", "a decimal that is not zero stays"},
        {805306368, "0.8G", "0.75 GiB rounds half up"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(FormatSize(c.bytes), c.text);
    }
}

TEST(SizeLogText, AddsTheExactByteCount) {
    EXPECT_EQ(SizeLogText(1572864), "1.5M (1572864 bytes)");
    EXPECT_EQ(SizeLogText(0), "0b (0 bytes)");
}

TEST(ProgressCaption, ShowsTheRoundedWholePercentage) {
    struct Case {
        float fraction;
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {0.0f, "0%", "nothing received"},
        {0.456f, "46%", "rounds up from .6"},
        {0.454f, "45%", "rounds down from .4"},
        {0.995f, "100%", "rounds half up, as the 0% format does"},
        {1.0f, "100%", "all received"},
        {-0.5f, "0%", "a negative fraction"},
        {std::numeric_limits<float>::quiet_NaN(), "0%", "not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ProgressCaption(c.fraction), c.text);
    }
}
