#pragma once
// The texts a login run builds: the time stamp and the QQ client's command line (its statements are
// store/statements.h's). Pure functions, so the exact texts are tested natively.
// Invariants:
//   1. The time text is "yyyy-mm-dd H:mm:ss": four-digit year, two-digit month, day, minutes and
//      seconds, the hour without a leading zero.
//   2. The command line is the stored path, unquoted, followed by the fixed pieces; nothing is added
//      or trimmed anywhere.
//   3. Only sound fields reach a command line: a number of digits, a hash of 22 Base64 characters
//      and a status of 0 or 1 cannot hold a blank, a quotation mark or a switch of their own.

#include <string>
#include <string_view>

#include "common/services.h"

// The time text a login and an import stamp: "2008-03-05 9:07:03" for 5 March 2008, 09:07:03.
std::string FormatTimeText(const LocalTime& time);

// The status code: "4" followed by A_stat as decimal text ("41" online, "40" invisible).
std::string StatusCode(std::string_view stat);

// qqPath + " /START QQUIN:" + number + " PWDHASH:" + hash + "==" + " /STAT:" + StatusCode(stat).
std::string LoginCommandLine(std::string_view qqPath, std::string_view number, std::string_view hash,
                             std::string_view stat);

// Whether a stored row may become a command line: A_QQ all digits, A_pass 22 characters of the
// Base64 alphabet, A_stat "0" or "1". A config.dat edited elsewhere can hold anything in them.
bool SoundLoginFields(std::string_view number, std::string_view hash, std::string_view stat);
