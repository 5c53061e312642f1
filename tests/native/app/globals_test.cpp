#include "app/globals.h"

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
