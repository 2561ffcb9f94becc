#include "copy_test_support.h"
#include "faulty_io.h"

#include "host/drive_map.h"

#include <QFileInfo>

#include <cerrno>

#include <sys/mount.h>

using namespace quillmere;
using copy::CopyErrorKind;
using copy::CopyStatus;
using copy::ReplaceAnswer;
using test::bytesOf;
using test::content;
using test::entriesIn;
using test::FaultyIo;
using test::OldTime;
using test::ScriptedUi;
using test::tempsIn;
using test::writeBytes;

namespace {

class CopyFiles : public test::CopyTest {};

TEST_F(CopyFiles, CopiesEveryOrdinaryVisibleFileThePatternSelects) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    ScriptedUi ui;
    const copy::CopyOutcome outcome = copy(ui, QStringLiteral("c:\\SAVE\\hero*.*"));

    EXPECT_EQ(outcome.status, CopyStatus::Copied);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(entriesIn(m_backup), QStringList({"HERO.key", "Hero.bak", "Hero.d2s", "Hero.txt", "Heroine.d2s"}));
    for (const QString& name : entriesIn(m_backup)) {
        EXPECT_EQ(bytesOf(m_backup + u'/' + name), content(qPrintable(name))) << qPrintable(name);
        EXPECT_EQ(QFileInfo(m_backup + u'/' + name).lastModified().toUTC(), OldTime) << qPrintable(name);
    }
    EXPECT_EQ(ui.started, 1);
    EXPECT_EQ(ui.finished, 1);
}

TEST_F(CopyFiles, ReplacesOnlyWhatTheUserAgreesToAndInTheExistingLetterCase) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    // An existing file in another letter case is the same Windows file: it is replaced in place.
    for (const char* name : {"Hero.bak", "hero.d2s", "HERO.key", "Hero.txt"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");

    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes, ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::Yes};
    const copy::CopyOutcome outcome = copy(ui);
    EXPECT_EQ(outcome.status, CopyStatus::Skipped) << "a kept file is no success";
    ASSERT_EQ(ui.asked.size(), 4);
    EXPECT_EQ(ui.asked[1].name, QStringLiteral("hero.d2s"));
    EXPECT_EQ(ui.asked[1].destination, QStringLiteral("C:\\Backup\\Hero"));
    EXPECT_EQ(ui.asked[1].existingSize, 3);
    EXPECT_EQ(ui.asked[1].newSize, 100);
    EXPECT_EQ(ui.asked[1].newModified, OldTime);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.bak")), content("Hero.bak"));
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/hero.d2s")), "old");
    EXPECT_EQ(entriesIn(m_backup), QStringList({"HERO.key", "Hero.bak", "Hero.txt", "Heroine.d2s", "hero.d2s"}));
}

TEST_F(CopyFiles, YesToAllAnswersTheRest) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    for (const char* name : {"Hero.bak", "hero.d2s"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(ui).status, CopyStatus::Copied);
    EXPECT_EQ(ui.asked.size(), 1);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/hero.d2s")), content("Hero.d2s"));
}

TEST_F(CopyFiles, CancelInTheReplaceQuestionKeepsWhatWasCopiedAndTouchesNothingAfter) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    for (const char* name : {"Hero.bak", "hero.d2s", "HERO.key"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes, ReplaceAnswer::Cancel};
    EXPECT_EQ(copy(ui).status, CopyStatus::Cancelled);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.bak")), content("Hero.bak"));
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/hero.d2s")), "old");
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/HERO.key")), "old");
    EXPECT_TRUE(tempsIn(m_backup).isEmpty());
    EXPECT_EQ(ui.finished, 1);
}

TEST_F(CopyFiles, AMissingDestinationIsCreatedOnlyWhenTheUserAgrees) {
    fillSaveFolder();
    ScriptedUi no;
    no.createFolder = false;
    EXPECT_EQ(copy(no).status, CopyStatus::Cancelled);
    EXPECT_EQ(no.foldersAsked, QStringList({"C:\\Backup\\Hero"}));
    EXPECT_FALSE(QFileInfo::exists(m_backup));

    ScriptedUi yes;
    EXPECT_EQ(copy(yes).status, CopyStatus::Copied);
    EXPECT_EQ(entriesIn(m_backup).size(), 5);
}

TEST_F(CopyFiles, NothingMatchingIsAFailureWithTheShellsMessage) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    ScriptedUi ui;
    const copy::CopyOutcome outcome = copy(ui, QStringLiteral("C:\\Save\\Nobody*.*"));
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    EXPECT_EQ(outcome.error.kind, CopyErrorKind::NoMatch);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].message.contains(QStringLiteral("Nobody*.*")));
    EXPECT_TRUE(entriesIn(m_backup).isEmpty());

    // A source folder that does not exist matches nothing either.
    ScriptedUi missing;
    EXPECT_EQ(copy(missing, QStringLiteral("C:\\Gone\\Hero*.*")).error.kind, CopyErrorKind::NoMatch);
    EXPECT_EQ(missing.errors.size(), 1);
}

TEST_F(CopyFiles, ADriveThatIsNotThereIsNotReadyAndNothingIsAsked) {
    fillSaveFolder();
    ScriptedUi ui;
    const copy::CopyOutcome outcome = copy(ui, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("q:\\Hero"));
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::NotReady);
    EXPECT_TRUE(ui.foldersAsked.isEmpty());
}

TEST_F(CopyFiles, RefusesToCopyAFileOntoItself) {
    fillSaveFolder();
    const QStringList before = entriesIn(m_save);
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    const copy::CopyOutcome outcome = copy(ui, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("c:\\sAVE"));
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::SameFile);
    EXPECT_TRUE(ui.asked.isEmpty()) << "refused before any question";
    EXPECT_EQ(entriesIn(m_save), before);
    EXPECT_EQ(bytesOf(m_save + QStringLiteral("/Hero.d2s")), content("Hero.d2s"));
}

// Windows cannot hold both names; under Wine they are two characters, and writing one over the
// other would lose the selected one.
TEST_F(CopyFiles, TwoSourcesDifferingOnlyInLetterCaseAreRefusedAndNothingIsWritten) {
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), "the paladin");
    writeBytes(m_save + QStringLiteral("/hero.d2s"), "another hero");
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/Hero.d2s"), "older paladin");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    const copy::CopyOutcome outcome = copy(ui);
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    EXPECT_EQ(outcome.error.kind, CopyErrorKind::CaseCollision);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors[0].message.contains(QStringLiteral("Hero.d2s")) &&
                ui.errors[0].message.contains(QStringLiteral("hero.d2s")))
        << qPrintable(ui.errors[0].message);
    EXPECT_TRUE(ui.asked.isEmpty());
    EXPECT_EQ(entriesIn(m_backup), QStringList({"Hero.d2s"}));
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), "older paladin");

    // Into a folder that does not exist yet: not even the folder is made.
    ScriptedUi fresh;
    EXPECT_EQ(copy(fresh, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("C:\\Fresh")).error.kind,
              CopyErrorKind::CaseCollision);
    EXPECT_TRUE(fresh.foldersAsked.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_prefix.hostOf(QStringLiteral("Fresh"))));
}

TEST_F(CopyFiles, ASourceFolderThatCannotBeListedIsSaidToBeUnreadable) {
    fillSaveFolder();
    FaultyIo io;
    io.unreadableFolder = QFile::encodeName(host::resolve(QStringLiteral("C:\\Save")).hostPath);
    ScriptedUi ui;
    EXPECT_EQ(copy(ui, io).status, CopyStatus::Failed);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::ReadFailed);
    EXPECT_TRUE(ui.errors[0].message.contains(QStringLiteral("cannot be read"))) << qPrintable(ui.errors[0].message);
    EXPECT_FALSE(QFileInfo::exists(m_backup));
}

TEST_F(CopyFiles, AFailedWriteOrReadLeavesTheOldFileAndNoTemporary) {
    const QByteArray big = content("0123456789abcdef", 3 * 1024 * 1024 + 17);
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), big);
    QDir().mkpath(m_backup);
    const QString target = m_backup + QStringLiteral("/Hero.d2s");

    struct Case {
        const char* what;
        qint64 failWriteAt;
        qint64 failReadAt;
        int writeError;
        int createError;
        CopyErrorKind kind;
    };
    const Case cases[] = {
        {"write fails part-way", 1500000, -1, EIO, 0, CopyErrorKind::WriteFailed},
        {"disk fills part-way", 2000000, -1, ENOSPC, 0, CopyErrorKind::DiskFull},
        {"read fails part-way", -1, 1200000, EIO, 0, CopyErrorKind::ReadFailed},
        {"read-only medium", -1, -1, EIO, EROFS, CopyErrorKind::ReadOnly},
        {"read-only folder", -1, -1, EIO, EACCES, CopyErrorKind::ReadOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(target, "old contents");
        FaultyIo io;
        io.failWriteAt = c.failWriteAt;
        io.failReadAt = c.failReadAt;
        io.writeError = c.writeError;
        io.createError = c.createError;
        ScriptedUi ui;
        ui.replaceAnswers = {ReplaceAnswer::Yes};
        EXPECT_EQ(copy(ui, io).status, CopyStatus::Failed);
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_EQ(ui.errors[0].kind, c.kind);
        EXPECT_EQ(bytesOf(target), "old contents");
        EXPECT_EQ(entriesIn(m_backup), QStringList({"Hero.d2s"}));
    }

    // The same calls without faults copy the whole file.
    FaultyIo io;
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes};
    EXPECT_EQ(copy(ui, io).status, CopyStatus::Copied);
    EXPECT_EQ(bytesOf(target), big);
}

TEST_F(CopyFiles, CancelBeforeTheFirstFileCopiesNothing) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/Hero.d2s"), "old");
    ScriptedUi ui;
    ui.cancelNow = true;
    EXPECT_EQ(copy(ui).status, CopyStatus::Cancelled);
    EXPECT_EQ(entriesIn(m_backup), QStringList({"Hero.d2s"}));
}

TEST_F(CopyFiles, CancelInTheMiddleOfAFileKeepsTheWholeFilesBeforeItAndTheOldOne) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/Hero.d2s"), "old");
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes};
    ui.cancelOn = [](const QString& file, qint64) { return file == QStringLiteral("Hero.d2s"); };
    EXPECT_EQ(copy(ui).status, CopyStatus::Cancelled);
    EXPECT_EQ(entriesIn(m_backup), QStringList({"Hero.bak", "Hero.d2s"}));
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.bak")), content("Hero.bak"));
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), "old");
}

// A real file system that fills up: a 1 MB tmpfs, where mounting is allowed.
TEST_F(CopyFiles, AFullDiskIsReportedAndRoomIsMadeByReplacing) {
    const QString mountPoint = m_prefix.scratch() + QStringLiteral("/floppy");
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(mountPoint)};
    m_prefix.mapDrive('a', mountPoint);

    // Two 350 KB files over two 250 KB ones: the second fits only once the first old one is gone.
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), content("new d2s", 350 * 1024));
    writeBytes(m_save + QStringLiteral("/Hero.key"), content("new key", 350 * 1024));
    writeBytes(mountPoint + QStringLiteral("/Hero.d2s"), content("old d2s", 250 * 1024));
    writeBytes(mountPoint + QStringLiteral("/Hero.key"), content("old key", 250 * 1024));
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(ui, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("a:\\")).status, CopyStatus::Copied);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(bytesOf(mountPoint + QStringLiteral("/Hero.key")), content("new key", 350 * 1024));

    // A file larger than the disk: an error, the old file whole, no temporary.
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), content("huge", 2 * 1024 * 1024));
    ScriptedUi full;
    full.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(full, QStringLiteral("C:\\Save\\Hero.d2s"), QStringLiteral("a:\\")).status, CopyStatus::Failed);
    ASSERT_EQ(full.errors.size(), 1);
    EXPECT_EQ(full.errors[0].kind, CopyErrorKind::DiskFull);
    EXPECT_EQ(bytesOf(mountPoint + QStringLiteral("/Hero.d2s")), content("new d2s", 350 * 1024));
    EXPECT_TRUE(tempsIn(mountPoint).isEmpty());
}

} // namespace
