#include "app/launcher.h"
#include "files.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "recording_message_box.h"
#include "temp_prefix.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace quillmere;

namespace {

class RecordingStarter final : public host::ProcessStarter {
public:
    struct Start {
        QString commandLine;
        host::ShowWindow show;
    };
    host::StartResult start(const QString& commandLine, host::ShowWindow show, host::FailedSoon,
                            const QStringList&) override {
        starts.append({commandLine, show});
        return next;
    }
    QList<Start> starts;
    host::StartResult next{true, {}};
};

const char* kGameKey = regedit::kGameKey;

// A prefix whose "Program" value names an ordinary Game.exe.
class InstalledGame : public ::testing::Test {
protected:
    void SetUp() override {
        prefix.writeFile(QStringLiteral("Program Files\\Diablo II\\Game.exe"), "MZ");
        prefix.writeSystemReg(kGameKey,
                              {{QStringLiteral("Program"), QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")}});
    }

    test::TempPrefix prefix;
    test::RecordingMessageBox boxes;
    RecordingStarter starter;
    app::Launcher launcher{starter};
};

} // namespace

TEST(StartGame, ShowsTheMessageAndStartsNothingWithoutAnOrdinaryGameFile) {
    test::TempPrefix prefix;
    test::RecordingMessageBox boxes;
    RecordingStarter starter;
    app::Launcher launcher(starter);

    // No "Program" value at all.
    prefix.writeSystemReg(kGameKey, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Save")}});
    launcher.startGame();
    // A value naming a file that was deleted.
    prefix.writeSystemReg(kGameKey, {{QStringLiteral("Program"), QStringLiteral("C:\\Diablo II\\Game.exe")}});
    launcher.startGame();
    // A value naming a hidden file.
    prefix.writeFile(QStringLiteral("Diablo II\\Game.exe"), "MZ");
    ASSERT_TRUE(test::markHidden(prefix.hostOf(QStringLiteral("Diablo II\\Game.exe"))));
    launcher.startGame();

    EXPECT_TRUE(starter.starts.isEmpty());
    ASSERT_EQ(boxes.boxes().size(), 3);
    for (const auto& box : boxes.boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("You don't even have Diablo 2 installed on your computer dumbass!"));
        EXPECT_EQ(box.title, QStringLiteral("Dumbass..."));
        EXPECT_EQ(box.style, controls::MsgStyle::Critical);
    }
}

TEST_F(InstalledGame, StartsExactlyTheCheckedFileMinimisedOnEveryPress) {
    launcher.startGame();
    launcher.startGame();
    ASSERT_EQ(starter.starts.size(), 2);
    for (const auto& start : starter.starts) {
        EXPECT_EQ(start.commandLine, QStringLiteral("\"C:\\Program Files\\Diablo II\\Game.exe\""));
        EXPECT_EQ(start.show, host::ShowWindow::Minimized);
    }
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(InstalledGame, AStartThatFailsSaysWhyWithTheStopIcon) {
    starter.next = {false, QStringLiteral("Wine is not installed.")};
    launcher.startGame();
    ASSERT_EQ(starter.starts.size(), 1);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Wine is not installed."));
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);
}

TEST(FormatFloppyDisk, StartsTheWindowsFolderRundllShownNormally) {
    test::TempPrefix prefix;
    test::RecordingMessageBox boxes;
    RecordingStarter starter;
    app::Launcher launcher(starter);
    launcher.formatFloppyDisk();
    ASSERT_EQ(starter.starts.size(), 1);
    EXPECT_EQ(starter.starts[0].commandLine, QStringLiteral("C:\\windows\\rundll32.exe shell32.dll,SHFormatDrive"));
    EXPECT_EQ(starter.starts[0].show, host::ShowWindow::Normal);
}
