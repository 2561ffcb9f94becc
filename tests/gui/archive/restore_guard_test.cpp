#include "app/launcher.h"
#include "app/main_window.h"
#include "archive/restore_history.h"
#include "copy/file_io.h"
#include "host/process_start.h"
#include "main_window_parts.h"
#include "restore_fixture.h"
#include "titlebar/gradient_title_bar.h"

#include <QAction>
#include <QDateTime>
#include <QMenu>
#include <QTimeZone>

#include <cerrno>

using namespace quillmere;
using test::bytesOf;
using test::filesIn;

namespace {

// Each file's bytes and modification time: what "as it was" means for a save folder.
struct FolderState {
    QMap<QString, QByteArray> bytes;
    QMap<QString, qint64> modified;
    bool operator==(const FolderState&) const = default;
};

// A disk with no room left.
class FullDisk final : public copy::FileIo {
public:
    ssize_t write(int, const void*, size_t) override { return -ENOSPC; }
};

QDateTime at(int month, int day, int hour = 12) {
    return QDateTime(QDate(2026, month, day), QTime(hour, 0), QTimeZone::systemTimeZone());
}

class RestoreGuardTest : public test::RestoreTest {
protected:
    // The backup's Hero, a level 26 Paladin, was saved on 1 Dec 2026.
    void putInSaveFolder(const QString& name, const QByteArray& bytes, const QDateTime& saved) {
        prefix.writeFile(QStringLiteral("Fresh\\") + name, bytes);
        test::setModified(fresh() + u'/' + name, saved);
    }
    void SetUp() override {
        RestoreTest::SetUp();
        for (const QString& name : filesIn(backupFolder()))
            test::setModified(backupFolder() + u'/' + name, at(12, 1));
    }
    QString backupFolder() const { return floppy + QStringLiteral("/Hero"); }
    FolderState saveFolder() const {
        FolderState state;
        for (const QString& name : filesIn(fresh())) {
            state.bytes.insert(name, bytesOf(fresh() + u'/' + name));
            state.modified.insert(name, QFileInfo(fresh() + u'/' + name).lastModified().toMSecsSinceEpoch());
        }
        return state;
    }
    void restoreHero(archive::RestoreDialog& dialog) {
        open(dialog, QStringLiteral("A:\\Hero"));
        click(dialog, QStringLiteral("Hero.d2s"));
        pressOK(dialog);
    }
    int keptFolders() const {
        return int(
            QDir(prefix.scratch() + QStringLiteral("/kept")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
    }
};

} // namespace

TEST_F(RestoreGuardTest, AHigherLevelInTheSaveFolderWarnsWithBothAndTheDefaultLeavesItAsItWas) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 5, 85), at(11, 1));
    putInSaveFolder(QStringLiteral("Hero.key"), "keys", at(11, 1));
    const FolderState before = saveFolder();
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);

    ASSERT_EQ(boxes.boxes().size(), 1) << "the warning only";
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::WarningDefaultNo);
    EXPECT_EQ(
        boxes.boxes()[0].text,
        QStringLiteral("Hero in the save folder is a level 85 Druid saved on 1 Nov 2026; the backup is a level 26 "
                       "Paladin saved on 1 Dec 2026. Replace the newer character with the backup?"));
    EXPECT_EQ(saveFolder(), before);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(shell.asked.isEmpty());
    EXPECT_FALSE(history.lastRestore()) << "nothing kept for a restore that never started";
}

TEST_F(RestoreGuardTest, ACharacterSavedLaterInTheSaveFolderWarnsWithBoth) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 26), at(12, 6));
    const FolderState before = saveFolder();
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);

    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text,
              QStringLiteral("Hero in the save folder is a level 26 Paladin saved on 6 Dec 2026; the backup is a level "
                             "26 Paladin saved on 1 Dec 2026. Replace the newer character with the backup?"));
    EXPECT_EQ(saveFolder(), before);
}

TEST_F(RestoreGuardTest, SavedTheSameDayTheWarningGivesTheTimes) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 26), at(12, 1, 18));
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("saved on 1 Dec 2026 at 18:00:00; the backup")))
        << qPrintable(boxes.boxes()[0].text);
}

TEST_F(RestoreGuardTest, YesRestoresAndTheSameCharacterAgainIsReplacedWithoutAWarning) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 5, 85), at(11, 1));
    boxes.answerNext(controls::MsgAnswer::Yes);
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);
    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_EQ(boxes.boxes()[1].title, QStringLiteral("Success!"));
    EXPECT_EQ(bytesOf(fresh() + QStringLiteral("/Hero.d2s")), bytesOf(backupFolder() + QStringLiteral("/Hero.d2s")));

    // Now the save folder holds the backup's own Hero, saved at the same moment: nothing to warn of.
    boxes.clear();
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::RestoreDialog again(fileCopy, history);
    restoreHero(again);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Success!"));
}

TEST_F(RestoreGuardTest, UndoAfterReplacingTwoFilesAndAddingOneGivesBackTheEarlierSaveFolder) {
    QFile::remove(backupFolder() + QStringLiteral("/Heroine.d2s"));
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 20), at(11, 1));
    putInSaveFolder(QStringLiteral("Hero.txt"), "my own notes", at(11, 2));
    putInSaveFolder(QStringLiteral("Other.d2s"), test::d2s::signedFile(96, 0, 3), at(11, 3));
    const FolderState before = saveFolder();
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);
    ASSERT_EQ(boxes.boxes().last().title, QStringLiteral("Success!"));
    ASSERT_NE(saveFolder(), before);

    const std::optional<archive::KeptRestore> last = history.lastRestore();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->kept, (QStringList{QStringLiteral("Hero.d2s"), QStringLiteral("Hero.txt")}));
    EXPECT_EQ(last->added, QStringList{QStringLiteral("Hero.bak")});
    QString failure;
    ASSERT_TRUE(history.undo(*last, &failure)) << qPrintable(failure);
    EXPECT_EQ(saveFolder(), before);
    EXPECT_FALSE(history.lastRestore()) << "an undone restore is not offered again";
}

TEST_F(RestoreGuardTest, TheUndoKeepsWhatItReplacesSoThatNothingIsLost) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 20), at(11, 1));
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);
    // The player goes on with the restored character before undoing.
    const QByteArray played = test::d2s::signedFile(96, 3, 30);
    prefix.writeFile(QStringLiteral("Fresh\\Hero.d2s"), played);

    QString failure;
    ASSERT_TRUE(history.undo(*history.lastRestore(), &failure)) << qPrintable(failure);
    const QStringList folders =
        QDir(prefix.scratch() + QStringLiteral("/kept")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(bytesOf(prefix.scratch() + QStringLiteral("/kept/") + folders.last() + QStringLiteral("/files/Hero.d2s")),
              played);
}

TEST_F(RestoreGuardTest, TheMenuItemUndoesTheLastRestoreAfterAskingAndIsOfferedOnlyThen) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 20), at(11, 1));
    const FolderState before = saveFolder();
    test::NoStarter starter;
    app::Launcher launcher(starter);
    titlebar::GradientTitleBar titleBar;
    app::MainWindow window(launcher, fileCopy, history, titleBar);
    auto* undo = window.findChild<QAction*>(QStringLiteral("mnuFile_UndoRestore"));
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Last Restore"));
    EXPECT_FALSE(undo->isEnabled());

    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    {
        archive::RestoreDialog dialog(fileCopy, history);
        restoreHero(dialog);
    }
    window.findChild<QMenu*>(QStringLiteral("mnuFile"))->aboutToShow();
    EXPECT_TRUE(undo->isEnabled());

    boxes.clear();
    boxes.answerNext(controls::MsgAnswer::No);
    undo->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::YesNo);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("Undo the restore of Hero made on ")));
    EXPECT_NE(saveFolder(), before) << "No leaves the restore in place";

    boxes.answerNext(controls::MsgAnswer::Yes);
    undo->trigger();
    EXPECT_EQ(boxes.boxes().last().text, QStringLiteral("The restore was undone!"));
    EXPECT_EQ(saveFolder(), before);
    EXPECT_FALSE(undo->isEnabled());
}

TEST_F(RestoreGuardTest, OnlyTheLastTwentyRestoresAreKept) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 20), at(11, 1));
    QString first;
    for (int i = 0; i < 23; ++i) {
        QString failure;
        const auto kept = history.keepBeforeRestore(QStringLiteral("Hero"), QStringLiteral("C:\\Fresh"), fresh(),
                                                    {QStringLiteral("Hero.d2s")}, &failure);
        ASSERT_TRUE(kept) << qPrintable(failure);
        if (i == 0)
            first = kept->folder;
        ASSERT_TRUE(QFileInfo::exists(kept->folder + QStringLiteral("/files/Hero.d2s")));
    }
    EXPECT_EQ(keptFolders(), archive::RestoreHistory::kRestoresKept);
    EXPECT_FALSE(QFileInfo::exists(first)) << "the oldest go first";
}

TEST_F(RestoreGuardTest, AFullDiskWhileKeepingStopsTheRestoreBeforeItStarts) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 20), at(11, 1));
    const FolderState before = saveFolder();
    FullDisk full;
    archive::ShellFileCopy keeping(shell, full);
    archive::RestoreHistory fullHistory(prefix.scratch() + QStringLiteral("/kept"), keeping);
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::RestoreDialog dialog(fileCopy, fullHistory);
    restoreHero(dialog);

    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(
        QStringLiteral("Nothing was restored: the files in the save folder that the restore would replace could not "
                       "be kept so that the restore can be undone.")));
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("disk"), Qt::CaseInsensitive))
        << qPrintable(boxes.boxes()[0].text);
    EXPECT_EQ(saveFolder(), before);
    EXPECT_EQ(keptFolders(), 0) << "no half-kept restore is left";
}

TEST_F(RestoreGuardTest, ACancelledRestoreCanStillBeUndone) {
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 3, 20), at(11, 1));
    putInSaveFolder(QStringLiteral("Hero.txt"), "my own notes", at(11, 2));
    const FolderState before = saveFolder();
    shell.answerReplace(copy::ReplaceAnswer::Yes);
    shell.answerReplace(copy::ReplaceAnswer::Cancel);
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);
    ASSERT_EQ(boxes.boxes().last().title, QStringLiteral("Failure!"));

    const std::optional<archive::KeptRestore> last = history.lastRestore();
    ASSERT_TRUE(last);
    QString failure;
    ASSERT_TRUE(history.undo(*last, &failure)) << qPrintable(failure);
    EXPECT_EQ(saveFolder(), before);
}

TEST_F(RestoreGuardTest, TheWarningReadsBothCharactersWhereverTheHostKeepsThem) {
    // Without a drive over the host's root, a host path names nothing in Windows form.
    prefix.unmapDrive('z');
    putInSaveFolder(QStringLiteral("Hero.d2s"), test::d2s::signedFile(96, 5, 85), at(11, 1));
    archive::RestoreDialog dialog(fileCopy, history);
    restoreHero(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("is a level 85 Druid saved on 1 Nov 2026; the backup is "
                                                              "a level 26 Paladin")))
        << qPrintable(boxes.boxes()[0].text);
}
