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

namespace {

// A prefix holding C:\Program Files\Diablo II\Game.exe, and a stand-in wine on the PATH.
class WineStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        wine = tools.add(QStringLiteral("wine"));
        prefix.writeFile(QStringLiteral("Program Files\\Diablo II\\Game.exe"), "MZ");
    }

    const QString game = QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe");
    const QStringList startMinimised = {QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait")};
    test::TempPrefix prefix;
    FakeTools tools;
    QString wine;
    QString reason;
};

} // namespace

TEST_F(WineStart, TakesAnUnquotedPathWithBlanksTheWayCreateProcessDoes) {
    const auto minimised = WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"),
                                                         ShowWindow::Minimized, &reason);
    EXPECT_EQ(minimised.program, wine);
    EXPECT_EQ(minimised.arguments,
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"),
                           QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")}));
    EXPECT_EQ(minimised.winePrefix, prefix.prefix());
}

TEST_F(WineStart, ExeMayBeLeftOffAndWhatFollowsTheProgramIsItsArguments) {
    // The file found is the one named.
    const auto normal = WineProcessStarter::translate(QStringLiteral("C:\\Program Files\\Diablo II\\Game -w"),
                                                      ShowWindow::Normal, &reason);
    EXPECT_EQ(normal.arguments,
              (QStringList{QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe"), QStringLiteral("-w")}));
}

TEST_F(WineStart, AQuotedPathIsTakenWholeAndAProgramIsNamedByItsFilesOwnSpelling) {
    prefix.writeFile(QStringLiteral("Program.exe"), "MZ"); // planted where an unquoted path would find it
    prefix.writeFile(QStringLiteral("Games\\Setup.BAT"), "@echo off");
    EXPECT_EQ(WineProcessStarter::translate(QLatin1Char('"') + game + QLatin1Char('"'), ShowWindow::Minimized, &reason)
                  .arguments,
              startMinimised + QStringList{game});
    EXPECT_EQ(
        WineProcessStarter::translate(QStringLiteral("c:\\games\\setup.bat"), ShowWindow::Normal, &reason).arguments,
        QStringList{QStringLiteral("C:\\Games\\Setup.BAT")});
}

// Named as "/...", "start" would take it for one of its options.
TEST_F(WineStart, AHostStylePathReachedThroughZIsNamedByItsDrivePath) {
    test::ScopedCurrentDir cwd(prefix.scratch());
    const QString hostStyle = prefix.hostOf(QStringLiteral("Program Files\\Diablo II\\Game.exe"));
    EXPECT_EQ(
        WineProcessStarter::translate(QLatin1Char('"') + hostStyle + QLatin1Char('"'), ShowWindow::Minimized, &reason)
            .arguments,
        startMinimised + QStringList{game});
}

TEST_F(WineStart, ADocumentStartsNothingAndSaysWhy) {
    prefix.writeFile(QStringLiteral("Games\\notes.txt"), "notes");
    EXPECT_TRUE(WineProcessStarter::translate(QStringLiteral("C:\\Games\\notes.txt"), ShowWindow::Minimized, &reason)
                    .program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("not a Windows program"))) << qPrintable(reason);
}

TEST_F(WineStart, AMissingFileStartsNothingAndSaysWhy) {
    EXPECT_TRUE(WineProcessStarter::translate(QStringLiteral("C:\\Games\\Gone.exe"), ShowWindow::Minimized, &reason)
                    .program.isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("not found"))) << qPrintable(reason);
}

namespace {

// The disk-format entry point of the Windows folder, with a stand-in wine on the PATH and no disk
// utility yet.
class DiskFormat : public WineStart {
protected:
    void SetUp() override {
        WineStart::SetUp();
        QDir().mkpath(prefix.driveC() + QStringLiteral("/windows"));
    }

    QString programFor(const QString& commandLine) {
        return WineProcessStarter::translate(commandLine, ShowWindow::Normal, &reason).program;
    }

    const QString command = QStringLiteral("C:\\windows\\rundll32.exe shell32.dll,SHFormatDrive");
};

} // namespace

TEST_F(DiskFormat, WithoutADiskUtilityNothingStartsAndTheReasonNamesOne) {
    EXPECT_TRUE(programFor(command).isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("gnome-disks"))) << qPrintable(reason);
}

TEST_F(DiskFormat, KdePartitionManagerIsTakenWhenItIsTheOnlyOne) {
    const QString partitionManager = tools.add(QStringLiteral("partitionmanager"));
    EXPECT_EQ(programFor(command), partitionManager);
}

TEST_F(DiskFormat, GnomeDisksComesFirstAndTakesNoArguments) {
    tools.add(QStringLiteral("partitionmanager"));
    const QString disks = tools.add(QStringLiteral("gnome-disks"));
    const auto started = WineProcessStarter::translate(command, ShowWindow::Normal, &reason);
    EXPECT_EQ(started.program, disks);
    EXPECT_TRUE(started.arguments.isEmpty());
}

TEST_F(DiskFormat, OnlyTheWindowsFoldersRundll32IsTheShellsEntryPoint) {
    tools.add(QStringLiteral("gnome-disks"));
    prefix.writeFile(QStringLiteral("other\\rundll32.exe"), "MZ");
    EXPECT_EQ(programFor(QStringLiteral("C:\\other\\rundll32.exe shell32.dll,SHFormatDrive")), wine);
}

TEST(WineStarter, SaysWhyWhenWineIsMissing) {
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
}

TEST(WindowsFolder, IsNamedOnTheDriveThatReachesItWhenCIsElsewhere) {
    test::TempPrefix prefix;
    QDir().mkpath(prefix.driveC() + QStringLiteral("/windows"));
    ASSERT_EQ(host::windowsFolder(), QStringLiteral("C:\\windows"));
    // Read afresh, not kept from before.
    prefix.unmapDrive('c');
    EXPECT_EQ(host::windowsFolder(),
              QStringLiteral("Z:") + QString(prefix.driveC() + QStringLiteral("/windows")).replace(u'/', u'\\'));
}
