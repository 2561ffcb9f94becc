#include "copy_test_support.h"
#include "faulty_io.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>

#include <unistd.h>

using namespace quillmere;
using copy::CopyErrorKind;
using copy::CopyStatus;
using copy::ReplaceAnswer;
using test::bytesOf;
using test::content;
using test::entriesIn;
using test::FaultyIo;
using test::ScriptedUi;
using test::tempsIn;
using test::writeBytes;

namespace {

class Durability : public test::CopyTest {
protected:
    void SetUp() override {
        CopyTest::SetUp();
        for (const char* name : {"Hero.d2s", "Hero.key", "Hero.ma0"})
            writeBytes(m_save + u'/' + QLatin1String(name), content(name, 5000));
        QDir().mkpath(m_backup);
        for (const char* name : {"Hero.d2s", "Hero.key"})
            writeBytes(m_backup + u'/' + QLatin1String(name), "old");
    }

    // Both old files as they were, nothing new, no temporary file.
    void expectOldFilesOnly() {
        EXPECT_EQ(entriesIn(m_backup), QStringList({"Hero.d2s", "Hero.key"}));
        EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), "old");
        EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.key")), "old");
    }

    ScriptedUi m_ui;
};

// Each temporary file: written, synced, read back, renamed; the folder synced once all renames are
// done, and before the copy counts as done.
void expectDurableOrder(const QStringList& calls, const QStringList& targets) {
    const qsizetype folderSync = calls.lastIndexOf(QStringLiteral("syncFolder Hero"));
    ASSERT_GE(folderSync, 0) << qPrintable(calls.join(u'\n'));
    for (const QString& target : targets) {
        SCOPED_TRACE(qPrintable(target));
        const QStringList renames = calls.filter(QRegularExpression(QStringLiteral(" %1$").arg(target)));
        ASSERT_EQ(renames.size(), 1) << qPrintable(calls.join(u'\n'));
        const QString temp = renames[0].section(u' ', 1, 1);
        const qsizetype write = calls.indexOf(QStringLiteral("write ") + temp);
        const qsizetype sync = calls.indexOf(QStringLiteral("sync ") + temp);
        const qsizetype verify = calls.indexOf(QStringLiteral("verify ") + temp);
        const qsizetype rename = calls.indexOf(renames[0]);
        EXPECT_GE(write, 0);
        EXPECT_LT(write, sync);
        EXPECT_LT(sync, verify);
        EXPECT_LT(verify, rename);
        EXPECT_LT(rename, folderSync);
    }
}

TEST_F(Durability, EachFileIsSyncedAndCheckedBeforeItsRenameAndTheFolderAfter) {
    FaultyIo io;
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    ASSERT_EQ(copy(m_ui, io).status, CopyStatus::Copied);
    expectDurableOrder(io.calls(), {"Hero.d2s", "Hero.key", "Hero.ma0"});
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.ma0")), content("Hero.ma0", 5000));
}

TEST_F(Durability, NamedTemporaryFilesFollowTheSameOrder) {
    FaultyIo io;
    io.noUnnamed = true;
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    ASSERT_EQ(copy(m_ui, io).status, CopyStatus::Copied);
    expectDurableOrder(io.calls(), {"Hero.d2s", "Hero.key", "Hero.ma0"});
    EXPECT_TRUE(tempsIn(m_backup).isEmpty());
}

TEST_F(Durability, ANewFolderIsSyncedIntoItsParentBeforeAnythingIsWrittenInIt) {
    FaultyIo io;
    const copy::CopyOutcome outcome =
        copy(m_ui, io, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("C:\\New\\Hero"));
    ASSERT_EQ(outcome.status, CopyStatus::Copied);
    const QStringList calls = io.calls();
    const QStringList start = calls.mid(0, 4);
    EXPECT_EQ(start, QStringList({"makeFolder New", "syncFolder drive_c", "makeFolder Hero", "syncFolder New"}))
        << qPrintable(calls.join(u'\n'));
}

TEST_F(Durability, AFailedDataSyncKeepsEveryOldFileOfTheBatch) {
    FaultyIo io;
    io.syncFileError = EIO;
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    const copy::CopyOutcome outcome = copy(m_ui, io);
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    ASSERT_EQ(m_ui.errors.size(), 1);
    EXPECT_TRUE(m_ui.errors[0].message.contains(QStringLiteral("Input/output error")))
        << qPrintable(m_ui.errors[0].message);
    expectOldFilesOnly();
}

TEST_F(Durability, AFailedRenameKeepsTheOldFileAndRemovesItsTemporary) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        FaultyIo io;
        io.noUnnamed = !unnamed;
        io.renameError = EACCES;
        ScriptedUi ui;
        ui.replaceAnswers = {ReplaceAnswer::YesToAll};
        EXPECT_EQ(copy(ui, io).status, CopyStatus::Failed);
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::ReadOnly);
        expectOldFilesOnly();
    }
}

TEST_F(Durability, AFailedFolderSyncIsAFailureWithItsReason) {
    FaultyIo io;
    io.syncFolderError = EIO;
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    const copy::CopyOutcome outcome = copy(m_ui, io);
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    EXPECT_EQ(outcome.error.kind, CopyErrorKind::WriteFailed);
    EXPECT_EQ(outcome.error.path, QStringLiteral("C:\\Backup\\Hero"));
    ASSERT_EQ(m_ui.errors.size(), 1);
    EXPECT_TRUE(m_ui.errors[0].message.contains(QStringLiteral("Input/output error")));
}

TEST_F(Durability, ATargetThatCannotBeExaminedIsAFailureNotAMissingFile) {
    FaultyIo io;
    io.statErrorPath = QFile::encodeName(m_backup + QStringLiteral("/Hero.key"));
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(m_ui, io).status, CopyStatus::Failed);
    ASSERT_EQ(m_ui.errors.size(), 1);
    EXPECT_EQ(m_ui.errors[0].path, QStringLiteral("C:\\Backup\\Hero\\Hero.key"));
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.key")), "old");
    EXPECT_FALSE(QFileInfo::exists(m_backup + QStringLiteral("/Hero.ma0"))) << "nothing after the failure";
}

TEST_F(Durability, ASourceThatCannotBeExaminedIsAFailureNotLeftOut) {
    FaultyIo io;
    io.statErrorPath = QFile::encodeName(m_save + QStringLiteral("/Hero.key"));
    EXPECT_EQ(copy(m_ui, io).status, CopyStatus::Failed);
    ASSERT_EQ(m_ui.errors.size(), 1);
    EXPECT_EQ(m_ui.errors[0].kind, CopyErrorKind::ReadFailed);
    expectOldFilesOnly();
}

// FAT, exFAT and many FUSE file systems cannot hold Unix permissions or times.
TEST_F(Durability, ADestinationRefusingModesAndTimesStillGetsTheCopy) {
    for (const int refusal : {EPERM, ENOSYS, EOPNOTSUPP}) {
        SCOPED_TRACE(refusal);
        FaultyIo io;
        io.modeError = refusal;
        io.timesError = refusal;
        ScriptedUi ui;
        ui.replaceAnswers = {ReplaceAnswer::YesToAll};
        EXPECT_EQ(copy(ui, io).status, CopyStatus::Copied);
        EXPECT_TRUE(ui.errors.isEmpty());
        EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), content("Hero.d2s", 5000));
        EXPECT_TRUE(tempsIn(m_backup).isEmpty());
    }
    // Any other failure to stamp the copy is a failure.
    FaultyIo io;
    io.timesError = EIO;
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(ui, io).status, CopyStatus::Failed);
}

// A slow medium can take seconds to take the data: the progress window still comes up meanwhile,
// and its Cancel is heard.
TEST_F(Durability, TheWindowsHearFromTheCopyWhileTheDiskCatchesUp) {
    FaultyIo io;
    std::atomic<bool> syncing = false;
    io.beforeSync = [&syncing](int) {
        syncing = true;
        ::usleep(300'000);
        syncing = false;
    };
    int reportsWhileSyncing = 0;
    m_ui.cancelOn = [&](const QString&, qint64) {
        reportsWhileSyncing += syncing ? 1 : 0;
        return false;
    };
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    ASSERT_EQ(copy(m_ui, io).status, CopyStatus::Copied);
    EXPECT_GE(reportsWhileSyncing, 3);
}

// The check before the rename: the temporary file is changed behind the copy's back, as a faulty
// disk or driver would.
TEST_F(Durability, ACopyAlteredBeforeItsRenameFailsAndKeepsTheOldFile) {
    FaultyIo io;
    io.beforeSync = [](int fd) { ASSERT_EQ(::pwrite(fd, "X", 1, 10), 1); };
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    const copy::CopyOutcome outcome = copy(m_ui, io);
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    EXPECT_EQ(outcome.error.kind, CopyErrorKind::VerifyFailed);
    ASSERT_EQ(m_ui.errors.size(), 1);
    EXPECT_TRUE(m_ui.errors[0].message.contains(QStringLiteral("differs from the original")));
    expectOldFilesOnly();
}

TEST_F(Durability, ACopyCutShortOnDiskFailsTheCheck) {
    FaultyIo io;
    io.beforeSync = [](int fd) { ASSERT_EQ(::ftruncate(fd, 4000), 0); };
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_EQ(copy(m_ui, io).error.kind, CopyErrorKind::VerifyFailed);
    expectOldFilesOnly();
}

// fusefat reads a file's writes back as zeros through the descriptor that wrote them, and rightly
// through any other: the check reads what a later reader of the copy gets.
TEST_F(Durability, TheCheckReadsTheCopyBackAsALaterReaderWould) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        for (const char* name : {"Hero.d2s", "Hero.key"})
            writeBytes(m_backup + u'/' + QLatin1String(name), "old");
        QFile::remove(m_backup + QStringLiteral("/Hero.ma0"));
        FaultyIo damaged;
        damaged.noUnnamed = !unnamed;
        damaged.zerosThroughWriter = true;
        damaged.readBackFlipAt = 4321;
        ScriptedUi failing;
        failing.replaceAnswers = {ReplaceAnswer::YesToAll};
        EXPECT_EQ(copy(failing, damaged).error.kind, CopyErrorKind::VerifyFailed);
        expectOldFilesOnly();

        FaultyIo io;
        io.noUnnamed = !unnamed;
        io.zerosThroughWriter = true;
        ScriptedUi ui;
        ui.replaceAnswers = {ReplaceAnswer::YesToAll};
        EXPECT_EQ(copy(ui, io).status, CopyStatus::Copied);
        EXPECT_TRUE(ui.errors.isEmpty());
        EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), content("Hero.d2s", 5000));
    }
}

} // namespace
