#include "archive/backup_dialog.h"
#include "archive_fixture.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"

#include <QPushButton>

using namespace quillmere;
using test::bytesOf;
using test::filesIn;
using test::foldersIn;

namespace {

class BackupTest : public test::ArchiveTest {
protected:
    // Opens the dialog on a folder and presses OK.
    bool backUp(archive::BackupDialog& dialog, const QString& chosenFolder) {
        dialog.show();
        if (!dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(chosenFolder))
            return false;
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        return true;
    }
    void expectMessage(int index, const QString& text, const QString& title, controls::MsgStyle style) {
        ASSERT_GT(boxes.boxes().size(), index);
        const auto& box = boxes.boxes()[index];
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.style, style);
        EXPECT_EQ(box.pointer, controls::MousePointer::Default) << "the hourglass was still showing";
    }
    void expectSuccess(int index = 0) {
        expectMessage(index, QStringLiteral("All character(s) were successfully backed up!"),
                      QStringLiteral("Success!"), controls::MsgStyle::Information);
    }
    void expectFailure(int index = 0) {
        expectMessage(index, QStringLiteral("An error occurred while backing up your character!"),
                      QStringLiteral("Failure!"), controls::MsgStyle::Critical);
    }
};

} // namespace

TEST_F(BackupTest, CopiesEveryFileBeginningWithTheNameIntoAFolderAtTheDriveRoot) {
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    ASSERT_TRUE(backUp(dialog, QStringLiteral("A:\\")));
    expectSuccess();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // A drive root gets a single separator: a:\Hero. Heroine comes along; the folder Hero does not.
    EXPECT_EQ(foldersIn(floppy), QStringList{QStringLiteral("Hero")});
    EXPECT_EQ(filesIn(floppy + QStringLiteral("/Hero")),
              (QStringList{QStringLiteral("Hero.bak"), QStringLiteral("Hero.d2s"), QStringLiteral("Hero.txt"),
                           QStringLiteral("Heroine.d2s")}));
    EXPECT_TRUE(foldersIn(floppy + QStringLiteral("/Hero")).isEmpty());
    EXPECT_EQ(bytesOf(floppy + QStringLiteral("/Hero/Hero.d2s")),
              bytesOf(prefix.hostOf(QStringLiteral("Save\\Hero.d2s"))));
}

TEST_F(BackupTest, HeroineAloneTakesOnlyWhatBeginsWithHeroine) {
    archive::BackupDialog dialog(QStringLiteral("Heroine.d2s"), fileCopy);
    ASSERT_TRUE(backUp(dialog, QStringLiteral("A:\\")));
    expectSuccess();
    EXPECT_EQ(foldersIn(floppy), QStringList{QStringLiteral("Heroine")});
    EXPECT_EQ(filesIn(floppy + QStringLiteral("/Heroine")), QStringList{QStringLiteral("Heroine.d2s")});
}

TEST_F(BackupTest, ASecondBackupAsksBeforeReplacingAndCancelKeepsTheOldFiles) {
    prefix.makeFolder(QStringLiteral("Backups"));
    {
        archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
        ASSERT_TRUE(backUp(dialog, QStringLiteral("C:\\Backups")));
        expectSuccess();
    }
    const QString target = prefix.hostOf(QStringLiteral("Backups\\Hero\\Hero.d2s"));
    const QByteArray old = bytesOf(target);
    prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), test::d2s::signedFile(96, 3, 27));

    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    shell.answerReplace(copy::ReplaceAnswer::Cancel);
    ASSERT_TRUE(backUp(dialog, QStringLiteral("C:\\Backups")));
    expectFailure(1);
    ASSERT_EQ(shell.asked.size(), 1);
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open after a failure";
    EXPECT_EQ(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->path(), QStringLiteral("C:\\Backups"));
    EXPECT_EQ(bytesOf(target), old);

    // Agreeing replaces them and closes the dialog.
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    expectSuccess(2);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(bytesOf(target), bytesOf(prefix.hostOf(QStringLiteral("Save\\Hero.d2s"))));
}

TEST_F(BackupTest, FailsWithoutCopyingWhenThereIsNoSaveFolder) {
    prefix.writeSystemReg(regedit::kGameKey, {});
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    ASSERT_TRUE(backUp(dialog, QStringLiteral("A:\\")));
    expectFailure(0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(foldersIn(floppy).isEmpty());
}

TEST_F(BackupTest, FailsWhenTheTargetFolderCannotBeMade) {
    // A file already holds the target folder's name.
    test::writeBytes(floppy + QStringLiteral("/Hero"), {});
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    ASSERT_TRUE(backUp(dialog, QStringLiteral("A:\\")));
    expectFailure(0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(filesIn(floppy + QStringLiteral("/Hero")).isEmpty());
}

TEST_F(BackupTest, ANotReadyDriveIsPutBackAndAReadyOneShowsItsCurrentFolder) {
    prefix.mapDrive('b', prefix.scratch() + QStringLiteral("/gone"));
    QDir(prefix.scratch() + QStringLiteral("/gone")).removeRecursively();

    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    dialog.show();
    auto* drive = dialog.findChild<controls::DriveListBox*>(QStringLiteral("Drive1"));
    auto* dir = dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"));
    ASSERT_TRUE(dir->setPath(QStringLiteral("C:\\Save")));
    ASSERT_TRUE(drive->setDrive(QStringLiteral("c:")));
    const int notReady = drive->findText(QStringLiteral("b:"), Qt::MatchStartsWith);
    ASSERT_GE(notReady, 0);
    drive->setCurrentIndex(notReady); // as the user picks it
    EXPECT_EQ(drive->drive(), QStringLiteral("c:"));
    EXPECT_EQ(dir->path(), QStringLiteral("C:\\Save"));
    EXPECT_TRUE(boxes.boxes().isEmpty());

    // Picking a ready drive shows its current folder.
    drive->setCurrentIndex(drive->findText(QStringLiteral("a:"), Qt::MatchStartsWith));
    EXPECT_EQ(dir->path(), QStringLiteral("A:\\"));
}

TEST_F(BackupTest, EnterInEitherListCancels) {
    for (const char* list : {"Drive1", "Dir1"}) {
        archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
        dialog.show();
        ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("A:\\")));
        QWidget* focused = dialog.findChild<QWidget*>(QLatin1String(list));
        focused->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible()) << list;
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << list;
    }
    EXPECT_TRUE(foldersIn(floppy).isEmpty());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(BackupTest, EnterOnAFocusedOkBacksUp) {
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    dialog.show();
    ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("A:\\")));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ok->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ok, Qt::Key_Return);
    expectSuccess();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(foldersIn(floppy), QStringList{QStringLiteral("Hero")});
}
