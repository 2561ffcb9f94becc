#include "app/launcher.h"
#include "app/main_window.h"
#include "archive/restore_dialog.h"
#include "archive_fixture.h"
#include "controls/dir_list_box.h"
#include "controls/file_list_box.h"
#include "copy/file_io.h"
#include "host/process_start.h"
#include "main_window_parts.h"
#include "restore_fixture.h"
#include "titlebar/gradient_title_bar.h"

#include <QLabel>
#include <QPushButton>

#include <cerrno>

using namespace quillmere;
using test::bytesOf;
using test::filesIn;
using test::foldersIn;

namespace {

// A disk that fills up after a given number of bytes have been written.
class FillingDisk final : public copy::FileIo {
public:
    explicit FillingDisk(qint64 room)
        : m_room(room) {}
    ssize_t write(int fd, const void* buffer, size_t size) override {
        if (m_room <= 0)
            return -ENOSPC;
        const auto n = static_cast<size_t>(std::min<qint64>(m_room, static_cast<qint64>(size)));
        const ssize_t written = FileIo::write(fd, buffer, n);
        if (written > 0)
            m_room -= written;
        return written;
    }

private:
    qint64 m_room;
};

using test::RestoreTest;

const QString kSuccess = QStringLiteral("All character(s) were successfully restored!");
const QString kFailure = QStringLiteral("An error occurred while restoring your character!");

} // namespace

TEST_F(RestoreTest, BringsEveryFileBeginningWithTheNameIntoTheSaveFolder) {
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    pressOK(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, kSuccess);
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Information);
    EXPECT_EQ(boxes.boxes()[0].pointer, controls::MousePointer::Default);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(filesIn(fresh()), (QStringList{QStringLiteral("Hero.bak"), QStringLiteral("Hero.d2s"),
                                             QStringLiteral("Hero.txt"), QStringLiteral("Heroine.d2s")}));
}

TEST_F(RestoreTest, DraggingTheSelectionPreviewsAndRestoresTheRowLeftSelected) {
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    controls::FileListBox* list = file1(dialog);
    click(dialog, QStringLiteral("Hero.d2s"));
    const QPoint from = list->visualItemRect(list->findItems(QStringLiteral("Hero.d2s"), Qt::MatchExactly)[0]).center();
    const QPoint to =
        list->visualItemRect(list->findItems(QStringLiteral("Heroine.d2s"), Qt::MatchExactly)[0]).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(list->viewport(), to);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
    ASSERT_EQ(list->fileName(), QStringLiteral("Heroine.d2s"));
    EXPECT_EQ(label(dialog, "Label4"), QStringLiteral("Sorceress"));
    EXPECT_EQ(label(dialog, "Label5"), QStringLiteral("12"));
    pressOK(dialog);
    EXPECT_EQ(filesIn(fresh()), QStringList{QStringLiteral("Heroine.d2s")});
}

TEST_F(RestoreTest, EnterOnAFocusedOkRestoresAndEnterInTheListCancels) {
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ok->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ok, Qt::Key_Return);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, kSuccess);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(filesIn(fresh()).contains(QStringLiteral("Hero.d2s")));

    // Once the focus has left OK, Enter is Cancel's again.
    archive::RestoreDialog second(fileCopy, history);
    open(second, QStringLiteral("A:\\Hero"));
    click(second, QStringLiteral("Heroine.d2s"));
    second.findChild<QPushButton*>(QStringLiteral("cmdOK"))->setFocus(Qt::TabFocusReason);
    file1(second)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(file1(second), Qt::Key_Return);
    EXPECT_EQ(second.result(), QDialog::Rejected);
    EXPECT_EQ(boxes.boxes().size(), 1);
}

TEST_F(RestoreTest, HeroineAloneBringsOnlyHeroineAndABackupAtADriveRootWorks) {
    for (const QString& name : filesIn(floppy + QStringLiteral("/Hero")))
        QFile::copy(floppy + QStringLiteral("/Hero/") + name, floppy + QLatin1Char('/') + name);
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\"));
    click(dialog, QStringLiteral("Heroine.d2s"));
    pressOK(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, kSuccess);
    EXPECT_EQ(filesIn(fresh()), QStringList{QStringLiteral("Heroine.d2s")});
}

TEST_F(RestoreTest, OkWithoutASelectionAsksForOneAndAFolderChangeEmptiesThePreview) {
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    EXPECT_EQ(label(dialog, "Label4"), QStringLiteral("N/A"));
    pressOK(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("You have not selected a file yet!"));
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("No File Selected..."));
    EXPECT_TRUE(dialog.isVisible());

    click(dialog, QStringLiteral("Hero.d2s"));
    EXPECT_EQ(label(dialog, "Label4"), QStringLiteral("Paladin"));
    EXPECT_EQ(label(dialog, "Label5"), QStringLiteral("26"));
    ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("C:\\Save")));
    EXPECT_EQ(label(dialog, "Label4"), QStringLiteral("N/A"));
    EXPECT_EQ(label(dialog, "Label5"), QStringLiteral("N/A"));
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("Label3"))->isVisible());

    // A class code the game never wrote: the restore preview says "N/A" and still shows the level.
    prefix.writeFile(QStringLiteral("Save\\Odd.d2s"), test::d2s::unsignedFile(9, 40));
    ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("C:\\")));
    ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("C:\\Save")));
    click(dialog, QStringLiteral("Heroine.d2s"));
    click(dialog, QStringLiteral("Odd.d2s"));
    EXPECT_EQ(label(dialog, "Label4"), QStringLiteral("N/A"));
    EXPECT_EQ(label(dialog, "Label5"), QStringLiteral("40"));

    // The selection now made in the new folder is what OK restores.
    click(dialog, QStringLiteral("Other.d2s"));
    pressOK(dialog);
    EXPECT_EQ(boxes.boxes().last().text, kSuccess);
    EXPECT_EQ(filesIn(fresh()), QStringList{QStringLiteral("Other.d2s")});
}

TEST_F(RestoreTest, OverAnExistingCharacterItAsksAndCancelLeavesTheSaveFolderAlone) {
    prefix.writeFile(QStringLiteral("Fresh\\Hero.d2s"), "the character as played since");
    {
        archive::RestoreDialog dialog(fileCopy, history);
        open(dialog, QStringLiteral("A:\\Hero"));
        click(dialog, QStringLiteral("Hero.d2s"));
        shell.answerReplace(copy::ReplaceAnswer::Cancel);
        pressOK(dialog);
        EXPECT_EQ(boxes.boxes().last().text, kFailure);
        EXPECT_EQ(boxes.boxes().last().style, controls::MsgStyle::Critical);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(bytesOf(fresh() + QStringLiteral("/Hero.d2s")), QByteArray("the character as played since"));
    }
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    pressOK(dialog);
    EXPECT_EQ(boxes.boxes().last().text, kSuccess);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(bytesOf(fresh() + QStringLiteral("/Hero.d2s")), bytesOf(floppy + QStringLiteral("/Hero/Hero.d2s")));
}

TEST_F(RestoreTest, TheMainWindowListsARestoredCharacterOnlyAfterRefresh) {
    test::NoStarter starter;
    app::Launcher launcher(starter);
    titlebar::GradientTitleBar titleBar;
    app::MainWindow window(launcher, fileCopy, history, titleBar);
    auto* list = window.findChild<controls::FileListBox*>(QStringLiteral("File1"));
    EXPECT_EQ(list->count(), 0);

    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    pressOK(dialog);
    EXPECT_EQ(list->count(), 0);
    window.findChild<QPushButton*>(QStringLiteral("cmdRefresh"))->click();
    EXPECT_EQ(list->count(), 2); // Hero.d2s and Heroine.d2s
}

TEST_F(RestoreTest, ACopyFailingHalfWayLeavesEveryFileOldOrComplete) {
    // The save folder already holds an older Hero; the disk fills up part-way through the copy.
    prefix.writeFile(QStringLiteral("Fresh\\Hero.d2s"), "older hero");
    prefix.writeFile(QStringLiteral("Fresh\\Hero.txt"), "older notes");
    FillingDisk disk(1500);
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::ShellFileCopy onFillingDisk(shell, disk);

    archive::RestoreDialog dialog(onFillingDisk, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    pressOK(dialog);

    EXPECT_EQ(boxes.boxes().last().text, kFailure);
    EXPECT_TRUE(dialog.isVisible());
    const QStringList names = filesIn(fresh());
    for (const QString& name : names) {
        EXPECT_FALSE(name.endsWith(QStringLiteral(".tmp"))) << "temporary file left: " << qPrintable(name);
        const QByteArray now = bytesOf(fresh() + QLatin1Char('/') + name);
        const QByteArray backup = bytesOf(floppy + QStringLiteral("/Hero/") + name);
        const bool old = (name == QStringLiteral("Hero.d2s") && now == "older hero") ||
                         (name == QStringLiteral("Hero.txt") && now == "older notes");
        EXPECT_TRUE(old || now == backup) << qPrintable(name) << " is neither old nor complete";
    }
}
