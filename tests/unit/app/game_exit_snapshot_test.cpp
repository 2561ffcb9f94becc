// A game started through the launcher that saves a character and exits: the built program, run
// again once the game has ended, takes the snapshot.
#include "app/launcher.h"
#include "game/games.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "snapshots/snapshot_store.h"
#include "support/d2s_fixtures.h"
#include "support/fake_tools.h"
#include "support/files.h"
#include "support/recording_message_box.h"
#include "support/temp_home.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace quillmere;
using namespace std::chrono_literals;
using test::TempHome;

TEST(GameExit, TheSnapshotTakenWhenTheGameExitsHoldsTheCharacterItSaved) {
    TempHome home;
    ASSERT_TRUE(home.isValid());
    const QString prefix = TempHome::makePrefix(home.path(".wine"));
    test::writeBytes(prefix + "/drive_c/Diablo II/Game.exe", "MZ");
    test::writeBytes(prefix + "/drive_c/Diablo II/Save/Hero.d2s", test::d2s::stateFile(96, 3, 26, 0x20));
    test::writeBytes(home.path("saved.d2s"), test::d2s::stateFile(96, 3, 27, 0x20));
    TempHome::writeReg(prefix, true,
                       {{QLatin1String(regedit::kGameKey),
                         {{"Program", "C:\\Diablo II\\Game.exe"}, {"Save Path", "C:\\Diablo II\\Save"}}}});
    games::useGame(games::gamesInPrefix(prefix).value(0));
    snapshots::SnapshotStore store(home.path(".local/share/Quillmere/history"));
    ASSERT_EQ(store.take(*snapshots::gameRefInUse(), QStringLiteral("command line")).status,
              snapshots::SnapshotOutcome::Status::Taken);

    test::FakeTools tools;
    // The game plays a moment, saves the character a level up and exits.
    tools.add(QStringLiteral("wine"), "#!/bin/sh\n/bin/sleep 0.3\n/bin/cp '" + home.path("saved.d2s").toLocal8Bit() +
                                          "' '" + prefix.toLocal8Bit() + "/drive_c/Diablo II/Save/Hero.d2s'\n");
    // The built program, with the test's home for its data folder.
    const QString quillmere = tools.add(QStringLiteral("quillmere"),
                                        "#!/bin/sh\nexec /usr/bin/env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME='" +
                                            home.home().toLocal8Bit() + "' '" QUILLMERE_PROGRAM "' \"$@\"\n");
    test::RecordingMessageBox boxes;
    host::WineProcessStarter starter;
    app::Launcher(starter, quillmere).startGame();

    std::optional<snapshots::GameHistory::Latest> latest;
    QElapsedTimer waited;
    waited.start();
    while (!(latest && latest->manifest.reason == QLatin1String("game exit")) && waited.elapsed() < 20000) {
        std::this_thread::sleep_for(50ms);
        latest = store.history(*snapshots::gameRefInUse()).latest();
    }
    ASSERT_TRUE(latest) << "no snapshot";
    EXPECT_EQ(latest->manifest.reason, QStringLiteral("game exit"));
    ASSERT_EQ(latest->manifest.summaries.size(), 1);
    EXPECT_EQ(latest->manifest.summaries[0].name, QStringLiteral("Hero.d2s"));
    EXPECT_EQ(latest->manifest.summaries[0].summary.level.value_or(0), 27);
    EXPECT_TRUE(boxes.boxes().isEmpty());
}
