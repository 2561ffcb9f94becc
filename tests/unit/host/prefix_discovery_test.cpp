// Temporary home folders holding the prefixes each game launcher makes, and the configuration
// files that lead to them, well-formed and not.
#include "host/prefix_discovery.h"
#include "host/prefix_sources.h"
#include "support/captured_log.h"
#include "support/files.h"
#include "support/qt_print.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {
namespace {

using host::discoverPrefixes;
using test::TempHome;

QByteArray lutrisConfig(const QString& prefix) {
    return "game:\n  exe: drive_c/Program Files (x86)/Battle.net/Battle.net Launcher.exe\n  prefix: " +
           prefix.toUtf8() + "\ngame_slug: battlenet\nname: Battle.net\nrunner: wine\nsystem: {}\n";
}

QByteArray libraryFolders(const QStringList& paths) {
    QByteArray text = "\"libraryfolders\"\n{\n";
    for (int i = 0; i < paths.size(); ++i)
        text += "\t\"" + QByteArray::number(i) + "\"\n\t{\n\t\t\"path\"\t\t\"" + paths[i].toUtf8() +
                "\"\n\t\t\"label\"\t\t\"\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"0\"\n\t\t}\n\t}\n";
    return text + "}\n";
}

QByteArray lutrisConfigOf(const QStringList& prefixes) {
    QByteArray yaml = "game:\n";
    for (const QString& prefix : prefixes)
        yaml += "  prefix: " + prefix.toUtf8() + "\n";
    return yaml;
}

TEST(PrefixDiscovery, FindsThePrefixesOfEveryLauncherInTheirPlaces) {
    TempHome home;
    ASSERT_TRUE(home.isValid());
    const QString otherDisk = home.path("../disk");
    const QStringList expected = {
        TempHome::makePrefix(home.path(".wine")),
        TempHome::makePrefix(home.path("Games/lutris-prefixes/battlenet")), // named by a config
        TempHome::makePrefix(home.path("Games/diablo-ii-resurrected")), // Lutris' default place, and named by a config
        TempHome::makePrefix(otherDisk + "/lutris/diablo-ii"),          // named by the other config
        TempHome::makePrefix(home.path(".local/share/bottles/bottles/Gaming")),
        TempHome::makePrefix(home.path(".var/app/com.usebottles.bottles/data/bottles/bottles/D2R")),
        TempHome::makePrefix(home.path(".local/share/Steam/steamapps/compatdata/2805136451/pfx"), "steamuser"),
        TempHome::makePrefix(otherDisk + "/SteamLibrary/steamapps/compatdata/3210987654/pfx", "steamuser"),
        TempHome::makePrefix(
            home.path(".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/12/pfx"), "steamuser"),
        TempHome::makePrefix(home.path(".PlayOnLinux/wineprefix/DiabloII")),
        TempHome::makePrefix(home.path(".cxoffice/Diablo II")),
    };
    // Lutris keeps game configurations in both of its folders.
    test::writeBytes(home.path(".config/lutris/games/battlenet-1700000000.yml"), lutrisConfig(expected[1]));
    test::writeBytes(home.path(".local/share/lutris/games/diablo-ii-1700000001.yml"),
                     lutrisConfig("'" + expected[3] + "'"));
    // The usual case: a configuration naming a prefix in ~/Games, which is then found once.
    test::writeBytes(home.path(".config/lutris/games/diablo-ii-resurrected-1700000002.yml"),
                     lutrisConfig("~/Games/diablo-ii-resurrected"));
    // ~/.steam/steam is the usual link to the real Steam folder: its prefixes are listed once.
    QDir().mkpath(home.path(".steam"));
    ASSERT_TRUE(QFile::link(home.path(".local/share/Steam"), home.path(".steam/steam")));
    test::writeBytes(home.path(".local/share/Steam/steamapps/libraryfolders.vdf"),
                     libraryFolders({home.path(".local/share/Steam"), otherDisk + "/SteamLibrary"}));
    // Folders that are not prefixes: no system.reg, no drive_c, a compatdata entry without pfx.
    QDir().mkpath(home.path("Games/not-a-prefix/drive_c"));
    test::writeBytes(home.path(".local/share/bottles/bottles/Half/system.reg"), "WINE REGISTRY Version 2\n");
    QDir().mkpath(home.path(".local/share/Steam/steamapps/compatdata/228980"));

    EXPECT_EQ(discoverPrefixes(home.home(), home.environment()), expected);
}

TEST(PrefixDiscovery, FollowsTheXdgFoldersTheEnvironmentNames) {
    TempHome home;
    const QString config = home.path("../xdg-config");
    const QString data = home.path("../xdg-data");
    const QString lutris = TempHome::makePrefix(home.path("../elsewhere/lutris"));
    const QString bottle = TempHome::makePrefix(data + "/bottles/bottles/Games");
    test::writeBytes(config + "/lutris/games/d2.yml", lutrisConfig(lutris));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data);

    EXPECT_EQ(discoverPrefixes(home.home(), environment), (QStringList{lutris, bottle}));
    EXPECT_TRUE(discoverPrefixes(home.home(), home.environment()).isEmpty());
}

TEST(PrefixDiscovery, PassesOverWhatItCannotReadAndStillFindsTheRest) {
    TempHome home;
    const QString good = TempHome::makePrefix(home.path("Games/good"));
    const QString steamGood = TempHome::makePrefix(home.path(".steam/steam/steamapps/compatdata/1/pfx"));
    // Malformed configurations, a library on a disk that is not there, a pipe where a file should
    // be, dangling links, and a prefix folder that cannot be read.
    test::writeBytes(home.path(".config/lutris/games/broken.yml"), "game: [unclosed\n  prefix: relative/path\n\0\xff");
    test::writeBytes(home.path(".config/lutris/games/missing.yml"), lutrisConfig(home.path("gone")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.path(".config/lutris/games/pipe.yml")).constData(), 0600), 0);
    test::writeBytes(home.path(".steam/steam/steamapps/libraryfolders.vdf"),
                     libraryFolders({"/media/no-such-disk/SteamLibrary"}) + "\"unterminated {");
    test::writeBytes(home.path(".steam/steam/config/libraryfolders.vdf"), "}}}{{{\"path\"");
    ASSERT_TRUE(QFile::link(home.path("nowhere"), home.path("Games/dangling")));
    ASSERT_TRUE(QFile::link(home.path("nowhere"), home.path(".steam/steam/steamapps/compatdata/2")));
    const QString locked = TempHome::makePrefix(home.path("Games/locked"));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    const bool lockedIsUnreadable = ::access(QFile::encodeName(locked + "/system.reg").constData(), R_OK) != 0;

    QStringList expected{good, steamGood};
    if (!lockedIsUnreadable) // root reads everything
        expected.insert(1, locked);
    EXPECT_EQ(discoverPrefixes(home.home(), home.environment()), expected);
    ::chmod(QFile::encodeName(locked).constData(), 0700);
}

TEST(PrefixDiscovery, ThousandsOfGameFoldersHideNoPrefix) {
    TempHome home;
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(QDir().mkpath(home.path(QStringLiteral("Games/game-%1").arg(i, 4, 10, QLatin1Char('0')))));
    const QString prefix = TempHome::makePrefix(home.path("Games/game-1999"));
    EXPECT_EQ(discoverPrefixes(home.home(), home.environment()), QStringList{prefix});
}

TEST(PrefixDiscovery, APrefixNamedAgainAndAgainComesOnceWhereItWasFirstNamed) {
    TempHome home;
    const QString elsewhere = home.path("../elsewhere");
    const QStringList lutris = {TempHome::makePrefix(elsewhere + "/z"), TempHome::makePrefix(elsewhere + "/a"),
                                TempHome::makePrefix(elsewhere + "/m")};
    test::writeBytes(home.path(".config/lutris/games/many.yml"),
                     lutrisConfigOf({lutris[0], lutris[1], lutris[0], lutris[2], lutris[1]}));
    QStringList libraries, steam;
    for (const char* name : {"lib-c", "lib-a", "lib-b"}) {
        libraries << elsewhere + "/" + name;
        steam << TempHome::makePrefix(libraries.last() + "/steamapps/compatdata/1/pfx", "steamuser");
    }
    test::writeBytes(home.path(".steam/steam/steamapps/libraryfolders.vdf"),
                     libraryFolders({libraries[0], libraries[1], libraries[0] + "/", libraries[2], libraries[1]}));

    EXPECT_EQ(discoverPrefixes(home.home(), home.environment()), lutris + steam);
}

// Two Lutris configurations, then Steam's list of libraries, each naming prefixes away from the
// places discovery lists itself.
class LaunchersFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const QString elsewhere = home.path("../elsewhere");
        for (const char* name : {"a1", "a2", "a3", "b1"})
            prefixes << TempHome::makePrefix(elsewhere + "/" + name);
        prefixes << TempHome::makePrefix(elsewhere + "/library/steamapps/compatdata/1/pfx", "steamuser");
        test::writeBytes(home.path(".config/lutris/games/a.yml"), lutrisConfigOf(prefixes.mid(0, 3)));
        test::writeBytes(home.path(".config/lutris/games/b.yml"), lutrisConfigOf({prefixes[3]}));
        test::writeBytes(home.path(".steam/steam/steamapps/libraryfolders.vdf"),
                         libraryFolders({elsewhere + "/library"}));
    }

    TempHome home;
    QStringList prefixes;
};

TEST_F(LaunchersFiles, PastTheBudgetTheRestIsPassedOverWithALineInTheLog) {
    const qint64 aBytes = QFileInfo(home.path(".config/lutris/games/a.yml")).size();
    const struct {
        host::DiscoveryLimits limits;
        QList<int> found; // of `prefixes`
        QString logged;
    } cases[] = {
        {{}, {0, 1, 2, 3, 4}, {}},
        {{1 << 20, 2, 256},
         {0, 1},
         "a.yml from its entry 3 on and 2 launcher files after it: a search takes at most 2"},
        {{1 << 20, 3, 256}, {0, 1, 2}, "b.yml and 1 launcher file after it: a search takes at most 3 entries"},
        {{aBytes, 100, 256},
         {0, 1, 2},
         QStringLiteral("b.yml and 1 launcher file after it: a search reads at most %1").arg(aBytes)},
        {{1 << 20, 100, 2},
         {0, 1, 3, 4},
         "the entries of " + home.path(".config/lutris/games/a.yml") + " past the first 2"},
    };
    for (const auto& each : cases) {
        const test::CapturedLog log("quillmere.discovery");
        QStringList expected;
        for (const int index : each.found)
            expected << prefixes[index];
        EXPECT_EQ(discoverPrefixes(home.home(), home.environment(), each.limits), expected);
        if (each.logged.isEmpty())
            EXPECT_TRUE(log.messages().isEmpty()) << qPrintable(log.text());
        else
            EXPECT_EQ(log.messages().size(), 1) << qPrintable(log.text());
        EXPECT_TRUE(log.text().contains(each.logged)) << qPrintable(log.text());
    }
}

TEST_F(LaunchersFiles, AFileReachedThroughManyHardLinksIsReadOnce) {
    const QString a = home.path(".config/lutris/games/a.yml");
    for (const char* link : {"a-copy.yml", "a-link.yml", "a-more.yml"})
        ASSERT_EQ(::link(QFile::encodeName(a).constData(),
                         QFile::encodeName(home.path(QStringLiteral(".config/lutris/games/") + link)).constData()),
                  0);
    // Room for a.yml once, b.yml and the libraries, not for reading a.yml four times.
    const qint64 room = QFileInfo(a).size() + QFileInfo(home.path(".config/lutris/games/b.yml")).size() +
                        QFileInfo(home.path(".steam/steam/steamapps/libraryfolders.vdf")).size();
    ASSERT_LT(room, QFileInfo(a).size() * 4);
    const test::CapturedLog log("quillmere.discovery");
    EXPECT_EQ(discoverPrefixes(home.home(), home.environment(), {room, 100, 100}), prefixes);
    EXPECT_TRUE(log.messages().isEmpty()) << qPrintable(log.text());
}

TEST(PrefixDiscovery, APrefixWhoseNameIsNotUtf8IsLeftOutAndSaidWhy) {
    TempHome home;
    // The program opens files through Unicode paths: a name that does not decode cannot be reached.
    const QString unicode = TempHome::makePrefix(home.path("Games/Caf\u00e9"));
    TempHome::makePrefix(home.path("Games/latin1"));
    QDir().mkpath(home.path("Games/no-prefix"));
    const test::UndecodableName latin1(home.path("Games/latin1"), "caf\xe9");
    const test::UndecodableName other(home.path("Games/no-prefix"), "stray\xff");
    test::writeBytes(home.path(".config/lutris/games/d2.yml"), "game:\n  prefix: /games/d2\xff\n");

    const test::CapturedLog log("quillmere.discovery");
    EXPECT_EQ(discoverPrefixes(home.home(), home.environment()), QStringList{unicode});
    EXPECT_EQ(log.messages().size(), 2) << qPrintable(log.text());
    EXPECT_TRUE(log.text().contains(home.path("Games") + " for a name that is not valid UTF-8"))
        << qPrintable(log.text());
    EXPECT_TRUE(log.text().contains("\"caf\\xE9\"")) << qPrintable(log.text());
    EXPECT_TRUE(log.text().contains("d2.yml")) << qPrintable(log.text());
    EXPECT_FALSE(log.text().contains("stray")) << qPrintable(log.text());
}

TEST(PrefixSources, LutrisPrefixEntriesInTheirYamlSpellings) {
    const QString home = QStringLiteral("/home/me");
    const QByteArray yaml = "game:\n"
                            "  prefix: /games/plain\n"
                            "  prefix: \"/games/double quoted\"\n"
                            "  prefix: '/games/single'   # a comment\n"
                            "  prefix: ~/Games/tilde\n"
                            "  prefix: $HOME/Games/home\n"
                            "  prefix: relative/ignored\n"
                            "  prefix:\n"
                            "  prefix: /games/plain/\n"
                            "wine:\n  prefixes: /not/this\n";
    EXPECT_EQ(host::lutrisPrefixes(yaml, home), (QStringList{"/games/plain", "/games/double quoted", "/games/single",
                                                             "/home/me/Games/tilde", "/home/me/Games/home"}));
    EXPECT_TRUE(host::lutrisPrefixes("", home).isEmpty());
}

TEST(PrefixSources, SteamLibrariesOfTheCurrentVdf) {
    EXPECT_EQ(host::steamLibraryFolders(libraryFolders({"/home/me/.local/share/Steam", "/mnt/games/Steam"})),
              (QStringList{"/home/me/.local/share/Steam", "/mnt/games/Steam"}));
}

TEST(PrefixSources, SteamLibrariesOfTheOlderVdf) {
    // Comments, escapes and keys in any case; "path" elsewhere is not a library.
    const QByteArray older = "// written by Steam\n\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1700000000\"\n"
                             "\t\"ContentStatsID\"\t\"-123\"\n\t\"1\"\t\"/mnt/with \\\"quote\\\"\"\n"
                             "\t\"2\"\t\"D:\\\\SteamLibrary\"\n\t\"3\"\t\"/mnt/two//\"\n}\n"
                             "\"other\" { \"0\" { \"path\" \"/not/a/library\" } }\n";
    EXPECT_EQ(host::steamLibraryFolders(older), (QStringList{"/mnt/with \"quote\"", "/mnt/two"}));
}

TEST(PrefixSources, BrokenVdfYieldsWhatCameBeforeTheBreakAndNeverRunsPastTheEnd) {
    EXPECT_EQ(host::steamLibraryFolders(libraryFolders({"/a"}) + "\"path\" \"/b"), QStringList{"/a"});
    EXPECT_EQ(host::steamLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } } }"
                                        " \"libraryfolders\" { \"0\" { \"path\" \"/b\" } }"),
              QStringList{"/a"});
    EXPECT_TRUE(host::steamLibraryFolders("{ \"path\" \"/x\" }").isEmpty());
    EXPECT_TRUE(host::steamLibraryFolders(QByteArray("\"libraryfolders\" {\n", 19)).isEmpty());
}

} // namespace
} // namespace quillmere
