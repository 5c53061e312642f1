#pragma once
// The texts a login run builds: the time stamp, the three statements it runs per account and the
// QQ client's command line. Pure functions, so the exact texts are tested natively.
// Invariants:
//   1. The time text is "yyyy-mm-dd H:mm:ss": four-digit year, two-digit month, day, minutes and
//      seconds, the hour without a leading zero.
//   2. Every alias and time text reaches a statement through SqlQuote, so an apostrophe in an alias
//      can never end the literal and reach other rows.
//   3. The command line is the stored path, unquoted, followed by the fixed pieces; nothing is added
//      or trimmed anywhere.

#include <string>
#include <string_view>

#include "win/services.h"

// "2008-03-05 9:07:03" for 5 March 2008, 09:07:03.
std::string LoginTimeText(const LocalTime& time);

// The status code: "4" followed by A_stat as decimal text ("41" online, "40" invisible).
std::string StatusCode(std::string_view stat);

// qqPath + " /START QQUIN:" + number + " PWDHASH:" + hash + "==" + " /STAT:" + StatusCode(stat).
std::string LoginCommandLine(std::string_view qqPath, std::string_view number, std::string_view hash,
                             std::string_view stat);

// The statements of a run, one account each.
std::string DeactivateStatement(std::string_view alias);                        // A_activ=0
std::string StampStatement(std::string_view timeText, std::string_view alias);  // A_activ=1, A_last
std::string SelectLoginFieldsStatement(std::string_view alias);                 // A_QQ,A_stat,A_pass
