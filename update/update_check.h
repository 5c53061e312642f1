#pragma once
// The end of an update check: reading the version file, telling the user, and on acceptance
// writing and starting the updater. Given its data, it knows nothing of the program's windows.
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

#include <cstdint>
#include <string>

#include "common/services.h"

enum class UpdateCheckEnd { kGoOn, kHandedOver };

// What the end of a check needs of the program's settings, and what it changes there.
struct UpdateCheckData {
    WindowRef owner = nullptr;      // in: owner of the messages
    Services* services = nullptr;   // in, borrowed: messages, the pause and the updater's start
    int16_t source = 0;             // in: UpdateCheckSource
    std::string appTitle;           // in: with appVersion, the offer's caption
    std::string appVersion;         // in: the version the file is compared with
    std::string versionFile;        // in: VersionFile, where the check stored the file
    std::string updaterPath;        // in: UpdaterPath, where an accepted update writes the updater
    std::string newestVersion;      // in and out: NewestVersion, kept when the file has no line
};

// Runs when a check ends (the download completed or Timer1 ran out), after the download was
// stopped and the timer turned off: tells the user what the check found and, when a new version is
// accepted, hands over to the updater.
UpdateCheckEnd EvaluateUpdateCheck(UpdateCheckData& check);
