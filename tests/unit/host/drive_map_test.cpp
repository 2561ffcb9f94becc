#include "host/drive_map.h"

#include "support/files.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

namespace host = quillmere::host;
using host::PathStatus;
using quillmere::test::ScopedCurrentDir;
using quillmere::test::TempPrefix;
using quillmere::test::writeBytes;

namespace {

QString letters(const QList<host::DriveInfo>& drives) {
    QString out;
    for (const auto& drive : drives)
        out += drive.letter;
    return out;
}

const host::DriveInfo* find(const QList<host::DriveInfo>& drives, char letter) {
    for (const auto& drive : drives) {
        if (drive.letter == QLatin1Char(letter))
            return &drive;
    }
    return nullptr;
}

} // namespace

TEST(DriveMap, DrivesComeFromDosdevicesLinks) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString devices = prefix.prefix() + QStringLiteral("/dosdevices/");
    prefix.mapDrive('d', prefix.scratch() + QStringLiteral("/floppy"));
    QDir().mkpath(prefix.scratch() + QStringLiteral("/relative"));
    prefix.mapDrive('e', QStringLiteral("../../scratch/relative"));
    prefix.mapDrive('f', QStringLiteral("../../scratch/gone")); // dangling
    writeBytes(prefix.scratch() + QStringLiteral("/plain-file"), {});
    QFile::link(prefix.scratch() + QStringLiteral("/plain-file"), devices + QStringLiteral("g:")); // not a folder
    QFile::link(QStringLiteral("/dev/null"), devices + QStringLiteral("com1"));
    QFile::link(QStringLiteral("/dev/null"), devices + QStringLiteral("d::"));

    const auto drives = host::drives();
    EXPECT_EQ(letters(drives), QStringLiteral("cdefgz"));
    EXPECT_EQ(find(drives, 'c')->hostRoot, prefix.driveC());
    EXPECT_TRUE(find(drives, 'c')->ready);
    EXPECT_EQ(find(drives, 'e')->hostRoot, QDir::cleanPath(prefix.scratch() + QStringLiteral("/relative")));
    EXPECT_TRUE(find(drives, 'e')->ready);
    EXPECT_TRUE(find(drives, 'f')->hostRoot.isEmpty());
    EXPECT_FALSE(find(drives, 'f')->ready);
    EXPECT_FALSE(find(drives, 'g')->ready);
    EXPECT_EQ(find(drives, 'z')->hostRoot, QStringLiteral("/"));
    EXPECT_TRUE(host::isDriveReady(QLatin1Char('D')));
    EXPECT_FALSE(host::isDriveReady(QLatin1Char('f')));
    EXPECT_FALSE(host::isDriveReady(QLatin1Char('q')));
}

TEST(DriveMap, APrefixWithoutDosdevicesHasWinesDefaultDrives) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    QDir(prefix.prefix() + QStringLiteral("/dosdevices")).removeRecursively();
    const auto drives = host::drives();
    EXPECT_EQ(letters(drives), QStringLiteral("cz"));
    EXPECT_EQ(find(drives, 'c')->hostRoot, prefix.driveC());
    EXPECT_EQ(find(drives, 'z')->hostRoot, QStringLiteral("/"));
}

TEST(DriveMap, NoPrefixAtAllHasOnlyZ) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    qputenv("WINEPREFIX", (prefix.scratch() + QStringLiteral("/no-such-prefix")).toLocal8Bit());
    const auto drives = host::drives();
    EXPECT_EQ(letters(drives), QStringLiteral("z"));
    EXPECT_EQ(find(drives, 'z')->hostRoot, QStringLiteral("/"));
}

namespace {

// A prefix whose C: holds C:\Program Files\Diablo II\Save\Hero.d2s.
class Resolve : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        writeBytes(save + QStringLiteral("/Hero.d2s"), {});
    }

    TempPrefix prefix;
    const QString save = prefix.driveC() + QStringLiteral("/Program Files/Diablo II/Save");
};

} // namespace

TEST_F(Resolve, MatchesEachComponentWithoutCase) {
    const auto found = host::resolve(QStringLiteral("c:\\PROGRAM FILES\\diablo ii\\save\\hero.D2S"));
    EXPECT_EQ(found.status, PathStatus::Ok);
    EXPECT_EQ(found.hostPath, save + QStringLiteral("/Hero.d2s"));
}

TEST_F(Resolve, KeepsMissingComponentsAsGivenBelowThePartThatExists) {
    EXPECT_EQ(host::resolve(QStringLiteral("C:\\program files\\New\\Hero.d2s")).hostPath,
              prefix.driveC() + QStringLiteral("/Program Files/New/Hero.d2s"));
}

TEST_F(Resolve, CollapsesSeparatorsAndDotsLexically) {
    EXPECT_EQ(host::resolve(QStringLiteral("C:\\\\Program Files//Diablo II\\.\\x\\..\\Save\\")).hostPath, save);
    EXPECT_EQ(host::resolve(QStringLiteral("C:\\..\\..\\Program Files")).hostPath,
              prefix.driveC() + QStringLiteral("/Program Files"));
    EXPECT_EQ(host::resolve(QStringLiteral("c:\\")).hostPath, prefix.driveC());
    EXPECT_EQ(host::resolve(QStringLiteral("Z:\\")).hostPath, QStringLiteral("/"));
}

TEST_F(Resolve, TwoNamesDifferingOnlyInCaseResolveTheSameWayEveryTime) {
    QDir().mkpath(prefix.driveC() + QStringLiteral("/abc"));
    QDir().mkpath(prefix.driveC() + QStringLiteral("/ABC"));
    EXPECT_EQ(host::resolve(QStringLiteral("C:\\Abc")).hostPath, prefix.driveC() + QStringLiteral("/ABC"));
    EXPECT_EQ(host::resolve(QStringLiteral("C:\\abc")).hostPath, prefix.driveC() + QStringLiteral("/abc"));
}

TEST(DriveMap, ResolveRefusesWhatItCannotReach) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.mapDrive('f', QStringLiteral("../../scratch/gone"));

    EXPECT_EQ(host::resolve(QStringLiteral("Q:\\x")).status, PathStatus::NotReady);
    EXPECT_EQ(host::resolve(QStringLiteral("F:\\")).status, PathStatus::NotReady);
    EXPECT_EQ(host::resolve(QString()).status, PathStatus::Invalid);
    EXPECT_EQ(host::resolve(QStringLiteral("\\\\server\\share\\x")).status, PathStatus::Invalid);
    for (const char* bad : {"C:\\a*b", "C:\\a?b", "C:\\a\"b", "C:\\a<b", "C:\\a>b", "C:\\a|b", "C:\\a:b", "C:\\a\tb"})
        EXPECT_EQ(host::resolve(QString::fromLatin1(bad)).status, PathStatus::Invalid) << bad;
}

namespace {

// A second drive d:, and the process working in C:\work\sub.
class CurrentFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        prefix.mapDrive('d', prefix.scratch() + QStringLiteral("/d"));
        QDir().mkpath(prefix.scratch() + QStringLiteral("/d/Backups"));
        QDir().mkpath(prefix.driveC() + QStringLiteral("/work/sub"));
        cwd = std::make_unique<ScopedCurrentDir>(prefix.driveC() + QStringLiteral("/work/sub"));
    }
    void TearDown() override {
        host::setDriveCurrentFolder(QStringLiteral("D:\\"));
        cwd.reset();
    }

    TempPrefix prefix;
    std::unique_ptr<ScopedCurrentDir> cwd;
};

} // namespace

TEST_F(CurrentFolders, RelativePathsStandOnTheProcesssWorkingFolder) {
    EXPECT_EQ(host::currentFolder(), QStringLiteral("C:\\work\\sub"));
    EXPECT_EQ(host::currentDrive(), QStringLiteral("c:"));
    EXPECT_EQ(host::resolve(QStringLiteral("x.txt")).hostPath, prefix.driveC() + QStringLiteral("/work/sub/x.txt"));
    EXPECT_EQ(host::resolve(QStringLiteral("\\x.txt")).hostPath, prefix.driveC() + QStringLiteral("/x.txt"));
    EXPECT_EQ(host::resolve(QStringLiteral("..\\..\\..\\..")).hostPath, prefix.driveC());
    EXPECT_EQ(host::resolve(QStringLiteral("c:x")).hostPath, prefix.driveC() + QStringLiteral("/work/sub/x"));
}

TEST_F(CurrentFolders, EachDriveKeepsACurrentFolderOfItsOwn) {
    EXPECT_EQ(host::currentFolderOfDrive(QLatin1Char('d')), QStringLiteral("D:\\"));
    host::setDriveCurrentFolder(QStringLiteral("d:\\backups\\"));
    EXPECT_EQ(host::currentFolderOfDrive(QLatin1Char('D')), QStringLiteral("D:\\backups"));
    EXPECT_EQ(host::resolve(QStringLiteral("d:Hero")).hostPath, prefix.scratch() + QStringLiteral("/d/Backups/Hero"));
    EXPECT_EQ(host::currentFolderOfDrive(QLatin1Char('c')), QStringLiteral("C:\\work\\sub"));
}

TEST(DriveMap, HostPathsRoundTripThroughTheLongestDrive) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString real = prefix.scratch() + QStringLiteral("/real");
    QDir().mkpath(real + QStringLiteral("/Saves"));
    QFile::link(real, prefix.scratch() + QStringLiteral("/alias"));
    prefix.mapDrive('s', prefix.scratch() + QStringLiteral("/alias"));

    EXPECT_EQ(host::toWindowsPath(prefix.driveC()), QStringLiteral("C:\\"));
    EXPECT_EQ(host::toWindowsPath(prefix.driveC() + QStringLiteral("/users/x/")), QStringLiteral("C:\\users\\x"));
    EXPECT_EQ(host::toWindowsPath(QStringLiteral("/usr/share")), QStringLiteral("Z:\\usr\\share"));
    // The drive's target is a link: the real folder behind it still belongs to that drive.
    EXPECT_EQ(host::toWindowsPath(real + QStringLiteral("/Saves/new")), QStringLiteral("S:\\Saves\\new"));
    EXPECT_EQ(host::toWindowsPath(prefix.scratch() + QStringLiteral("/alias/Saves")), QStringLiteral("S:\\Saves"));
    EXPECT_EQ(host::toWindowsPath(prefix.driveC() + QStringLiteral("/a:b")), QString());

    for (const QString& windows : {QStringLiteral("C:\\Program Files\\x"), QStringLiteral("S:\\Saves")}) {
        const auto resolved = host::resolve(windows);
        EXPECT_EQ(host::toWindowsPath(resolved.hostPath), windows);
    }
}

TEST(DriveMap, APathLongerThanTheSystemAllowsNamesNothing) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString c = prefix.driveC();
    writeBytes(c + QStringLiteral("/Save/Hero.d2s"), {});

    // Far past the host's limit: given up on, not walked.
    const QString deep = QStringLiteral("C:\\") + QStringLiteral("a\\").repeated(200000) + QStringLiteral("Hero.d2s");
    EXPECT_EQ(host::resolve(deep).status, PathStatus::Invalid);
    // Just past it, counted on the host side (the prefix's own folders included).
    const qsizetype room = PATH_MAX - c.size();
    const QString justPast = QStringLiteral("C:\\") + QString(room, QLatin1Char('b'));
    EXPECT_EQ(host::resolve(justPast).status, PathStatus::Invalid);
    EXPECT_EQ(host::resolve(justPast.left(justPast.size() - 2)).status, PathStatus::Ok);
}

TEST(DriveMap, DotsShortenALongPathOnlyUpToTheLengthWindowsAccepts) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString c = prefix.driveC();
    writeBytes(c + QStringLiteral("/Save/Hero.d2s"), {});
    const QString detour = QStringLiteral("C:\\") + QStringLiteral("x\\..\\").repeated(5000) + QStringLiteral("Save");
    const auto resolved = host::resolve(detour);
    EXPECT_EQ(resolved.status, PathStatus::Ok);
    EXPECT_EQ(resolved.hostPath, c + QStringLiteral("/Save"));
    const QString tooLong = QStringLiteral("C:\\") + QStringLiteral(".\\").repeated(20000) + QStringLiteral("Save");
    EXPECT_EQ(host::resolve(tooLong).status, PathStatus::Invalid);
}
