#include "app/globals.h"

GlobalSettings StartupSettings(std::string_view programFolder, std::string_view siteUrl) {
    GlobalSettings g;
    g.AppTitle = kAppTitle;
    g.ExitAfterLogin = 0;
    g.SiteUrl = std::string(siteUrl);
    g.AppVersion = kAppVersion;
    g.VersionUrl = g.SiteUrl + "/tools/kestrin/Kestrin.txt";
    g.DbPath = std::string(programFolder) + "\\config.dat";
    g.UpdaterPath = std::string(programFolder) + "\\update.exe";
    g.VersionFile = kVersionFile;
    g.HelpUrl = g.SiteUrl + "/tools/kestrin/kestrin.htm";
    return g;
}
