#include "jet/format/jet_date.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace jet {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = unsigned(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

void CivilFromDays(long long z, CivilTime& out) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    unsigned doe = unsigned(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = (long long)yoe + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    out.day = int(doy - (153 * mp + 2) / 5 + 1);
    out.month = int(mp < 10 ? mp + 3 : mp - 9);
    out.year = int(y + (out.month <= 2));
}

const long long kJetEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

DateTime ToJetDate(const CivilTime& t) {
    long long day = DaysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) - kJetEpoch;
    double fraction = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
    return DateTime{day < 0 ? double(day) - fraction : double(day) + fraction};
}

CivilTime FromJetDate(DateTime date) {
    double whole = std::trunc(date.days);
    long long seconds = std::llround(std::fabs(date.days - whole) * 86400.0);
    long long day = (long long)whole;
    if (seconds >= 86400) {  // rounding reached the next midnight
        seconds -= 86400;
        day += date.days < 0 ? -1 : 1;
    }
    CivilTime t;
    CivilFromDays(day + kJetEpoch, t);
    t.hour = int(seconds / 3600);
    t.minute = int(seconds / 60 % 60);
    t.second = int(seconds % 60);
    return t;
}

std::string FormatJetDate(DateTime date) {
    CivilTime t = FromJetDate(date);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

DateTime JetNow() {
    std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    return ToJetDate(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec});
}

}  // namespace jet
