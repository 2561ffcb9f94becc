// The save folders a prefix holds, the game in use, and what follows it: the registry, the save
// folder, the drives and the program to start.
#include "game/character_file.h"
#include "game/games.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "host/wine_prefix.h"
#include "support/captured_log.h"
#include "support/d2s_fixtures.h"
#include "support/files.h"
#include "support/qt_print.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using games::Edition;
using games::Game;
using test::TempHome;
namespace d2s = test::d2s;

const QString kGameKey = QLatin1String(regedit::kGameKey);
const QString kUninstallKey =
    QStringLiteral("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Diablo II Resurrected");

QStringList describe(const QList<Game>& list) {
    QStringList lines;
    for (const Game& game : list)
        lines << game.name() + QStringLiteral(" | ") + game.saveFolder + (game.fromRegistry ? " (registry)" : "");
    return lines;
}

// A prefix of two profiles: Diablo II by the registry in the 1.14 folder of one, Resurrected with
// its mods in the other, and characters in the shared profile.
class SaveFoldersOfAPrefix : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        prefix = TempHome::makePrefix(home.path("Games/diablo"), "me");
        QDir().mkpath(prefix + "/drive_c/users/other");
        // Diablo II by the registry, its save folder shared with 1.14's default one (listed once).
        const QString classic = TempHome::savedGames(prefix, "me", "Diablo II");
        test::writeBytes(classic + "/Hero.d2s", d2s::signedFile(96, 3, 26));
        TempHome::writeReg(prefix, false, {{kGameKey, {{"NewSavePath", "C:\\users\\me\\Saved Games\\Diablo II\\"}}}});
        // Another profile's 1.14 folder counts only with characters in it; the shared profile never.
        TempHome::savedGames(prefix, "other", "Diablo II");
        test::writeBytes(TempHome::savedGames(prefix, "Public", "Diablo II") + "/Shared.d2s", "x");
        // Resurrected, and those of its mods that hold characters.
        const QString resurrected = TempHome::savedGames(prefix, "other", "Diablo II Resurrected");
        test::writeBytes(resurrected + "/mods/RMD/Warlock.d2s", d2s::stateFile(105, 7, 80, 0x20));
        test::writeBytes(resurrected + "/mods/Empty/Settings.json", "{}");
    }

    TempHome home;
    QString prefix;
};

TEST_F(SaveFoldersOfAPrefix, EveryOneIsListedOnceInThatPrefix) {
    EXPECT_EQ(describe(games::gamesInPrefix(prefix)),
              (QStringList{"Diablo II | C:\\users\\me\\Saved Games\\Diablo II\\ (registry)",
                           "Diablo II: Resurrected | C:\\users\\other\\Saved Games\\Diablo II Resurrected",
                           "Diablo II: Resurrected, mod RMD | C:\\users\\other\\Saved Games\\Diablo II "
                           "Resurrected\\mods\\RMD"}));
    for (const Game& game : games::gamesInPrefix(prefix))
        EXPECT_EQ(game.prefix, prefix);
}

TEST_F(SaveFoldersOfAPrefix, WithoutTheRegistryValueThe114FolderIsFoundByItsPlace) {
    TempHome::writeReg(prefix, false, {});
    EXPECT_EQ(describe(games::gamesInPrefix(prefix)).first(),
              QStringLiteral("Diablo II | C:\\users\\me\\Saved Games\\Diablo II"));
}

TEST_F(SaveFoldersOfAPrefix, LookingIntoAPrefixLeavesTheOneInUseAsItWas) {
    const QString before = host::winePrefixPath();
    ASSERT_NE(before, prefix);
    ASSERT_FALSE(games::gamesInPrefix(prefix).isEmpty());
    EXPECT_EQ(host::winePrefixPath(), before);
}

TEST_F(SaveFoldersOfAPrefix, AModFolderWhoseNameIsNotUtf8IsLeftOutAndSaidWhy) {
    const QString mods = prefix + "/drive_c/users/other/Saved Games/Diablo II Resurrected/mods";
    test::writeBytes(mods + "/Caf\u00e9/Hero.d2s", d2s::stateFile(105, 7, 80, 0x20));
    test::writeBytes(mods + "/latin1/Hero.d2s", d2s::stateFile(105, 7, 80, 0x20));
    const test::UndecodableName latin1(mods + "/latin1", "caf\xe9");

    const test::CapturedLog log("quillmere.discovery");
    QStringList modsFound;
    for (const Game& game : games::gamesInPrefix(prefix))
        modsFound << game.mod;
    EXPECT_EQ(modsFound, (QStringList{"", "", "Caf\u00e9", "RMD"}));
    EXPECT_EQ(log.messages().size(), 1) << qPrintable(log.text());
    EXPECT_TRUE(log.text().contains("mod folder in " + mods + " for a name")) << qPrintable(log.text());
    EXPECT_TRUE(log.text().contains("\"caf\\xE9\"")) << qPrintable(log.text());
}

TEST(GamesInPrefix, ProtonProfileAndFolderNamesInAnyCase) {
    TempHome home;
    const QString prefix = TempHome::makePrefix(home.path(".steam/steam/steamapps/compatdata/1/pfx"), "steamuser");
    QDir().mkpath(prefix + "/drive_c/users/steamuser/saved games/DIABLO II RESURRECTED");
    EXPECT_EQ(describe(games::gamesInPrefix(prefix)),
              QStringList{"Diablo II: Resurrected | C:\\users\\steamuser\\saved games\\DIABLO II RESURRECTED"});
}

TEST(GamesInPrefix, AFolderInTheExactCaseComesBeforeOneInAnother) {
    TempHome home;
    const QString prefix = TempHome::makePrefix(home.path("Games/twice"), "me");
    QDir().mkpath(prefix + "/drive_c/users/me/Saved Games/DIABLO II RESURRECTED");
    QDir().mkpath(prefix + "/drive_c/users/me/Saved Games/Diablo II Resurrected");
    test::writeBytes(prefix + "/drive_c/users/me/Saved Games/DIABLO II/Hero.d2s", "x");
    EXPECT_EQ(describe(games::gamesInPrefix(prefix)),
              (QStringList{"Diablo II | C:\\users\\me\\Saved Games\\DIABLO II",
                           "Diablo II: Resurrected | C:\\users\\me\\Saved Games\\Diablo II Resurrected"}));
}

TEST(GamesInPrefix, ARegistryValueNamingAFolderThatDoesNotExistIsNoGame) {
    TempHome home;
    const QString prefix = TempHome::makePrefix(home.path("Games/diablo"), "me");
    TempHome::savedGames(prefix, "me", "Diablo II Resurrected");
    TempHome::writeReg(prefix, true, {{kGameKey, {{"Save Path", "C:\\Program Files\\Diablo II\\Save"}}}});
    EXPECT_EQ(describe(games::gamesInPrefix(prefix)),
              QStringList{"Diablo II: Resurrected | C:\\users\\me\\Saved Games\\Diablo II Resurrected"});
}

TEST(GamesInPrefix, AFolderThatIsNoPrefixHasNoGames) {
    TempHome home;
    const QString prefix = TempHome::makePrefix(home.path("Games/diablo"), "me");
    TempHome::savedGames(prefix, "me", "Diablo II Resurrected");
    EXPECT_TRUE(games::gamesInPrefix(home.path("nothing")).isEmpty());
    EXPECT_TRUE(games::gamesInPrefix(prefix + "/drive_c").isEmpty());
}

TEST(GamesInPrefix, ManyPrefixesAreReadAtOnceEachInItsOwnRegistryAndInOrder) {
    TempHome home;
    QStringList prefixes;
    QStringList expected;
    for (int i = 0; i < 24; ++i) {
        const QString prefix = TempHome::makePrefix(home.path(QStringLiteral("Games/p%1").arg(i)), "me");
        const QString folder = QStringLiteral("C:\\Save%1").arg(i);
        QDir().mkpath(prefix + QStringLiteral("/drive_c/Save%1").arg(i));
        TempHome::writeReg(prefix, true, {{kGameKey, {{"Save Path", folder}}}});
        if (i % 3 == 0) {
            TempHome::savedGames(prefix, "me", "Diablo II Resurrected");
            expected << "Diablo II | " + folder + " (registry)"
                     << "Diablo II: Resurrected | C:\\users\\me\\Saved Games\\Diablo II Resurrected";
        } else {
            expected << "Diablo II | " + folder + " (registry)";
        }
        prefixes << prefix;
    }
    for (int round = 0; round < 3; ++round) {
        const QList<Game> found = games::gamesInPrefixes(prefixes);
        EXPECT_EQ(describe(found), expected);
        for (const Game& game : found)
            EXPECT_TRUE(game.saveFolder.startsWith("C:\\users") ||
                        game.saveFolder.mid(7) == QFileInfo(game.prefix).fileName().mid(1))
                << qPrintable(game.prefix + " " + game.saveFolder);
    }
    EXPECT_TRUE(games::gamesInPrefixes({}).isEmpty());
}

// Resurrected in a Lutris prefix, and a classic game by its registry values in a Proton prefix.
class GameInUse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        lutris = TempHome::makePrefix(home.path("Games/battlenet"), "me");
        steam = TempHome::makePrefix(home.path(".local/share/Steam/steamapps/compatdata/7/pfx"), "steamuser");
        test::writeBytes(TempHome::savedGames(lutris, "me", "Diablo II Resurrected") + "/Nyx.d2s",
                         d2s::stateFile(105, 7, 42, 0x24));
        const QString classicSave = steam + "/drive_c/Diablo II/Save";
        test::writeBytes(classicSave + "/Hero.d2s", d2s::signedFile(96, 4, 30));
        TempHome::writeReg(steam, true,
                           {{kGameKey, {{"Save Path", "C:\\Diablo II\\Save"}, {"Program", "C:\\Game.exe"}}}});
        found = games::gamesInPrefixes({lutris, steam});
        ASSERT_EQ(found.size(), 2);
    }

    TempHome home;
    QString lutris;
    QString steam;
    QList<Game> found;
};

TEST_F(GameInUse, AFixedSaveFolderGameBringsItsPrefixAndFolder) {
    games::useGame(found[0]);
    EXPECT_EQ(host::winePrefixPath(), lutris);
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\users\\me\\Saved Games\\Diablo II Resurrected"));
    EXPECT_EQ(game::ReadCharacterFile(regedit::saveFolder(), "Nyx.d2s").classCode, 7);
    EXPECT_EQ(regedit::gameProgram(), QString()); // no D2R.exe in this prefix
}

TEST_F(GameInUse, ARegistryGameBringsItsPrefixItsRegistryAndItsDrives) {
    games::useGame(found[0]);
    games::useGame(found[1]);
    EXPECT_EQ(host::winePrefixPath(), steam);
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\Diablo II\\Save"));
    EXPECT_EQ(game::ReadCharacterFile(regedit::saveFolder(), "Hero.d2s").level, 30);
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("C:\\Game.exe"));
}

TEST_F(GameInUse, ARegistryGamesFolderIsReadAfresh) {
    games::useGame(found[1]);
    QDir().mkpath(steam + "/drive_c/Moved");
    TempHome::writeReg(steam, true, {{kGameKey, {{"Save Path", "C:\\Moved"}}}});
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\Moved"));
}

TEST_F(GameInUse, NoGameInAPrefixKeepsThePrefix) {
    games::useGame(found[1]);
    games::useNoGame(lutris);
    EXPECT_FALSE(games::gameInUse());
    EXPECT_EQ(host::winePrefixPath(), lutris);
}

TEST_F(GameInUse, NoGameAtAllGoesBackToTheEnvironmentsPrefix) {
    games::useGame(found[1]);
    games::useNoGame();
    EXPECT_FALSE(games::gameInUse());
    EXPECT_EQ(host::winePrefixPath(), QDir::cleanPath(qEnvironmentVariable("WINEPREFIX", QDir::homePath() + "/.wine")));
}

// Resurrected in a prefix of its own, chosen.
class ResurrectedProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        prefix = TempHome::makePrefix(home.path("Games/battlenet"), "me");
        TempHome::savedGames(prefix, "me", "Diablo II Resurrected");
        games::useGame(games::gamesInPrefix(prefix).value(0));
        ASSERT_TRUE(games::gameInUse());
    }

    void installD2R(const QString& folder) { test::writeBytes(prefix + "/drive_c/" + folder + "/D2R.exe", "MZ"); }

    TempHome home;
    QString prefix;
};

TEST_F(ResurrectedProgram, IsNoneWhileD2RIsNowhere) {
    EXPECT_EQ(regedit::gameProgram(), QString());
}

TEST_F(ResurrectedProgram, IsD2RInItsDefaultFolder) {
    installD2R("Program Files (x86)/Diablo II Resurrected");
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("C:\\Program Files (x86)\\Diablo II Resurrected\\D2R.exe"));
}

// The 32-bit uninstall entry names where the game really is; the classic "Program" plays no part.
TEST_F(ResurrectedProgram, IsD2RInTheFolderTheUninstallEntryNames) {
    installD2R("Program Files (x86)/Diablo II Resurrected");
    installD2R("Games/D2R");
    TempHome::writeReg(prefix, true,
                       {{kUninstallKey, {{"InstallLocation", "C:\\Games\\D2R"}}},
                        {kGameKey, {{"Program", "C:\\Program Files (x86)\\Diablo II\\Game.exe"}}}});
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("C:\\Games\\D2R\\D2R.exe"));
}

TEST_F(ResurrectedProgram, AnUninstallEntryNamingAFolderWithoutTheGameFallsBackToTheDefaultFolder) {
    installD2R("Program Files (x86)/Diablo II Resurrected");
    TempHome::writeReg(prefix, true, {{kUninstallKey, {{"InstallLocation", "C:\\Gone"}}}});
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("C:\\Program Files (x86)\\Diablo II Resurrected\\D2R.exe"));
}

TEST_F(ResurrectedProgram, StartsInTheChosenPrefix) {
    installD2R("Program Files (x86)/Diablo II Resurrected");
    QString reason;
    EXPECT_EQ(
        host::WineProcessStarter::translate(regedit::gameProgram(), host::ShowWindow::Minimized, &reason).winePrefix,
        prefix);
}

TEST(GameIdentity, SameGameWhateverItsFolderHoldsAndWhereverItsPrefixIsSpelt) {
    const Game registry{Edition::Classic, true, "/home/me/.wine", "C:\\Save", {}};
    EXPECT_TRUE(registry.sameAs({Edition::Classic, true, "/home/me/.wine/", "C:\\Elsewhere", {}}));
    EXPECT_FALSE(registry.sameAs({Edition::Classic, true, "/home/me/.wine2", "C:\\Save", {}}));
    EXPECT_FALSE(registry.sameAs({Edition::Classic, false, "/home/me/.wine", "C:\\Save", {}}));
    const Game fixed{Edition::Resurrected, false, "/p", "C:\\users\\me\\Saved Games\\Diablo II Resurrected", {}};
    EXPECT_TRUE(
        fixed.sameAs({Edition::Resurrected, false, "/p", "c:\\USERS\\me\\saved games\\diablo ii resurrected", {}}));
    EXPECT_FALSE(
        fixed.sameAs({Edition::Resurrected, false, "/p", "C:\\users\\you\\Saved Games\\Diablo II Resurrected", {}}));
    EXPECT_FALSE(fixed.sameAs({Edition::Classic, false, "/p", fixed.saveFolder, {}}));
}

} // namespace
} // namespace quillmere
