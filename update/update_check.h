#pragma once
// The end of an update check: reading the version file, telling the user, and on acceptance
// writing and starting the updater and ending the program.
// Invariants:
//   1. The version file is read whole and bounded (update/version_file.h) and is an answer only when
//      its signature beside it ("<VersionFile>.sig") verifies over exactly those bytes with the
//      built-in key; otherwise the check found nothing ("网络错误" for a user's check). NewestVersion
//      keeps its last value when the file has no line.
//   2. Only a check the user started reports "网络错误" or "没有可用更新"; a new version is offered
//      whatever started the check.
//   3. Accepting writes resource "UPEXE" 125 to UpdaterPath and the checked version file with its
//      signature beside it ("update.txt", "update.txt.sig"), starts exactly UpdaterPath without
//      arguments and answers kHandedOver, whether or not the writing and the start succeeded: the
//      caller then closes its windows and ends the program.

#include "update/version_file.h"
#include "win/globals.h"
#include "win/main_window.h"

// Reads VersionFile's first line into NewestVersion and compares it with AppVersion.
VersionCheck ReadVersionFile(GlobalSettings& globals);

enum class UpdateCheckEnd { kGoOn, kHandedOver };

// Runs when a check ends (the download completed or Timer1 ran out), after the download was
// stopped and the timer turned off: tells the user what the check found and, when a new version is
// accepted, hands over to the updater.
UpdateCheckEnd EvaluateUpdateCheck(MainWindow& main);
