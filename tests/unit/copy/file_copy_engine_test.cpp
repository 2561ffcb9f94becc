#include "copy_test_support.h"
#include "support/temp_prefix.h"

#include "copy/file_copy_engine.h"
#include "host/drive_map.h"

#include <QDateTime>
#include <QFileInfo>

#include <cerrno>
#include <csignal>

#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace quillmere;
using copy::CopyErrorKind;
using copy::FileCopyEngine;
using copy::ReplaceAnswer;
using test::entriesOf;
using test::readAll;
using test::ScriptedUi;
using test::tempsIn;
using test::writeBytes;

namespace {

const QDateTime OldTime = QDateTime(QDate(2001, 6, 29), QTime(12, 0), Qt::UTC);

QByteArray content(const char* tag, int size = 100) {
    QByteArray bytes(tag);
    while (bytes.size() < size)
        bytes += bytes;
    return bytes.left(size);
}

void setModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

class CopyEngine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_save = m_prefix.hostOf(QStringLiteral("Save"));
        m_backup = m_prefix.hostOf(QStringLiteral("Backup\\Hero"));
        QDir().mkpath(m_save);
    }

    // A save folder of two characters, with the things a listing must leave out.
    void fillSaveFolder() {
        for (const char* name : {"Hero.d2s", "Hero.bak", "Hero.txt", "HERO.key", "Heroine.d2s", "Other.d2s"}) {
            writeBytes(m_save + u'/' + QLatin1String(name), content(name));
            setModified(m_save + u'/' + QLatin1String(name), OldTime);
        }
        QDir(m_save).mkdir(QStringLiteral("Hero"));
        writeBytes(m_save + QStringLiteral("/Hero/inner.d2s"), "inner");
        writeBytes(m_save + QStringLiteral("/Hero.hidden"), "hidden");
        ::setxattr(QFile::encodeName(m_save + QStringLiteral("/Hero.hidden")).constData(), "user.DOSATTRIB", "0x2", 3,
                   0);
        writeBytes(m_save + QStringLiteral("/Hero:colon.d2s"), "unaddressable");
    }

    copy::CopyResult copy(ScriptedUi& ui, const QString& source = QStringLiteral("C:\\Save\\Hero*.*"),
                          const QString& destination = QStringLiteral("C:\\Backup\\Hero")) {
        FileCopyEngine engine(ui);
        return engine.copy({source}, destination);
    }

    test::TempPrefix m_prefix;
    QString m_save;
    QString m_backup;
};

TEST_F(CopyEngine, CopiesEveryOrdinaryFileThePatternSelects) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    ScriptedUi ui;
    const copy::CopyResult result = copy(ui, QStringLiteral("c:\\SAVE\\hero*.*"));

    EXPECT_EQ(result.code, 0);
    EXPECT_FALSE(result.aborted);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(entriesOf(m_backup), QStringList({"HERO.key", "Hero.bak", "Hero.d2s", "Hero.txt", "Heroine.d2s"}));
    for (const QString& name : entriesOf(m_backup)) {
        EXPECT_EQ(readAll(m_backup + u'/' + name), content(qPrintable(name))) << qPrintable(name);
        EXPECT_EQ(QFileInfo(m_backup + u'/' + name).lastModified().toUTC(), OldTime) << qPrintable(name);
    }
}

TEST_F(CopyEngine, AsksBeforeReplacingAndHonoursEachAnswer) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    // An existing file in another letter case is the same Windows file: it is replaced in place.
    for (const char* name : {"Hero.bak", "hero.d2s", "HERO.key", "Hero.txt"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");

    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes, ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::Yes};
    copy::CopyResult result = copy(ui);
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(result.aborted) << "a skipped file counts as aborted";
    ASSERT_EQ(ui.asked.size(), 4);
    EXPECT_EQ(ui.asked[1].name, QStringLiteral("hero.d2s"));
    EXPECT_EQ(ui.asked[1].existingSize, 3);
    EXPECT_EQ(ui.asked[1].newSize, 100);
    EXPECT_EQ(ui.asked[1].newModified, OldTime);
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/Hero.bak")), content("Hero.bak"));
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/hero.d2s")), "old");
    EXPECT_EQ(entriesOf(m_backup), QStringList({"HERO.key", "Hero.bak", "Hero.txt", "Heroine.d2s", "hero.d2s"}));

    // Yes to All answers the rest.
    for (const char* name : {"Hero.bak", "hero.d2s"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");
    ScriptedUi all;
    all.replaceAnswers = {ReplaceAnswer::YesToAll};
    result = copy(all);
    EXPECT_EQ(result.code, 0);
    EXPECT_FALSE(result.aborted);
    EXPECT_EQ(all.asked.size(), 1);
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/hero.d2s")), content("Hero.d2s"));

    // Cancel stops there: files before it stay copied, nothing after it is touched.
    for (const char* name : {"Hero.bak", "hero.d2s", "HERO.key"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");
    ScriptedUi cancel;
    cancel.replaceAnswers = {ReplaceAnswer::Yes, ReplaceAnswer::Cancel};
    result = copy(cancel);
    EXPECT_NE(result.code, 0);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/Hero.bak")), content("Hero.bak"));
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/hero.d2s")), "old");
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/HERO.key")), "old");
    EXPECT_TRUE(tempsIn(m_backup).isEmpty());
}

TEST_F(CopyEngine, AsksBeforeCreatingAMissingDestination) {
    fillSaveFolder();
    ScriptedUi no;
    no.createFolder = false;
    copy::CopyResult result = copy(no);
    EXPECT_NE(result.code, 0);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(no.foldersAsked, QStringList({"C:\\Backup\\Hero"}));
    EXPECT_FALSE(QFileInfo::exists(m_backup));

    ScriptedUi yes;
    result = copy(yes);
    EXPECT_EQ(result.code, 0);
    EXPECT_FALSE(result.aborted);
    EXPECT_EQ(entriesOf(m_backup).size(), 5);
}

TEST_F(CopyEngine, ReportsWhatCannotBeFoundOrReached) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    ScriptedUi ui;
    const copy::CopyResult result = copy(ui, QStringLiteral("C:\\Save\\Nobody*.*"));
    EXPECT_NE(result.code, 0);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::NoMatch);
    EXPECT_TRUE(ui.errors[0].message.contains(QStringLiteral("Nobody*.*")));
    EXPECT_TRUE(entriesOf(m_backup).isEmpty());

    // A source folder that does not exist matches nothing either.
    ScriptedUi missing;
    EXPECT_NE(copy(missing, QStringLiteral("C:\\Gone\\Hero*.*")).code, 0);
    EXPECT_EQ(missing.errors.size(), 1);

    // A drive that is not there: its own reason, and nothing created.
    ScriptedUi notReady;
    EXPECT_NE(copy(notReady, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("q:\\Hero")).code, 0);
    ASSERT_EQ(notReady.errors.size(), 1);
    EXPECT_EQ(notReady.errors[0].kind, CopyErrorKind::NotReady);
    EXPECT_TRUE(notReady.foldersAsked.isEmpty());
}

TEST_F(CopyEngine, RefusesToCopyAFileOntoItself) {
    fillSaveFolder();
    const QStringList before = entriesOf(m_save);
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    const copy::CopyResult result = copy(ui, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("c:\\sAVE"));
    EXPECT_NE(result.code, 0);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::SameFile);
    EXPECT_TRUE(ui.asked.isEmpty()) << "refused before any question";
    EXPECT_EQ(entriesOf(m_save), before);
    EXPECT_EQ(readAll(m_save + QStringLiteral("/Hero.d2s")), content("Hero.d2s"));
}

// Fails the chosen call, and turns the in-kernel copy off so reads and writes go through here.
class FaultyIo final : public copy::FileIo {
public:
    qint64 failWriteAt = -1;
    qint64 failReadAt = -1;
    int writeError = EIO;
    int createError = 0;
    int syncError = 0;

    ssize_t copyRange(int, int, size_t) override { return -ENOSYS; }
    int createTemp(QByteArray& pathTemplate, int suffixLength) override {
        if (createError)
            return -createError;
        return FileIo::createTemp(pathTemplate, suffixLength);
    }
    QByteArray unreadableFolder; // a host folder whose opening is refused
    int openFolder(const QByteArray& path) override {
        return !unreadableFolder.isEmpty() && path == unreadableFolder ? -EACCES : FileIo::openFolder(path);
    }
    int syncFileSystem(int fd) override { return syncError ? -syncError : FileIo::syncFileSystem(fd); }
    ssize_t read(int fd, void* buffer, size_t size) override {
        if (failReadAt >= 0 && m_read + qint64(size) > failReadAt) {
            if (m_read >= failReadAt)
                return -EIO;
            size = size_t(failReadAt - m_read);
        }
        const ssize_t n = FileIo::read(fd, buffer, size);
        m_read += n > 0 ? n : 0;
        return n;
    }
    ssize_t write(int fd, const void* buffer, size_t size) override {
        if (failWriteAt >= 0 && m_written + qint64(size) > failWriteAt) {
            if (m_written >= failWriteAt)
                return -writeError;
            size = size_t(failWriteAt - m_written);
        }
        const ssize_t n = FileIo::write(fd, buffer, size);
        m_written += n > 0 ? n : 0;
        return n;
    }

private:
    qint64 m_read = 0;
    qint64 m_written = 0;
};

TEST_F(CopyEngine, ASourceFolderThatCannotBeListedIsSaidToBeUnreadable) {
    fillSaveFolder();
    FaultyIo io;
    io.unreadableFolder = QFile::encodeName(host::resolve(QStringLiteral("C:\\Save")).hostPath);
    ScriptedUi ui;
    FileCopyEngine engine(ui, io);
    EXPECT_NE(engine.copy({QStringLiteral("C:\\Save\\Hero*.*")}, QStringLiteral("C:\\Backup\\Hero")).code, 0);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::ReadFailed);
    EXPECT_TRUE(ui.errors[0].message.contains(QStringLiteral("cannot be read"))) << qPrintable(ui.errors[0].message);
    EXPECT_FALSE(ui.errors[0].message.contains(QStringLiteral("no file matches")));
    EXPECT_FALSE(QFileInfo::exists(m_backup));
}

TEST_F(CopyEngine, AFailedWriteOrReadLeavesTheOldFileAndNoTemporary) {
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
        FileCopyEngine engine(ui, io);
        const copy::CopyResult result = engine.copy({QStringLiteral("C:\\Save\\Hero*.*")}, "C:\\Backup\\Hero");
        EXPECT_NE(result.code, 0);
        ASSERT_EQ(ui.errors.size(), 1);
        EXPECT_EQ(ui.errors[0].kind, c.kind);
        EXPECT_EQ(readAll(target), "old contents");
        EXPECT_EQ(entriesOf(m_backup), QStringList({"Hero.d2s"}));
    }

    // The same engine without faults copies the whole file through the same path.
    FaultyIo io;
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes};
    FileCopyEngine engine(ui, io);
    EXPECT_EQ(engine.copy({QStringLiteral("C:\\Save\\Hero*.*")}, "C:\\Backup\\Hero").code, 0);
    EXPECT_EQ(readAll(target), big);
}

TEST_F(CopyEngine, AWriteBackErrorKeepsEveryOldFileOfTheBatch) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    for (const char* name : {"Hero.bak", "Hero.d2s"})
        writeBytes(m_backup + u'/' + QLatin1String(name), "old");
    FaultyIo io;
    io.syncError = EIO;
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    FileCopyEngine engine(ui, io);
    EXPECT_NE(engine.copy({QStringLiteral("C:\\Save\\Hero*.*")}, "C:\\Backup\\Hero").code, 0);
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(entriesOf(m_backup), QStringList({"Hero.bak", "Hero.d2s"}));
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/Hero.bak")), "old");
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/Hero.d2s")), "old");
}

TEST_F(CopyEngine, CancelKeepsWholeFilesOnlyAndNoTemporary) {
    fillSaveFolder();
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/Hero.d2s"), "old");

    // Before anything is copied.
    ScriptedUi early;
    early.cancelNow = true;
    copy::CopyResult result = copy(early);
    EXPECT_NE(result.code, 0);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(entriesOf(m_backup), QStringList({"Hero.d2s"}));

    // In the middle of the second file: the first stays, the second keeps its old contents.
    ScriptedUi middle;
    middle.replaceAnswers = {ReplaceAnswer::Yes};
    middle.cancelOn = [](const QString& file, qint64) { return file == QStringLiteral("Hero.d2s"); };
    result = copy(middle);
    EXPECT_NE(result.code, 0);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(entriesOf(m_backup), QStringList({"Hero.bak", "Hero.d2s"}));
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/Hero.bak")), content("Hero.bak"));
    EXPECT_EQ(readAll(m_backup + QStringLiteral("/Hero.d2s")), "old");
}

// A real file system that fills up: a 1 MB tmpfs, where mounting is allowed.
TEST_F(CopyEngine, AFullDiskIsReportedAndRoomIsMadeByReplacing) {
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
    copy::CopyResult result = copy(ui, QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("a:\\"));
    EXPECT_EQ(result.code, 0);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(readAll(mountPoint + QStringLiteral("/Hero.key")), content("new key", 350 * 1024));

    // A file larger than the disk: an error, the old file whole, no temporary.
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), content("huge", 2 * 1024 * 1024));
    ScriptedUi full;
    full.replaceAnswers = {ReplaceAnswer::YesToAll};
    result = copy(full, QStringLiteral("C:\\Save\\Hero.d2s"), QStringLiteral("a:\\"));
    EXPECT_NE(result.code, 0);
    ASSERT_EQ(full.errors.size(), 1);
    EXPECT_EQ(full.errors[0].kind, CopyErrorKind::DiskFull);
    EXPECT_EQ(readAll(mountPoint + QStringLiteral("/Hero.d2s")), content("new d2s", 350 * 1024));
    EXPECT_TRUE(tempsIn(mountPoint).isEmpty());
}

TEST_F(CopyEngine, AKilledCopyLeavesTheOldFileAndTheNextCopyCleansUp) {
    const qint64 size = 200LL * 1024 * 1024;
    {
        QFile big(m_save + QStringLiteral("/Hero.d2s"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        const QByteArray block = content("killed copy ", 1024 * 1024);
        for (qint64 i = 0; i < size / block.size(); ++i)
            ASSERT_EQ(big.write(block), block.size());
    }
    QDir().mkpath(m_backup);
    const QString target = m_backup + QStringLiteral("/Hero.d2s");
    writeBytes(target, "old");

    // A temporary file that a live copy still holds must survive the clean-up.
    const QString liveTemp = m_backup + QStringLiteral("/.quillmere-Other.d2s.abcdef.tmp");
    writeBytes(liveTemp, "in use");
    const int liveFd = ::open(QFile::encodeName(liveTemp).constData(), O_RDONLY);
    ASSERT_GE(liveFd, 0);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ScriptedUi ui;
        ui.replaceAnswers = {ReplaceAnswer::Yes};
        ui.cancelOn = [](const QString&, qint64 done) {
            if (done >= 50 * 1024 * 1024)
                ::kill(::getpid(), SIGKILL);
            return false;
        };
        FileCopyEngine engine(ui);
        engine.copy({QStringLiteral("C:\\Save\\Hero.d2s")}, QStringLiteral("C:\\Backup\\Hero"));
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EXPECT_EQ(readAll(target), "old");
    const QStringList leftovers = tempsIn(m_backup);
    ASSERT_EQ(leftovers.size(), 2);
    for (const QString& name : leftovers)
        EXPECT_TRUE(copy::isCopyTempName(name)) << qPrintable(name);

    ScriptedUi again;
    again.replaceAnswers = {ReplaceAnswer::Yes};
    EXPECT_EQ(copy(again, QStringLiteral("C:\\Save\\Hero.d2s")).code, 0);
    EXPECT_EQ(QFileInfo(target).size(), size);
    EXPECT_EQ(tempsIn(m_backup), QStringList({".quillmere-Other.d2s.abcdef.tmp"}));
    ::close(liveFd);
}

} // namespace
