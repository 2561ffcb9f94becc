#include "host/folder_listing.h"

#include "host/drive_map.h"
#include "host/hidden_files.h"

#include "support/files.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmere::host;
using quillmere::test::markHidden;
using quillmere::test::ScopedCurrentDir;
using quillmere::test::setDosAttributes;
using quillmere::test::TempPrefix;
using quillmere::test::writeBytes;

namespace {

// A save folder of files in both letter cases, a folder named like a character file, a link to a
// file and a dangling one.
class ListedSaveFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        for (const char* name : {"zed.d2s", "HERO.D2S", "amy.d2s", "Bob.d2s", "notes.txt", "hero.d2s.bak"})
            prefix.writeFile(QStringLiteral("Save\\") + QLatin1String(name), "x");
        prefix.makeFolder(QStringLiteral("Save\\folder.d2s"));
        QFile::link(prefix.hostOf(QStringLiteral("Save/amy.d2s")), prefix.hostOf(QStringLiteral("Save/linked.d2s")));
        QFile::link(prefix.hostOf(QStringLiteral("Save/missing")), prefix.hostOf(QStringLiteral("Save/dangling.d2s")));
    }

    QString save() const { return prefix.hostOf(QStringLiteral("Save")); }

    TempPrefix prefix;
};

} // namespace

TEST_F(ListedSaveFolder, FilesMatchThePatternCaseInsensitivelyAndSortWithoutCase) {
    const auto files = readFolderEntries(save(), EntryKind::Files, QStringLiteral("*.d2s"));
    ASSERT_TRUE(files.has_value());
    EXPECT_EQ(*files, (QStringList{"amy.d2s", "Bob.d2s", "HERO.D2S", "linked.d2s", "zed.d2s"}));
}

TEST_F(ListedSaveFolder, PatternsSeparatedBySemicolonsAddUp) {
    const auto several = readFolderEntries(save(), EntryKind::Files, QStringLiteral("*.txt;zed.*"));
    EXPECT_EQ(several.value_or(QStringList()), (QStringList{"notes.txt", "zed.d2s"}));
}

TEST_F(ListedSaveFolder, FoldersAreListedApartFromFiles) {
    const auto folders = readFolderEntries(save(), EntryKind::Folders);
    EXPECT_EQ(folders.value_or(QStringList()), QStringList{"folder.d2s"});
}

TEST(FolderListing, HiddenAndUnaddressableEntriesAreLeftOut) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    for (const char* name : {"shown.d2s", ".dot.d2s", "attr.d2s", "what?.d2s", "co:lon.d2s"})
        prefix.writeFile(QStringLiteral("Save\\") + QLatin1String(name), "x");
    prefix.makeFolder(QStringLiteral("Save\\Visible"));
    prefix.makeFolder(QStringLiteral("Save\\.cache"));
    prefix.makeFolder(QStringLiteral("Save\\Secret"));
    const bool attributes = markHidden(prefix.hostOf(QStringLiteral("Save/attr.d2s"))) &&
                            markHidden(prefix.hostOf(QStringLiteral("Save/Secret")));

    const QString save = prefix.hostOf(QStringLiteral("Save"));
    const QStringList files = readFolderEntries(save, EntryKind::Files).value_or(QStringList());
    const QStringList folders = readFolderEntries(save, EntryKind::Folders).value_or(QStringList());
    if (attributes) {
        EXPECT_EQ(files, QStringList{"shown.d2s"});
        EXPECT_EQ(folders, QStringList{"Visible"});
    } else {
        EXPECT_EQ(files, (QStringList{"attr.d2s", "shown.d2s"}));
        EXPECT_EQ(folders, (QStringList{"Secret", "Visible"}));
    }
}

TEST(FolderListing, AMissingFolderHasNoListing) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    EXPECT_FALSE(readFolderEntries(prefix.hostOf(QStringLiteral("Nowhere")), EntryKind::Files).has_value());
}

TEST(FolderListing, OpensFoldersInWindowsFormOnTheDriveNamed) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.makeFolder(QStringLiteral("Program Files\\Diablo II\\Save"));

    const auto save = openListedFolder(QStringLiteral("c:\\program files\\DIABLO II\\save\\"));
    ASSERT_TRUE(save.has_value());
    EXPECT_EQ(save->windowsPath, QStringLiteral("C:\\Program Files\\Diablo II\\Save"));
    EXPECT_EQ(save->hostPath, prefix.hostOf(QStringLiteral("Program Files/Diablo II/Save")));
    EXPECT_EQ(openListedFolder(QStringLiteral("C:\\"))->windowsPath, QStringLiteral("C:\\"));
}

TEST(FolderListing, AFolderReachedThroughZStaysOnZ) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    // z: reaches drive_c through "/".
    const QString viaZ = QStringLiteral("Z:") + QString(prefix.driveC()).replace(QLatin1Char('/'), QLatin1Char('\\'));
    const auto onZ = openListedFolder(viaZ);
    ASSERT_TRUE(onZ.has_value());
    EXPECT_TRUE(onZ->windowsPath.startsWith(QStringLiteral("Z:\\"))) << qPrintable(onZ->windowsPath);
}

TEST(FolderListing, OpensNoFolderThatIsMissingAFileOrOnADriveNotMapped) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("file.txt"), "x");
    EXPECT_FALSE(openListedFolder(QStringLiteral("C:\\Missing")).has_value());
    EXPECT_FALSE(openListedFolder(QStringLiteral("C:\\file.txt")).has_value());
    EXPECT_FALSE(openListedFolder(QString()).has_value());
    EXPECT_FALSE(openListedFolder(QStringLiteral("q:")).has_value());
    EXPECT_FALSE(openListedFolder(QStringLiteral("q:\\")).has_value());
}

TEST(FolderListing, DriveTextOpensTheDrivesCurrentFolder) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.mapDrive('d', prefix.scratch() + QStringLiteral("/disk"));
    QDir().mkpath(prefix.scratch() + QStringLiteral("/disk/Backups"));
    prefix.makeFolder(QStringLiteral("Games"));
    const ScopedCurrentDir cwd(prefix.hostOf(QStringLiteral("Games")));

    EXPECT_EQ(openListedFolder(QStringLiteral("C:")).value_or(ListedFolder{}).windowsPath, QStringLiteral("C:\\Games"));
    EXPECT_EQ(openListedFolder(QStringLiteral("d:")).value_or(ListedFolder{}).windowsPath, QStringLiteral("D:\\"));
    setDriveCurrentFolder(QStringLiteral("D:\\Backups"));
    EXPECT_EQ(openListedFolder(QStringLiteral("d:")).value_or(ListedFolder{}).windowsPath,
              QStringLiteral("D:\\Backups"));
    setDriveCurrentFolder(QStringLiteral("D:\\"));
}

TEST(FolderListing, DriveTextOfADriveThatIsNotReadyOpensNothing) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.mapDrive('a', QStringLiteral("../no-disk"));
    EXPECT_FALSE(openListedFolder(QStringLiteral("a:")).has_value());
}

TEST(FolderListing, LargeFoldersLeaveOutExactlyTheHiddenFiles) {
    // Many files, hidden ones scattered through them in both of the forms Wine writes.
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString save = prefix.hostOf(QStringLiteral("Save"));
    QDir().mkpath(save);
    QStringList expected;
    bool attributes = true;
    for (int i = 0; i < 1500; ++i) {
        const QString name = QStringLiteral("Hero%1.d2s").arg(i, 4, 10, QLatin1Char('0'));
        const QString path = save + QLatin1Char('/') + name;
        writeBytes(path, {});
        if (i % 7 == 3) {
            attributes = attributes && markHidden(path);
        } else if (i % 11 == 5) {
            const QByteArray binary("\x03\x00\x03\x00\x01\x00\x00\x00\x04\x00\x00\x00", 12); // system
            attributes = attributes && setDosAttributes(path, binary);
        } else {
            if (i % 13 == 0) {
                attributes = attributes && setDosAttributes(path, "0x20");
            }
            expected.append(name);
        }
    }
    if (!attributes)
        GTEST_SKIP() << "no user extended attributes on this file system";

    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(readFolderEntries(save, EntryKind::Files, QStringLiteral("*.d2s")).value_or(QStringList()), expected);
    for (const QString& name : expected)
        EXPECT_FALSE(isHiddenHostFile(save + QLatin1Char('/') + name)) << name.toStdString();
}

TEST(FolderListing, FilesAndFoldersTogetherLeaveOutEverythingElse) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), "x");
    prefix.makeFolder(QStringLiteral("Save\\Hero"));
    const QString save = prefix.hostOf(QStringLiteral("Save"));
    QFile::link(save + QStringLiteral("/Hero"), save + QStringLiteral("/HeroLink"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(save + QStringLiteral("/Pipe")).constData(), 0600), 0);

    EXPECT_EQ(readFolderEntries(save, {EntryKind::FilesAndFolders, {}, false}).value_or(QStringList()),
              (QStringList{"Hero", "Hero.d2s", "HeroLink"}));
    EXPECT_EQ(
        readFolderEntries(save, {EntryKind::FilesAndFolders, {QStringLiteral("*.")}, false}).value_or(QStringList()),
        (QStringList{"Hero", "HeroLink"}));
}

TEST(FolderListing, DotEntriesComeOnlyWhenAskedFor) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.makeFolder(QStringLiteral("Save"));
    const QString save = prefix.hostOf(QStringLiteral("Save"));
    EXPECT_EQ(readFolderEntries(save, {EntryKind::FilesAndFolders, {}, false}), QStringList());
    EXPECT_EQ(readFolderEntries(save, {EntryKind::FilesAndFolders, {QStringLiteral("*.*")}, true}),
              (QStringList{".", ".."}));
    EXPECT_EQ(readFolderEntries(save, {EntryKind::Files, {QStringLiteral("*.*")}, true}), QStringList());
}

TEST(FolderListing, TheDotEntryIsTheFolderItselfAndHiddenWithIt) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.makeFolder(QStringLiteral("Save"));
    const QString save = prefix.hostOf(QStringLiteral("Save"));
    if (!markHidden(save))
        GTEST_SKIP() << "no user extended attributes on this file system";
    EXPECT_EQ(readFolderEntries(save, {EntryKind::FilesAndFolders, {}, true}), QStringList{".."});
}

TEST(FolderListing, ListPatternsSplitAtSemicolonsAndFilterPatternsDoNot) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    for (const char* name : {"a;b.d2s", "a", "b.d2s"})
        prefix.writeFile(QStringLiteral("Save\\") + QLatin1String(name), "x");
    const QString save = prefix.hostOf(QStringLiteral("Save"));
    EXPECT_EQ(readFolderEntries(save, EntryKind::Files, QStringLiteral("a;b*.*")), (QStringList{"a", "b.d2s"}));
    EXPECT_EQ(readFolderEntries(save, {EntryKind::Files, {QStringLiteral("a;b*.*")}, false}), QStringList{"a;b.d2s"});
}

TEST(FolderListing, NamesThatDoNotSurviveTheLocalesEncodingAreLeftOut) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.makeFolder(QStringLiteral("Save"));
    const QByteArray save = QFile::encodeName(prefix.hostOf(QStringLiteral("Save")));
    for (const char* name : {"caf\xc3\xa9.d2s", "bad\xff.d2s"}) {
        const int fd = ::open((save + '/' + name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
    EXPECT_EQ(readFolderEntries(QFile::decodeName(save), EntryKind::Files, QStringLiteral("*.d2s")),
              QStringList{QString::fromUtf8("caf\xc3\xa9.d2s")});
    EXPECT_EQ(decodedEntryName("bad\xff.d2s"), QString());
    EXPECT_EQ(decodedEntryName("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
}
