#include "app/launcher.h"
#include "platform/process_start.h"
#include "recording_message_box.h"
#include "support/registry.h"
#include "temp_prefix.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/xattr.h>

using namespace quillmere;
using platform::splitWindowsCommandLine;
using platform::WineProcessStarter;

namespace {

class RecordingStarter final : public platform::ProcessStarter {
public:
    struct Start {
        QString commandLine;
        int show;
    };
    platform::StartResult start(const QString& commandLine, int showWindow) override {
        starts.append({commandLine, showWindow});
        return next;
    }
    QList<Start> starts;
    platform::StartResult next{true, {}};
};

// A folder of fake host programs put first on PATH for one test.
class FakeTools {
public:
    FakeTools()
        : m_oldPath(qgetenv("PATH")) {
        qputenv("PATH", m_dir.path().toLocal8Bit());
    }
    ~FakeTools() { qputenv("PATH", m_oldPath); }
    FakeTools(const FakeTools&) = delete;
    FakeTools& operator=(const FakeTools&) = delete;

    QString add(const QString& name, const QByteArray& script = "#!/bin/sh\nexit 0\n") {
        const QString path = m_dir.path() + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
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
    EXPECT_EQ(minimised.arguments, (QStringList{QStringLiteral("start"), QStringLiteral("/min"),
                                                QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")}));
    EXPECT_EQ(minimised.winePrefix, prefix.prefix());

    // ".exe" may be left off, and what follows the program is its arguments.
    const auto normal =
        WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game -w"), 1, &reason);
    EXPECT_EQ(normal.arguments,
              (QStringList{QStringLiteral("C:\\Program Files\\Diablo II\\Game"), QStringLiteral("-w")}));
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
    EXPECT_EQ(
        WineProcessStarter::translate(QStringLiteral("C:\\other\\rundll32.exe shell32.dll,SHFormatDrive"), 1, &reason)
            .program,
        tools.dir() + QStringLiteral("/wine"));
}

TEST(WineStart, SaysWhyWhenWineIsMissing) {
    test::TempPrefix prefix;
    FakeTools tools; // PATH holds nothing else
    WineProcessStarter starter;
    const platform::StartResult result = starter.start(QStringLiteral("C:\\Game.exe"), 2);
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.reason.contains(QStringLiteral("Wine is not installed"))) << qPrintable(result.reason);
}

TEST(WineStart, StartsARealDetachedProcessWithTheArgumentVectorAndPrefix) {
    test::TempPrefix prefix;
    FakeTools tools;
    const QString out = tools.dir() + QStringLiteral("/started.txt");
    tools.add(QStringLiteral("wine"), QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > %1.tmp\n"
                                                     "echo \"$WINEPREFIX\" >> %1.tmp\n/bin/mv %1.tmp %1\n")
                                          .arg(out)
                                          .toLocal8Bit());
    WineProcessStarter starter;
    ASSERT_TRUE(starter.start(QStringLiteral("\"C:\\Program Files\\Diablo II\\Game.exe\" -w"), 2).started);

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(out) && waited.elapsed() < 10000)
        QThread::msleep(10);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList{QStringLiteral("start"), QStringLiteral("/min"),
                     QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"), QStringLiteral("-w"), prefix.prefix()}));
}

TEST(WindowsDirectory, WritesTheFolderWithItsLengthOrAsksForMoreRoom) {
    test::TempPrefix prefix;
    char buffer[255];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    const unsigned n = platform::GetWindowsDirectoryA(buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(buffer, static_cast<int>(n)), QByteArray("C:\\windows"));
    EXPECT_EQ(buffer[n], '\0');

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(platform::GetWindowsDirectoryA(small, sizeof small), 11u);
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
        EXPECT_EQ(box.style, 16);
    }
}

TEST(StartGame, StartsTheCommandLineUnchangedMinimisedOnEveryPress) {
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
        EXPECT_EQ(start.commandLine, QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"));
        EXPECT_EQ(start.show, 2);
    }
    EXPECT_TRUE(boxes.boxes().isEmpty());

    // A start that fails says why, with the stop icon.
    starter.next = {false, QStringLiteral("Wine is not installed.")};
    launcher.startGame();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Wine is not installed."));
    EXPECT_EQ(boxes.boxes()[0].style, 16);
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
