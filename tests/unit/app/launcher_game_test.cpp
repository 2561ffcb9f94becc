// Starting the chosen game: which program, and in which prefix.
#include "app/launcher.h"
#include "game/games.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "support/files.h"
#include "support/recording_message_box.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace quillmere;
using test::TempHome;

namespace {

class Starter final : public host::ProcessStarter {
public:
    host::StartResult start(const QString& commandLine, host::ShowWindow show, host::FailedSoon,
                            const QStringList& afterExit) override {
        commandLines << commandLine;
        shows << show;
        afterExits << afterExit;
        return {true, {}};
    }
    QStringList commandLines;
    QList<host::ShowWindow> shows;
    QList<QStringList> afterExits;
};

// A home with a classic game in ~/.wine, by its registry values, and Resurrected in a prefix of
// its own, not installed yet.
class StartChosenGame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        classic = TempHome::makePrefix(home.path(".wine"), "me");
        test::writeBytes(classic + "/drive_c/Diablo II/Game.exe", "MZ");
        test::writeBytes(classic + "/drive_c/Diablo II/Save/Hero.d2s", "x");
        TempHome::writeReg(classic, true,
                           {{QLatin1String(regedit::kGameKey),
                             {{"Program", "C:\\Diablo II\\Game.exe"}, {"Save Path", "C:\\Diablo II\\Save"}}}});
        resurrected = TempHome::makePrefix(home.path("Games/battlenet"), "me");
        TempHome::savedGames(resurrected, "me", "Diablo II Resurrected");
    }

    TempHome home;
    QString classic;
    QString resurrected;
    test::RecordingMessageBox boxes;
    Starter starter;
    app::Launcher launcher{starter};
};

} // namespace

TEST_F(StartChosenGame, ResurrectedWithoutD2RSaysTheGameIsMissingAndStartsNothing) {
    games::useGame(games::gamesInPrefix(resurrected).value(0));
    launcher.startGame();
    EXPECT_TRUE(starter.commandLines.isEmpty());
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Dumbass..."));
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);
}

TEST_F(StartChosenGame, ResurrectedStartsD2RMinimised) {
    test::writeBytes(resurrected + "/drive_c/Program Files (x86)/Diablo II Resurrected/D2R.exe", "MZ");
    games::useGame(games::gamesInPrefix(resurrected).value(0));
    launcher.startGame();
    EXPECT_EQ(starter.commandLines, QStringList{"\"C:\\Program Files (x86)\\Diablo II Resurrected\\D2R.exe\""});
    EXPECT_EQ(starter.shows, QList<host::ShowWindow>{host::ShowWindow::Minimized});
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(StartChosenGame, TheClassicGameStartsItsProgramValueMinimised) {
    games::useGame(games::gamesInPrefix(classic).value(0));
    launcher.startGame();
    EXPECT_EQ(starter.commandLines, QStringList{"\"C:\\Diablo II\\Game.exe\""});
    EXPECT_EQ(starter.shows, QList<host::ShowWindow>{host::ShowWindow::Minimized});
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(StartChosenGame, OnlyTheGameHasItsPrefixSnapshotWhenItExits) {
    app::Launcher withSnapshots(starter, QStringLiteral("/opt/quillmere/quillmere"));
    games::useGame(games::gamesInPrefix(classic).value(0));
    withSnapshots.startGame();
    withSnapshots.formatFloppyDisk();
    launcher.startGame(); // made without this program's file
    const QStringList snapshot{QStringLiteral("/opt/quillmere/quillmere"), QStringLiteral("--snapshot"),
                               QStringLiteral("--after-game"), QStringLiteral("--prefix"), classic};
    EXPECT_EQ(starter.afterExits, (QList<QStringList>{snapshot, {}, {}}));
}
