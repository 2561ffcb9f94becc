// Starting the chosen game: which program, and in which prefix.
#include "app/launcher.h"
#include "game/games.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "support/recording_message_box.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace quillmere;
using test::TempHome;

namespace {

class Starter final : public host::ProcessStarter {
public:
    host::StartResult start(const QString& commandLine, host::ShowWindow show, host::FailedSoon) override {
        commandLines << commandLine;
        shows << show;
        return {true, {}};
    }
    QStringList commandLines;
    QList<host::ShowWindow> shows;
};

} // namespace

TEST(StartChosenGame, ResurrectedStartsD2RInItsPrefixOrSaysTheGameIsMissing) {
    TempHome home;
    const QString classic = TempHome::makePrefix(home.path(".wine"), "me");
    TempHome::writeFile(classic + "/drive_c/Diablo II/Game.exe", "MZ");
    TempHome::writeFile(classic + "/drive_c/Diablo II/Save/Hero.d2s", "x");
    TempHome::writeReg(classic, true,
                       {{QLatin1String(regedit::kGameKey),
                         {{"Program", "C:\\Diablo II\\Game.exe"}, {"Save Path", "C:\\Diablo II\\Save"}}}});
    const QString resurrected = TempHome::makePrefix(home.path("Games/battlenet"), "me");
    TempHome::savedGames(resurrected, "me", "Diablo II Resurrected");

    test::RecordingMessageBox boxes;
    Starter starter;
    app::Launcher launcher(starter);
    games::useGame(games::gamesInPrefix(resurrected).value(0));
    launcher.startGame();
    EXPECT_TRUE(starter.commandLines.isEmpty());
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Dumbass..."));
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);

    TempHome::writeFile(resurrected + "/drive_c/Program Files (x86)/Diablo II Resurrected/D2R.exe", "MZ");
    launcher.startGame();
    games::useGame(games::gamesInPrefix(classic).value(0));
    launcher.startGame();
    EXPECT_EQ(starter.commandLines, (QStringList{"\"C:\\Program Files (x86)\\Diablo II Resurrected\\D2R.exe\"",
                                                 "\"C:\\Diablo II\\Game.exe\""}));
    EXPECT_EQ(starter.shows, (QList<host::ShowWindow>{host::ShowWindow::Minimized, host::ShowWindow::Minimized}));
    EXPECT_EQ(boxes.boxes().size(), 1);
}
