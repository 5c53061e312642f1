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
//      arguments and ends the program through the main window's closing, whether or not the
//      writing and the start succeeded.

#include "update/version_file.h"
#include "win/globals.h"
#include "win/main_window.h"

// Runs when a check ends (the download completed or Timer1 ran out), after the download was
// stopped and the timer turned off: gives the settings dialog's Command5 back when the check was
// the dialog's, then EvaluateUpdateCheck.
void FinishUpdateCheck(MainWindow& main);

// Reads VersionFile's first line into NewestVersion and compares it with AppVersion.
VersionCheck ReadVersionFile(GlobalSettings& globals);

// Tells the user what the check found and, when a new version is accepted, hands over to the updater.
void EvaluateUpdateCheck(MainWindow& main);
