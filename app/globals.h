#pragma once
// The global settings record: one instance for the whole program, filled by the start-up routine
// and the main window's load handler. Field names are the program's own. Only app/ reads and writes
// it: the dialogs, the login run and the update check are given what they need of it.
// Invariants:
//   1. SiteUrl has no trailing slash; VersionUrl and HelpUrl are SiteUrl followed by their paths.
//   2. DbPath and UpdaterPath lie in the program folder; VersionFile is always
//      "c:\windows\temp\Kestrin.txt", wherever Windows is installed.
//   3. The database connection (the record's Conn) is owned by the store's AccountDb, which opens
//      and closes it around each operation; the record does not hold it.
// Portable: texts are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

struct GlobalSettings {
    std::string QQPath;
    int16_t UpdateCheckTicks = 0;
    int16_t UpdateCheckSource = 0;  // 0 automatic, 1 a menu item, 2 the settings dialog
    std::string EditAlias;
    int16_t EditRow = 0;
    std::string SiteUrl;
    std::string AppTitle;
    std::string AppVersion;
    std::string NewestVersion;
    std::string VersionUrl;
    std::string UpdaterPath;
    std::string HelpUrl;
    std::string DbPath;
    int16_t ExitAfterLogin = 0;  // 1: a login run ends the program; anything else minimises
    std::string VersionFile;
};

constexpr char kAppTitle[] = "Kestrin";
constexpr char kAppVersion[] = "V1.4";
constexpr char kVersionFile[] = "c:\\windows\\temp\\Kestrin.txt";

// The record as the start-up routine leaves it (its steps 1 and 4 to 7) for a program in
// `programFolder` (no trailing backslash).
GlobalSettings StartupSettings(std::string_view programFolder, std::string_view siteUrl);
