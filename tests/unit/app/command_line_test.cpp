// The program's options, run as a process without a display, and their parsing.
#include "app/command_line.h"
#include "support/d2s_fixtures.h"
#include "support/files.h"
#include "support/qt_print.h"
#include "support/temp_home.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The built program with the arguments given, no display and no platform plugin named.
ProgramRun runProgram(const QStringList& arguments, const QString& home = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "WINEPREFIX", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        environment.remove(QLatin1String(name));
    if (!home.isEmpty())
        environment.insert(QStringLiteral("HOME"), home);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLMERE_PROGRAM), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    ProgramRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TEST(CommandLineProgram, HelpListsTheOptionsWithoutADisplay) {
    for (const char* option : {"--help", "-h"}) {
        const ProgramRun help = runProgram({QLatin1String(option)});
        EXPECT_EQ(help.exitCode, 0) << option;
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quillmere [options]"))) << qPrintable(help.out);
        for (const char* listed : {"--prefix <dir>", "--help", "--version"})
            EXPECT_TRUE(help.out.contains(QLatin1String(listed))) << listed;
        EXPECT_EQ(help.err, QString());
    }
}

TEST(CommandLineProgram, VersionPrintsTheNameAndVersionWithoutADisplay) {
    const QString version = QStringLiteral("Quillmere %1.%2.%3\n")
                                .arg(QUILLMERE_VERSION_MAJOR)
                                .arg(QUILLMERE_VERSION_MINOR)
                                .arg(QUILLMERE_VERSION_PATCH);
    for (const char* option : {"--version", "-v"}) {
        const ProgramRun run = runProgram({QLatin1String(option)});
        EXPECT_EQ(run.exitCode, 0) << option;
        EXPECT_EQ(run.out, version);
        EXPECT_EQ(run.err, QString());
    }
}

TEST(CommandLineProgram, MistakesAreToldOnStandardErrorWithStatus2) {
    const QList<std::pair<QStringList, const char*>> mistakes = {
        {{"--bogus"}, "Unknown option 'bogus'"},
        {{"--prefix"}, "Missing value after '--prefix'"},
        {{"--prefix="}, "--prefix needs a folder"},
        {{"somefile.d2s"}, "unexpected argument: somefile.d2s"},
    };
    for (const auto& [arguments, said] : mistakes) {
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(run.err.contains(QLatin1String(said))) << qPrintable(run.err);
        EXPECT_TRUE(run.err.contains(QStringLiteral("--help"))) << qPrintable(run.err);
        EXPECT_EQ(run.out, QString());
    }
}

TEST(CommandLineProgram, ARightCommandLineStillNeedsADisplayToShowTheWindowOn) {
    const ProgramRun noDisplay = runProgram({QStringLiteral("--prefix"), QDir::tempPath()});
    EXPECT_EQ(noDisplay.exitCode, 2);
    EXPECT_TRUE(noDisplay.err.contains(QStringLiteral("no display"))) << qPrintable(noDisplay.err);
}

// A home holding Resurrected in a Lutris prefix, and beside it a prefix found only when named.
class ListGames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        lutris = test::TempHome::makePrefix(home.path("Games/battlenet"), "me");
        test::TempHome::savedGames(lutris, "me", "Diablo II Resurrected");
        named = test::TempHome::makePrefix(home.path("../named"), "me");
        test::writeBytes(test::TempHome::savedGames(named, "me", "Diablo II") + "/Hero.d2s", "x");
    }

    test::TempHome home;
    QString lutris;
    QString named;
};

TEST_F(ListGames, PrintsTheGamesDiscoveryFindsWithoutADisplay) {
    const ProgramRun found = runProgram({QStringLiteral("--list-games")}, home.home());
    EXPECT_EQ(found.exitCode, 0) << qPrintable(found.err);
    EXPECT_EQ(found.out, "Diablo II: Resurrected\t" + lutris + "\tC:\\users\\me\\Saved Games\\Diablo II Resurrected\n");
}

TEST_F(ListGames, PrintsOnlyTheGamesOfANamedPrefix) {
    const ProgramRun inNamed =
        runProgram({QStringLiteral("--list-games"), QStringLiteral("--prefix"), named}, home.home());
    EXPECT_EQ(inNamed.exitCode, 0) << qPrintable(inNamed.err);
    EXPECT_EQ(inNamed.out, "Diablo II\t" + named + "\tC:\\users\\me\\Saved Games\\Diablo II\n");
}

TEST_F(ListGames, PrintsNothingWhenNothingIsFound) {
    const ProgramRun none = runProgram({QStringLiteral("--list-games")}, home.path("empty"));
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, QString());
}

TEST_F(ListGames, SnapshotHistoryAndVerifyTellWhatTheHistoryHolds) {
    const QString save = test::TempHome::savedGames(named, "me", "Diablo II");
    test::writeBytes(save + "/Hero.d2s", test::d2s::stateFile(96, 3, 26, 0x24));
    test::writeBytes(save + "/_LOD_SharedStashSave.sss", "stash");
    const QStringList snapshot{QStringLiteral("--snapshot"), QStringLiteral("--prefix"), named};
    const QString line = QStringLiteral("Diablo II\tC:\\users\\me\\Saved Games\\Diablo II\t");
    const ProgramRun first = runProgram(snapshot, home.home());
    EXPECT_EQ(first.exitCode, 0) << qPrintable(first.err);
    EXPECT_EQ(first.out, line + "kept 2 files\n");
    EXPECT_EQ(runProgram(snapshot, home.home()).out, line + "unchanged\n");

    const ProgramRun history = runProgram({QStringLiteral("--history")}, home.home());
    EXPECT_EQ(history.exitCode, 0);
    const QStringList fields = history.out.trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 6) << qPrintable(history.out);
    EXPECT_EQ(fields[0], QStringLiteral("Diablo II"));
    EXPECT_TRUE(QDateTime::fromString(fields[1], Qt::ISODate).isValid()) << qPrintable(fields[1]);
    EXPECT_EQ(fields.mid(3), (QStringList{"2", "not pinned", "Hero (Paladin level 26, hardcore); Shared stash"}));

    const QString objects = home.path(".local/share/Quillmere/history/objects");
    EXPECT_EQ(runProgram({QStringLiteral("--verify-history")}, home.home()).exitCode, 0);
    for (const QString& name : test::filesIn(objects))
        test::writeBytes(objects + u'/' + name, "rot");
    const ProgramRun verified = runProgram({QStringLiteral("--verify-history")}, home.home());
    EXPECT_EQ(verified.exitCode, 1);
    EXPECT_TRUE(verified.out.contains(QStringLiteral("damaged\t"))) << qPrintable(verified.out);
    EXPECT_TRUE(verified.out.contains(QStringLiteral("Hero.d2s"))) << qPrintable(verified.out);
}

TEST_F(ListGames, ASnapshotThatCannotBeWrittenSaysWhyWithStatus1) {
    test::writeBytes(home.path(".local/share/Quillmere"), "a file where the data folder goes");
    test::writeBytes(test::TempHome::savedGames(named, "me", "Diablo II") + "/Hero.d2s", "x");
    const ProgramRun failed =
        runProgram({QStringLiteral("--snapshot"), QStringLiteral("--prefix"), named}, home.home());
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.out.contains(QStringLiteral("\tfailed: the history in "))) << qPrintable(failed.out);
}

TEST(CommandLineParsing, ARelativePrefixIsMadeAbsoluteAndClean) {
    const QString cwd = QDir::currentPath();
    for (const QStringList& arguments :
         {QStringList{"quillmere", "--prefix", "games/../pfx/"}, QStringList{"quillmere", "--prefix=games/../pfx"}}) {
        const app::CommandLine parsed = app::parseCommandLine(arguments);
        ASSERT_TRUE(parsed.options) << qPrintable(parsed.error);
        EXPECT_EQ(parsed.options->prefix, cwd + QStringLiteral("/pfx"));
    }
}

TEST(CommandLineParsing, AnAbsolutePrefixIsKept) {
    const app::CommandLine absolute = app::parseCommandLine({"quillmere", "--prefix", "/home/me/.wine"});
    ASSERT_TRUE(absolute.options) << qPrintable(absolute.error);
    EXPECT_EQ(absolute.options->prefix, QStringLiteral("/home/me/.wine"));
}

TEST(CommandLineParsing, NoOptionsNameNoPrefix) {
    const app::CommandLine none = app::parseCommandLine({"quillmere"});
    ASSERT_TRUE(none.options);
    EXPECT_EQ(none.options->prefix, QString());
    EXPECT_EQ(none.exitCode, 0);
}

} // namespace
} // namespace quillmere
