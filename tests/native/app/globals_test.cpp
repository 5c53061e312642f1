#include "win/globals.h"

#include <gtest/gtest.h>

TEST(GlobalSettings, StartupFillsEveryPathFromTheProgramFolderAndSite) {
    GlobalSettings g = StartupSettings("C:\\Tools\\Kestrin", "https://kestrin.example.com");
    EXPECT_EQ(g.AppTitle, "Kestrin");
    EXPECT_EQ(g.AppVersion, "V1.4");
    EXPECT_EQ(g.VersionUrl, "https://kestrin.example.com/tools/kestrin/Kestrin.txt");
    EXPECT_EQ(g.HelpUrl, "https://kestrin.example.com/tools/kestrin/kestrin.htm");
    EXPECT_EQ(g.DbPath, "C:\\Tools\\Kestrin\\config.dat");
    EXPECT_EQ(g.UpdaterPath, "C:\\Tools\\Kestrin\\update.exe");
    EXPECT_EQ(g.ExitAfterLogin, 0);
    EXPECT_EQ(g.UpdateCheckTicks, 0);
    EXPECT_EQ(g.UpdateCheckSource, 0);
    EXPECT_EQ(g.EditRow, 0);
    EXPECT_TRUE(g.QQPath.empty());
    EXPECT_TRUE(g.NewestVersion.empty());
    EXPECT_TRUE(g.EditAlias.empty());
}

TEST(GlobalSettings, VersionFileIsFixedWhateverTheProgramFolder) {
    for (const char* folder : {"C:\\x", "D:\\Program Files\\Kestrin", "\\\\server\\share"}) {
        SCOPED_TRACE(folder);
        GlobalSettings g = StartupSettings(folder, "https://kestrin.example.com");
        EXPECT_EQ(g.VersionFile, "c:\\windows\\temp\\Kestrin.txt");
    }
}

TEST(GlobalSettings, SiteUrlTakesTheEnvironmentOnlyWhenSetAndAcceptedAndNeverEndsInSlash) {
    struct Case {
        const char* name;
        const char* environment;
        const char* builtIn;
        const char* expected;
    } cases[] = {
        {"unset", nullptr, "https://kestrin.example.com", "https://kestrin.example.com"},
        {"empty", "", "https://kestrin.example.com", "https://kestrin.example.com"},
        {"set", "http://127.0.0.1:8123", "https://kestrin.example.com", "http://127.0.0.1:8123"},
        {"set with slashes", "http://127.0.0.1:8123//", "https://kestrin.example.com", "http://127.0.0.1:8123"},
        {"built-in with slash", nullptr, "https://kestrin.example.com/", "https://kestrin.example.com"},
        {"plain http elsewhere is ignored", "http://mirror.example.com", "https://kestrin.example.com",
         "https://kestrin.example.com"},
        {"a query is ignored", "https://mirror.example.com/?", "https://kestrin.example.com",
         "https://kestrin.example.com"},
        {"https elsewhere", "https://mirror.example.com/", "https://kestrin.example.com", "https://mirror.example.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseSiteUrl(c.environment, c.builtIn), c.expected);
    }
}
