#pragma once
// Jet dates: a double counting days since 1899-12-30, the fraction the time of day. Before that day
// the whole part is negative while the fraction still counts forward from midnight
// (-1.25 = 1899-12-29 06:00). Local time, no time zone.
// Invariants:
//  1. FromJetDate rounds to the nearest whole second, carrying into the next day at midnight.
//  2. ToJetDate and FromJetDate are inverse for whole seconds (proleptic Gregorian calendar).
// On disk: an IEEE double, little-endian (8 bytes).

#include <string>

#include "jet/format/value.h"

namespace jet {

struct CivilTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    bool operator==(const CivilTime&) const = default;
};

DateTime ToJetDate(const CivilTime& time);
CivilTime FromJetDate(DateTime date);
// "2026-12-07 09:07:03"
std::string FormatJetDate(DateTime date);
// The machine's local time now.
DateTime JetNow();

}  // namespace jet
