#include "copy_test_support.h"
#include "faulty_io.h"

#include <QFileInfo>

#include <cerrno>
#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmere;
using copy::CopyErrorKind;
using copy::CopyStatus;
using copy::ReplaceAnswer;
using test::bytesOf;
using test::content;
using test::FaultyIo;
using test::ScriptedUi;
using test::tempsIn;
using test::writeBytes;

namespace {

// Names as the file system holds them, without decoding.
QList<QByteArray> rawTempNames(const QString& folder) {
    QList<QByteArray> names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (QByteArray(entry->d_name).startsWith(".quillmere-"))
            names.append(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

bool isUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// Runs body in a child process and returns how it ended, as waitpid reports it.
template <typename Body> int inChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = -1;
    if (child > 0)
        ::waitpid(child, &status, 0);
    return status;
}

class TempFiles : public test::CopyTest {
protected:
    // A character whose name fills most of the 255 bytes a name may have, two bytes a letter.
    const QString m_longName = QStringLiteral("H") + QString(121, QChar(0xe9)) + QStringLiteral(".d2s");
};

// Copies a growing file until it has written `killAt` bytes, then dies as a killed process does.
void copyAndDie(const QString& source, bool unnamed, qint64 killAt) {
    FaultyIo io;
    io.noUnnamed = !unnamed;
    ScriptedUi ui;
    ui.replaceAnswers = {ReplaceAnswer::Yes};
    ui.cancelOn = [killAt](const QString&, qint64 done) {
        if (done >= killAt)
            ::kill(::getpid(), SIGKILL);
        return false;
    };
    copy::copyFiles(source, QStringLiteral("C:\\Backup\\Hero"), ui, io);
    ::_exit(3);
}

TEST_F(TempFiles, AKilledCopyLeavesTheOldFileAndTheNextCopySweepsItsTemporary) {
    const QString source = m_save + u'/' + m_longName;
    writeBytes(source, content("killed copy ", 24 * 1024 * 1024));
    QDir().mkpath(m_backup);
    const QString target = m_backup + u'/' + m_longName;
    writeBytes(target, "old");
    // A live copy's temporary file survives the sweep; one an older version left, its name cut
    // inside a character (made below), does not.
    const QString liveTemp = m_backup + QStringLiteral("/.quillmere-Other.d2s.abcdef.tmp");
    writeBytes(liveTemp, "in use");
    const int liveFd = ::open(QFile::encodeName(liveTemp).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(liveFd, 0);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);

    const QString pattern = QStringLiteral("C:\\Save\\") + m_longName;
    const int status = inChild([&] { copyAndDie(pattern, false, 8 * 1024 * 1024); });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    const QByteArray oldStyle = QFile::encodeName(m_backup) + "/.quillmere-H\xc3\xa9\xc3.Zq81xP.tmp";
    const int oldFd = ::creat(oldStyle.constData(), 0600);
    ASSERT_GE(oldFd, 0);
    ::close(oldFd);
    EXPECT_EQ(bytesOf(target), "old");
    const QList<QByteArray> left = rawTempNames(m_backup);
    ASSERT_EQ(left.size(), 3);
    for (const QByteArray& name : left) {
        EXPECT_LE(name.size(), 255);
        if (name.startsWith(".quillmere-H\xc3\xa9\xc3\xa9")) {
            EXPECT_TRUE(isUtf8(name)) << "a temporary name cut inside a character";
        }
    }

    ScriptedUi again;
    again.replaceAnswers = {ReplaceAnswer::Yes};
    EXPECT_EQ(copy(again, pattern).status, CopyStatus::Copied);
    EXPECT_EQ(QFileInfo(target).size(), 24 * 1024 * 1024);
    EXPECT_EQ(rawTempNames(m_backup), QList<QByteArray>({".quillmere-Other.d2s.abcdef.tmp"}));
    ::close(liveFd);
}

TEST_F(TempFiles, AKilledCopyOfUnnamedTemporariesLeavesNothingBehind) {
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), content("killed copy ", 24 * 1024 * 1024));
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/Hero.d2s"), "old");
    const int status = inChild([] { copyAndDie(QStringLiteral("C:\\Save\\Hero.d2s"), true, 8 * 1024 * 1024); });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), "old");
    EXPECT_TRUE(tempsIn(m_backup).isEmpty());
}

// Named temporary files, and a lock taken late, where another copy's sweep finds the file between
// its creation and its lock.
TEST_F(TempFiles, TwoCopiesIntoOneFolderAtOnceBothSucceed) {
    writeBytes(m_save + QStringLiteral("/Amazon.d2s"), content("amazon", 20000));
    writeBytes(m_save + QStringLiteral("/Barbarian.d2s"), content("barbarian", 20000));
    QDir().mkpath(m_backup);
    ::usleep(100'000); // the sources at rest, as saves are
    constexpr int Rounds = 60;
    const auto copier = [](const char* pattern) {
        return [pattern] {
            FaultyIo io;
            io.noUnnamed = true;
            io.lockDelayUs = 3000;
            for (int round = 0; round < Rounds; ++round) {
                ScriptedUi ui;
                ui.replaceAnswers = {ReplaceAnswer::YesToAll};
                if (copy::copyFiles(QLatin1String(pattern), QStringLiteral("C:\\Backup\\Hero"), ui, io).status !=
                    CopyStatus::Copied)
                    ::_exit(1);
            }
        };
    };
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        copier("C:\\Save\\Amazon*.*")();
        ::_exit(0);
    }
    const int status = inChild(copier("C:\\Save\\Barbarian*.*"));
    int otherStatus = -1;
    ::waitpid(other, &otherStatus, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(WIFEXITED(otherStatus) && WEXITSTATUS(otherStatus) == 0) << otherStatus;
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Amazon.d2s")), content("amazon", 20000));
    EXPECT_TRUE(tempsIn(m_backup).isEmpty());
}

TEST_F(TempFiles, ASweepThatFailsLeavesTheStaleFileAndTheCopyGoesOn) {
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), "hero");
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/.quillmere-Hero.d2s.Q1w2E3.tmp"), "stale");
    FaultyIo io;
    io.unlinkTempError = EBUSY;
    ScriptedUi ui;
    EXPECT_EQ(copy(ui, io).status, CopyStatus::Copied);
    EXPECT_TRUE(ui.errors.isEmpty());
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), "hero");
    EXPECT_EQ(tempsIn(m_backup), QStringList({".quillmere-Hero.d2s.Q1w2E3.tmp"}));

    // Once it can be removed, the next copy does.
    ScriptedUi next;
    next.replaceAnswers = {ReplaceAnswer::Yes};
    EXPECT_EQ(copy(next).status, CopyStatus::Copied);
    EXPECT_TRUE(tempsIn(m_backup).isEmpty());
}

// Without the folder's names, Hero.d2s could land beside an existing hero.d2s.
TEST_F(TempFiles, ADestinationThatCannotBeListedIsAFailureBeforeAnythingIsWritten) {
    writeBytes(m_save + QStringLiteral("/Hero.d2s"), "hero");
    QDir().mkpath(m_backup);
    writeBytes(m_backup + QStringLiteral("/hero.d2s"), "old");
    FaultyIo io;
    io.listError = EIO;
    ScriptedUi ui;
    EXPECT_EQ(copy(ui, io).status, CopyStatus::Failed);
    ASSERT_EQ(ui.errors.size(), 1);
    EXPECT_EQ(ui.errors[0].kind, CopyErrorKind::WriteFailed);
    EXPECT_EQ(test::entriesIn(m_backup), QStringList({"hero.d2s"}));
}

} // namespace
