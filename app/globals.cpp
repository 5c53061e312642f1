#include "win/globals.h"

#include "update/site_url.h"

namespace {

std::string WithoutTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url;
}

}  // namespace

std::string ChooseSiteUrl(const char* environmentValue, std::string_view builtIn) {
    std::string fromEnvironment = WithoutTrailingSlashes(environmentValue ? environmentValue : "");
    if (IsAcceptedSiteOverride(fromEnvironment)) return fromEnvironment;
    return WithoutTrailingSlashes(std::string(builtIn));
}

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
