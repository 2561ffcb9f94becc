#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/file_list_box.h"
#include "controls/folder_lists.h"
#include "host/drive_map.h"

#include "support/files.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace quillmere::controls;
using quillmere::test::ScopedCurrentDir;
using quillmere::test::TempPrefix;

namespace {

// A prefix with a second ready drive d:, a drive a: whose target is gone, and the process working
// in C:\Games.
class ListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_prefix.makeFolder(QStringLiteral("Games\\Diablo\\Save"));
        m_prefix.makeFolder(QStringLiteral("Games\\Diablo\\beta"));
        m_prefix.makeFolder(QStringLiteral("Games\\Diablo\\Alpha"));
        m_prefix.makeFolder(QStringLiteral("Games\\Diablo\\.hidden"));
        m_prefix.makeFolder(QStringLiteral("Games\\Diablo\\what?"));
        m_prefix.writeFile(QStringLiteral("Games\\Diablo\\Save\\Hero.d2s"), "x");
        m_prefix.writeFile(QStringLiteral("Games\\Diablo\\Save\\amy.d2s"), "x");
        m_prefix.writeFile(QStringLiteral("Games\\Diablo\\Save\\HERO2.D2S"), "x");
        m_prefix.writeFile(QStringLiteral("Games\\Diablo\\Save\\Hero.key"), "x");
        m_prefix.mapDrive('d', diskD());
        quillmere::test::writeBytes(diskD() + QStringLiteral("/Backups/Hero/Hero.d2s"), {});
        m_prefix.mapDrive('a', QStringLiteral("../no-disk"));
        m_cwd = std::make_unique<ScopedCurrentDir>(m_prefix.hostOf(QStringLiteral("Games")));
    }

    void TearDown() override {
        // The drives' current folders outlive a test, as they outlive a window in the program.
        quillmere::host::setDriveCurrentFolder(QStringLiteral("D:\\"));
        m_cwd.reset();
    }

    QString diskD() const { return m_prefix.scratch() + QStringLiteral("/disk"); }

    static QStringList texts(const QListWidget& list) {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.item(i)->text();
        return out;
    }

    static QPoint centreOf(const QListWidget& list, int row) { return list.visualItemRect(list.item(row)).center(); }

    TempPrefix m_prefix;
    std::unique_ptr<ScopedCurrentDir> m_cwd;
};

// The drive, folder and file lists wired the way the windows wire them: the drive rule and the
// folder rule, each ignoring the failure of its steps.
struct WiredLists {
    DriveListBox drive;
    DirListBox dir;
    FileListBox file{QStringLiteral("*.d2s")};

    WiredLists() {
        followDriveRule(&drive, &dir);
        followFolderRule(&dir, &file);
    }
};

} // namespace

TEST_F(ListFixture, DriveListListsThePrefixDrivesOnTheCurrentOne) {
    DriveListBox box;
    QStringList letters;
    for (int i = 0; i < box.count(); ++i)
        letters << box.itemData(i).toString();
    EXPECT_EQ(letters, (QStringList{"a", "c", "d", "z"}));
    EXPECT_EQ(box.drive(), QStringLiteral("c:"));
}

TEST_F(ListFixture, DriveListMovesToTheDriveOfAPath) {
    DriveListBox box;
    QSignalSpy changed(&box, &DriveListBox::changed);
    EXPECT_TRUE(box.setDrive(QStringLiteral("D:\\Backups")));
    EXPECT_EQ(box.drive(), QStringLiteral("d:"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(box.setDrive(QStringLiteral("d:")));
    EXPECT_EQ(changed.count(), 1) << "the same drive again is no change";
}

TEST_F(ListFixture, DriveListRefusesDrivesThatAreNotReadyOrNotThere) {
    DriveListBox box;
    ASSERT_TRUE(box.setDrive(QStringLiteral("d:")));
    QSignalSpy changed(&box, &DriveListBox::changed);
    EXPECT_FALSE(box.setDrive(QStringLiteral("a:")));
    EXPECT_FALSE(box.setDrive(QStringLiteral("q:")));
    EXPECT_FALSE(box.setDrive(QStringLiteral("Backups")));
    EXPECT_EQ(box.drive(), QStringLiteral("d:"));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ListFixture, DriveListLetsTheUserPickAnyListedDriveReadyOrNot) {
    DriveListBox box;
    ASSERT_TRUE(box.setDrive(QStringLiteral("d:")));
    QSignalSpy changed(&box, &DriveListBox::changed);
    box.show();
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Up);
    QTest::keyClick(&box, Qt::Key_Up);
    EXPECT_EQ(box.drive(), QStringLiteral("a:"));
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ListFixture, FolderListShowsAncestorsThenSortedVisibleSubfolders) {
    DirListBox list;
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games"));

    QSignalSpy changed(&list, &DirListBox::changed);
    ASSERT_TRUE(list.setPath(QStringLiteral("c:\\games\\DIABLO")));
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games\\Diablo"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(texts(list), (QStringList{"C:\\", "Games", "Diablo", "Alpha", "beta", "Save"}));
    QList<int> levels;
    for (int i = 0; i < list.count(); ++i)
        levels << list.item(i)->data(DirListBox::LevelRole).toInt();
    EXPECT_EQ(levels, (QList<int>{0, 1, 2, 3, 3, 3}));
    EXPECT_EQ(list.item(3)->data(DirListBox::PathRole).toString(), QStringLiteral("C:\\Games\\Diablo\\Alpha"));
    EXPECT_EQ(list.currentRow(), 2);
}

TEST_F(ListFixture, FolderListTakesTheSameFolderInAnotherSpellingForNoChange) {
    DirListBox list;
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo")));
    QSignalSpy changed(&list, &DirListBox::changed);
    EXPECT_TRUE(list.setPath(QStringLiteral("c:\\GAMES\\Diablo\\")));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ListFixture, FolderListAtADriveRootShowsTheRootAndItsSubfolders) {
    DirListBox list;
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\")));
    EXPECT_EQ(list.path(), QStringLiteral("C:\\"));
    EXPECT_EQ(texts(list), (QStringList{"C:\\", "Games"}));
}

TEST_F(ListFixture, FolderListFailsOnFoldersItCannotReadAndKeepsItsRows) {
    DirListBox list;
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo")));
    const QStringList before = texts(list);
    QSignalSpy changed(&list, &DirListBox::changed);

    QDir().mkpath(m_prefix.hostOf(QStringLiteral("Locked")));
    QFile::setPermissions(m_prefix.hostOf(QStringLiteral("Locked")), QFileDevice::WriteOwner);
    const bool lockedIsUnreadable =
        ::access(QFile::encodeName(m_prefix.hostOf(QStringLiteral("Locked"))).constData(), R_OK) != 0;

    EXPECT_FALSE(list.setPath(QStringLiteral("C:\\Missing")));
    EXPECT_FALSE(list.setPath(QStringLiteral("C:\\Games\\Diablo\\Save\\Hero.d2s")));
    EXPECT_FALSE(list.setPath(QStringLiteral("a:")));
    EXPECT_FALSE(list.setPath(QStringLiteral("A:\\")));
    EXPECT_FALSE(list.setPath(QString()));
    if (lockedIsUnreadable) {
        EXPECT_FALSE(list.setPath(QStringLiteral("C:\\Locked")));
    }
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games\\Diablo"));
    EXPECT_EQ(texts(list), before);
    EXPECT_EQ(changed.count(), 0);
    QFile::setPermissions(m_prefix.hostOf(QStringLiteral("Locked")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Whether it is filled on screen or before it is shown, the open folder's row is the first seen.
TEST_F(ListFixture, FolderListShowsItsOpenFolderAtTheTop) {
    DirListBox list;
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo")));
    list.resize(200, list.sizeHintForRow(0) * 2 + 2 * list.frameWidth());
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_EQ(list.indexAt(QPoint(1, 1)).row(), 2);
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games")));
    EXPECT_EQ(list.indexAt(QPoint(1, 1)).row(), 1);
}

TEST_F(ListFixture, FolderListDriveTextReturnsToThatDrivesCurrentFolder) {
    DirListBox list;
    ASSERT_TRUE(list.setPath(QStringLiteral("d:")));
    EXPECT_EQ(list.path(), QStringLiteral("D:\\"));
    ASSERT_TRUE(list.setPath(QStringLiteral("D:\\Backups\\Hero")));
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo")));
    ASSERT_TRUE(list.setPath(QStringLiteral("D:")));
    EXPECT_EQ(list.path(), QStringLiteral("D:\\Backups\\Hero"));
    // On the process's own drive, its working folder is that drive's current folder.
    ASSERT_TRUE(list.setPath(QStringLiteral("c:")));
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games"));
}

namespace {

// A folder list on screen at C:\Games\Diablo: C:\, Games, Diablo, then Alpha, beta and Save.
class ShownFolderList : public ListFixture {
protected:
    void SetUp() override {
        ListFixture::SetUp();
        list.resize(300, 400);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo")));
    }

    DirListBox list;
};

} // namespace

TEST_F(ShownFolderList, AClickOrAnArrowKeyMovesTheSelectionOnly) {
    QSignalSpy changed(&list, &DirListBox::changed);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, 1));
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.currentRow(), 2);
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games\\Diablo"));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ShownFolderList, ADoubleClickOpensTheFolder) {
    QSignalSpy changed(&list, &DirListBox::changed);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, 4));
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games\\Diablo\\beta"));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(ShownFolderList, EnterOpensTheSelectedFolder) {
    QSignalSpy changed(&list, &DirListBox::changed);
    list.setCurrentRow(0);
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.path(), QStringLiteral("C:\\"));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(ListFixture, FileListShowsTheFilesMatchingItsPatternSortedWithoutCase) {
    FileListBox list;
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games"));
    list.setPattern(QStringLiteral("*.d2s"));
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo\\Save")));
    EXPECT_EQ(texts(list), (QStringList{"amy.d2s", "Hero.d2s", "HERO2.D2S"}));
    EXPECT_EQ(list.fileName(), QString());
}

TEST_F(ListFixture, FileListKeepsItsFolderWhenAnotherCannotBeRead) {
    FileListBox list{QStringLiteral("*.d2s")};
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo\\Save")));
    EXPECT_FALSE(list.setPath(QStringLiteral("C:\\Missing")));
    EXPECT_FALSE(list.setPath(QStringLiteral("a:")));
    EXPECT_EQ(list.path(), QStringLiteral("C:\\Games\\Diablo\\Save"));
    EXPECT_EQ(list.count(), 3);
}

TEST_F(ListFixture, FileListRefreshReadsTheFolderAgain) {
    FileListBox list{QStringLiteral("*.d2s")};
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo\\Save")));
    m_prefix.writeFile(QStringLiteral("Games\\Diablo\\Save\\Bob.d2s"), "x");
    QFile::remove(m_prefix.hostOf(QStringLiteral("Games/Diablo/Save/amy.d2s")));
    list.refresh();
    EXPECT_EQ(texts(list), (QStringList{"Bob.d2s", "Hero.d2s", "HERO2.D2S"}));
}

TEST_F(ListFixture, FileListReadsTheFolderAgainForANewPattern) {
    FileListBox list{QStringLiteral("*.d2s")};
    ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo\\Save")));
    list.setPattern(QStringLiteral("Hero.*"));
    EXPECT_EQ(texts(list), (QStringList{"Hero.d2s", "Hero.key"}));
}

namespace {

// A file list of *.d2s on screen at C:\Games\Diablo\Save: amy.d2s, Hero.d2s, HERO2.D2S.
class ShownFileList : public ListFixture {
protected:
    void SetUp() override {
        ListFixture::SetUp();
        list.resize(300, 300);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        ASSERT_TRUE(list.setPath(QStringLiteral("C:\\Games\\Diablo\\Save")));
    }

    void click(int row) { QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centreOf(list, row)); }

    FileListBox list{QStringLiteral("*.d2s")};
    QSignalSpy selection{&list, &FileListBox::selectionEvent};
};

} // namespace

TEST_F(ShownFileList, AFolderSetByTheProgramSelectsNothingAndTellsNothing) {
    click(1);
    selection.clear();
    list.refresh();
    ASSERT_TRUE(list.setPath(QStringLiteral("D:\\Backups\\Hero")));
    EXPECT_EQ(selection.count(), 0);
    EXPECT_EQ(list.fileName(), QString());
}

TEST_F(ShownFileList, AClickTellsTheSelection) {
    click(1);
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(list.fileName(), QStringLiteral("Hero.d2s"));
}

TEST_F(ShownFileList, AnArrowKeyTellsTheSelectionItMoves) {
    click(1);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(selection.count(), 2);
    EXPECT_EQ(list.fileName(), QStringLiteral("HERO2.D2S"));
    QTest::keyClick(&list, Qt::Key_Down); // already on the last entry
    EXPECT_EQ(selection.count(), 2);
}

TEST_F(ShownFileList, DraggingTellsEachChangeAndTheReleaseNothingMore) {
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, centreOf(list, 0));
    EXPECT_EQ(selection.count(), 1);
    QTest::mouseMove(list.viewport(), centreOf(list, 1));
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, centreOf(list, 1));
    EXPECT_EQ(list.fileName(), QStringLiteral("Hero.d2s"));
    EXPECT_EQ(selection.count(), 2);
}

TEST_F(ShownFileList, AClickOnTheEntryAlreadySelectedStillTellsItOnce) {
    click(1);
    click(1);
    EXPECT_EQ(selection.count(), 2);
}

TEST_F(ListFixture, DriveAndFolderListsStartOnTheCurrentDriveAndFolder) {
    WiredLists lists;
    EXPECT_EQ(lists.drive.drive(), QStringLiteral("c:"));
    EXPECT_EQ(lists.dir.path(), QStringLiteral("C:\\Games"));
}

TEST_F(ListFixture, FolderRuleTheFileListFollowsTheFolderList) {
    WiredLists lists;
    ASSERT_TRUE(lists.dir.setPath(QStringLiteral("C:\\Games\\Diablo\\Save")));
    EXPECT_EQ(lists.file.path(), QStringLiteral("C:\\Games\\Diablo\\Save"));
    EXPECT_EQ(lists.file.count(), 3);
}

TEST_F(ListFixture, DriveRuleAReadyDriveOpensItsCurrentFolder) {
    WiredLists lists;
    ASSERT_TRUE(lists.drive.setDrive(QStringLiteral("d:")));
    EXPECT_EQ(lists.dir.path(), QStringLiteral("D:\\"));
    EXPECT_EQ(lists.file.path(), QStringLiteral("D:\\"));
    ASSERT_TRUE(lists.dir.setPath(QStringLiteral("D:\\Backups\\Hero")));
    EXPECT_EQ(texts(lists.file), QStringList{"Hero.d2s"});

    lists.drive.setCurrentIndex(lists.drive.findData(QChar('c')));
    EXPECT_EQ(lists.dir.path(), QStringLiteral("C:\\Games"));
    EXPECT_EQ(lists.file.path(), QStringLiteral("C:\\Games"));
}

TEST_F(ListFixture, DriveRuleADriveWithoutADiskPutsEverythingBackWhereItWas) {
    WiredLists lists;
    ASSERT_TRUE(lists.drive.setDrive(QStringLiteral("d:")));
    ASSERT_TRUE(lists.dir.setPath(QStringLiteral("D:\\Backups\\Hero")));
    lists.drive.setCurrentIndex(lists.drive.findData(QChar('a'))); // as the user picks it
    EXPECT_EQ(lists.drive.drive(), QStringLiteral("d:"));
    EXPECT_EQ(lists.dir.path(), QStringLiteral("D:\\Backups\\Hero"));
    EXPECT_EQ(lists.file.path(), QStringLiteral("D:\\Backups\\Hero"));
}
