#include "app/launcher.h"
#include "fake_tools.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "recording_message_box.h"
#include "temp_prefix.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/xattr.h>

using namespace quillmere;
using host::splitWindowsCommandLine;
using host::WineProcessStarter;
using test::FakeTools;

namespace {

class RecordingStarter final : public host::ProcessStarter {
public:
    struct Start {
        QString commandLine;
        int show;
    };
    host::StartResult start(const QString& commandLine, int showWindow, host::FailedSoon) override {
        starts.append({commandLine, showWindow});
        return next;
    }
    QList<Start> starts;
    host::StartResult next{true, {}};
};

const char* kGameKey = regedit::kGameKey;

} // namespace

TEST(CommandLineSplitting, FollowsWindowsRulesForQuotesAndBackslashes) {
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("\"C:\\Program Files\\Diablo II\\Game.exe\"")),
              QStringList{QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")});
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("\"C:\\Program Files\\Game.exe\" -w  -skiptobnet")),
              (QStringList{QStringLiteral("C:\\Program Files\\Game.exe"), QStringLiteral("-w"),
                           QStringLiteral("-skiptobnet")}));
    // Unquoted, the program ends at the first blank.
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("C:\\windows\\rundll32.exe shell32.dll,SHFormatDrive")),
              (QStringList{QStringLiteral("C:\\windows\\rundll32.exe"), QStringLiteral("shell32.dll,SHFormatDrive")}));
    // Backslashes are literal unless they precede a quote; a program name keeps its trailing one.
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("C:\\a\\ \"b c\\\\\" d\\\"e \"x\"\"y\"")),
              (QStringList{QStringLiteral("C:\\a\\"), QStringLiteral("b c\\"), QStringLiteral("d\"e"),
                           QStringLiteral("x\"y")}));
    EXPECT_TRUE(splitWindowsCommandLine(QStringLiteral("   ")).isEmpty());
}

TEST(WineStart, TakesAnUnquotedPathWithBlanksTheWayCreateProcessDoes) {
    test::TempPrefix prefix;
    FakeTools tools;
    const QString wine = tools.add(QStringLiteral("wine"));
    prefix.writeFile(QStringLiteral("Program Files\\Diablo II\\Game.exe"), "MZ");

    QString reason;
    const auto minimised =
        WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"), 2, &reason);
    EXPECT_EQ(minimised.program, wine);
    EXPECT_EQ(minimised.arguments,
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"),
                           QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")}));
    EXPECT_EQ(minimised.winePrefix, prefix.prefix());

    // ".exe" may be left off, and what follows the program is its arguments; the file found is named.
    const auto normal =
        WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game -w"), 1, &reason);
    EXPECT_EQ(normal.arguments,
              (QStringList{QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"), QStringLiteral("-w")}));
}

TEST(WineStart, StartsOnlyAnExistingWindowsProgramNamedByItsDrivePath) {
    test::TempPrefix prefix;
    FakeTools tools;
    tools.add(QStringLiteral("wine"));
    prefix.writeFile(QStringLiteral("Program Files\\Diablo II\\Game.exe"), "MZ");
    prefix.writeFile(QStringLiteral("Program.exe"), "MZ"); // planted where an unquoted path would find it
    prefix.writeFile(QStringLiteral("Games\\notes.txt"), "notes");
    prefix.writeFile(QStringLiteral("Games\\Setup.BAT"), "@echo off");
    const QString game = QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe");

    QString reason;
    EXPECT_EQ(WineProcessStarter::translate(QLatin1Char('"') + game + QLatin1Char('"'), 2, &reason).arguments,
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"), game}));
    EXPECT_EQ(WineProcessStarter::translate(QStringLiteral("c:\\games\\setup.bat"), 1, &reason).arguments,
              QStringList{QStringLiteral("C:\\Games\\Setup.BAT")});

    // A host-style path that reaches the file through z: is named by its drive path, never as "/...",
    // which "start" would take for one of its options.
    test::ScopedCurrentDir cwd(prefix.scratch());
    const QString hostStyle = prefix.hostOf(QStringLiteral("Program Files\\Diablo II\\Game.exe"));
    EXPECT_EQ(WineProcessStarter::translate(QLatin1Char('"') + hostStyle + QLatin1Char('"'), 2, &reason).arguments,
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"), game}));

    // A document or a missing file starts nothing, and says why.
    reason.clear();
    EXPECT_TRUE(WineProcessStarter::translate(QStringLiteral("C:\\Games\\notes.txt"), 2, &reason).program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("not a Windows program"))) << qPrintable(reason);
    reason.clear();
    EXPECT_TRUE(WineProcessStarter::translate(QStringLiteral("C:\\Games\\Gone.exe"), 2, &reason).program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("not found"))) << qPrintable(reason);
}

TEST(WineStart, MapsTheDiskFormatEntryPointToTheDesktopDiskUtility) {
    test::TempPrefix prefix;
    QDir().mkpath(prefix.driveC() + QStringLiteral("/windows"));
    FakeTools tools;
    tools.add(QStringLiteral("wine"));
    const QString command = app::Launcher::formatCommandLine();
    EXPECT_EQ(command, QStringLiteral("C:\\windows\\rundll32.exe shell32.dll,SHFormatDrive"));

    QString reason;
    EXPECT_TRUE(WineProcessStarter::translate(command, 1, &reason).program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("gnome-disks"))) << qPrintable(reason);

    const QString partitionManager = tools.add(QStringLiteral("partitionmanager"));
    EXPECT_EQ(WineProcessStarter::translate(command, 1, &reason).program, partitionManager);
    const QString disks = tools.add(QStringLiteral("gnome-disks"));
    const auto started = WineProcessStarter::translate(command, 1, &reason);
    EXPECT_EQ(started.program, disks);
    EXPECT_TRUE(started.arguments.isEmpty());

    // Only the Windows folder's rundll32 is the shell's entry point.
    prefix.writeFile(QStringLiteral("other\\rundll32.exe"), "MZ");
    EXPECT_EQ(
        WineProcessStarter::translate(QStringLiteral("C:\\other\\rundll32.exe shell32.dll,SHFormatDrive"), 1, &reason)
            .program,
        tools.dir() + QStringLiteral("/wine"));
}

TEST(WineStart, SaysWhyWhenWineIsMissing) {
    test::TempPrefix prefix;
    FakeTools tools; // PATH holds nothing else
    WineProcessStarter starter;
    const host::StartResult result = starter.start(QStringLiteral("C:\\Game.exe"), 2, {});
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.reason.contains(QStringLiteral("Wine is not installed"))) << qPrintable(result.reason);
}

TEST(WindowsDirectory, WritesTheFolderWithItsLengthOrAsksForMoreRoom) {
    test::TempPrefix prefix;
    char buffer[255];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    const unsigned n = host::GetWindowsDirectoryA(buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, static_cast<int>(n)), QByteArray("C:\\windows"));
    EXPECT_EQ(buffer[n], '\0');

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(host::GetWindowsDirectoryA(small, sizeof small), 11u);
    EXPECT_EQ(small[0], 'x');
}

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
    const QByteArray hidden = prefix.hostOf(QStringLiteral("Diablo II\\Game.exe")).toLocal8Bit();
    ASSERT_EQ(setxattr(hidden.constData(), "user.DOSATTRIB", "0x2", 3, 0), 0);
    launcher.startGame();

    EXPECT_TRUE(starter.starts.isEmpty());
    ASSERT_EQ(boxes.boxes().size(), 3);
    for (const auto& box : boxes.boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("You don't even have Diablo 2 installed on your computer dumbass!"));
        EXPECT_EQ(box.title, QStringLiteral("Dumbass..."));
        EXPECT_EQ(box.style, controls::MsgStyle::Critical);
    }
}

TEST(StartGame, StartsExactlyTheCheckedFileMinimisedOnEveryPress) {
    test::TempPrefix prefix;
    test::RecordingMessageBox boxes;
    RecordingStarter starter;
    app::Launcher launcher(starter);
    prefix.writeFile(QStringLiteral("Program Files\\Diablo II\\Game.exe"), "MZ");
    prefix.writeSystemReg(kGameKey,
                          {{QStringLiteral("Program"), QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")}});

    launcher.startGame();
    launcher.startGame();
    ASSERT_EQ(starter.starts.size(), 2);
    for (const auto& start : starter.starts) {
        EXPECT_EQ(start.commandLine, QStringLiteral("\"C:\\Program Files\\Diablo II\\Game.exe\""));
        EXPECT_EQ(start.show, 2);
    }
    EXPECT_TRUE(boxes.boxes().isEmpty());

    // A start that fails says why, with the stop icon.
    starter.next = {false, QStringLiteral("Wine is not installed.")};
    launcher.startGame();
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
    EXPECT_EQ(starter.starts[0].show, 1);
}
