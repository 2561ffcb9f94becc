// Starting Windows programs through Wine: which host command a command line becomes.
#include "fake_tools.h"
#include "host/process_start.h"
#include "temp_prefix.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace quillmere;
using host::ShowWindow;
using host::WineProcessStarter;
using test::FakeTools;

TEST(WineStart, TakesAnUnquotedPathWithBlanksTheWayCreateProcessDoes) {
    test::TempPrefix prefix;
    FakeTools tools;
    const QString wine = tools.add(QStringLiteral("wine"));
    prefix.writeFile(QStringLiteral("Program Files\\Diablo II\\Game.exe"), "MZ");

    QString reason;
    const auto minimised = WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"),
                                                         ShowWindow::Minimized, &reason);
    EXPECT_EQ(minimised.program, wine);
    EXPECT_EQ(minimised.arguments,
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"),
                           QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")}));
    EXPECT_EQ(minimised.winePrefix, prefix.prefix());

    // ".exe" may be left off, and what follows the program is its arguments; the file found is named.
    const auto normal = WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game -w"),
                                                      ShowWindow::Normal, &reason);
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
    EXPECT_EQ(WineProcessStarter::translate(QLatin1Char('"') + game + QLatin1Char('"'), ShowWindow::Minimized, &reason)
                  .arguments,
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"), game}));
    EXPECT_EQ(
        WineProcessStarter::translate(QStringLiteral("c:\\games\\setup.bat"), ShowWindow::Normal, &reason).arguments,
        QStringList{QStringLiteral("C:\\Games\\Setup.BAT")});

    // A host-style path that reaches the file through z: is named by its drive path, never as "/...",
    // which "start" would take for one of its options.
    test::ScopedCurrentDir cwd(prefix.scratch());
    const QString hostStyle = prefix.hostOf(QStringLiteral("Program Files\\Diablo II\\Game.exe"));
    EXPECT_EQ(
        WineProcessStarter::translate(QLatin1Char('"') + hostStyle + QLatin1Char('"'), ShowWindow::Minimized, &reason)
            .arguments,
        (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"), game}));

    // A document or a missing file starts nothing, and says why.
    reason.clear();
    EXPECT_TRUE(WineProcessStarter::translate(QStringLiteral("C:\\Games\\notes.txt"), ShowWindow::Minimized, &reason)
                    .program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("not a Windows program"))) << qPrintable(reason);
    reason.clear();
    EXPECT_TRUE(WineProcessStarter::translate(QStringLiteral("C:\\Games\\Gone.exe"), ShowWindow::Minimized, &reason)
                    .program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("not found"))) << qPrintable(reason);
}

TEST(WineStart, MapsTheDiskFormatEntryPointToTheDesktopDiskUtility) {
    test::TempPrefix prefix;
    QDir().mkpath(prefix.driveC() + QStringLiteral("/windows"));
    FakeTools tools;
    tools.add(QStringLiteral("wine"));
    const QString command = QStringLiteral("C:\\windows\\rundll32.exe shell32.dll,SHFormatDrive");

    QString reason;
    EXPECT_TRUE(WineProcessStarter::translate(command, ShowWindow::Normal, &reason).program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("gnome-disks"))) << qPrintable(reason);

    const QString partitionManager = tools.add(QStringLiteral("partitionmanager"));
    EXPECT_EQ(WineProcessStarter::translate(command, ShowWindow::Normal, &reason).program, partitionManager);
    const QString disks = tools.add(QStringLiteral("gnome-disks"));
    const auto started = WineProcessStarter::translate(command, ShowWindow::Normal, &reason);
    EXPECT_EQ(started.program, disks);
    EXPECT_TRUE(started.arguments.isEmpty());

    // Only the Windows folder's rundll32 is the shell's entry point.
    prefix.writeFile(QStringLiteral("other\\rundll32.exe"), "MZ");
    EXPECT_EQ(WineProcessStarter::translate(QStringLiteral("C:\\other\\rundll32.exe shell32.dll,SHFormatDrive"),
                                            ShowWindow::Normal, &reason)
                  .program,
              tools.dir() + QStringLiteral("/wine"));
}

TEST(WineStart, SaysWhyWhenWineIsMissing) {
    test::TempPrefix prefix;
    FakeTools tools; // PATH holds nothing else
    WineProcessStarter starter;
    const host::StartResult result = starter.start(QStringLiteral("C:\\Game.exe"), ShowWindow::Minimized, {});
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.reason.contains(QStringLiteral("Wine is not installed"))) << qPrintable(result.reason);
}

TEST(WindowsFolder, IsThePrefixsWindowsFolderInWindowsForm) {
    test::TempPrefix prefix;
    EXPECT_EQ(host::windowsFolder(), QStringLiteral("C:\\windows")); // not made yet: where Wine puts it
    QDir().mkpath(prefix.driveC() + QStringLiteral("/windows"));
    EXPECT_EQ(host::windowsFolder(), QStringLiteral("C:\\windows"));

    // Read afresh: a prefix whose c: is elsewhere names it on the drive that reaches it.
    prefix.unmapDrive('c');
    EXPECT_EQ(host::windowsFolder(),
              QStringLiteral("Z:") + QString(prefix.driveC() + QStringLiteral("/windows")).replace(u'/', u'\\'));
}
