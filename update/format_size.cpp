#include "update/format_size.h"

#include <cmath>

namespace {

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGStepStart = 512 * kMiB;

// units / 1024 with one decimal, rounded half up in whole numbers (binary floating point would
// round 1.25 down to "1.2"), with every ".0" removed.
std::string TenthsOf1024(int64_t units) {
    int64_t tenths = (units * 10 + 512) / 1024;
    std::string text = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    // The "#,##0.0" of the G step never needs a thousands separator: a 32-bit count is below 2G.
    for (size_t at = text.find(".0"); at != std::string::npos; at = text.find(".0")) text.erase(at, 2);
    return text;
}

}  // namespace

std::string FormatSize(int32_t n) {
    int64_t bytes = n;
    if (bytes < kKiB) return std::to_string(bytes) + "b";
    if (bytes < kMiB) return std::to_string(bytes / kKiB) + "k";
    if (bytes < kGStepStart) return TenthsOf1024(bytes / kKiB) + "M";
    return TenthsOf1024(bytes / kMiB) + "G";
}

std::string SizeLogText(int32_t n) {
    return FormatSize(n) + " (" + std::to_string(n) + " bytes)";
}

std::string ProgressCaption(float fraction) {
    double percent = static_cast<double>(fraction) * 100.0;
    if (!(percent > 0.0)) return "0%";
    if (percent > 1e9) percent = 1e9;
    return std::to_string(static_cast<int64_t>(std::floor(percent + 0.5))) + "%";
}
