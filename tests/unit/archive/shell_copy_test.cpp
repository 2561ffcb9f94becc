#include "archive/shell_copy.h"
#include "controls/mouse_pointer.h"
#include "copy/file_io.h"
#include "scripted_shell_ui.h"
#include "support/files.h"
#include "support/temp_prefix.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quillmere;
using copy::ReplaceAnswer;
using test::bytesOf;
using test::entriesIn;

namespace {

// Notes the mouse pointer the user sees while the copy runs.
class PointerWatchingUi final : public test::ScriptedShellUi {
public:
    void progress(const QString& file, qint64 done, qint64 total) override {
        pointers.append(controls::screenPointer());
        ScriptedShellUi::progress(file, done, total);
    }
    QList<controls::MousePointer> pointers;
};

class ShellCopy : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_prefix.writeFile(QStringLiteral("Save\\Hé.d2s"), "new hé");
        m_prefix.writeFile(QStringLiteral("Save\\Hé.key"), "new key");
        m_prefix.writeFile(QStringLiteral("Save\\Hé\\inside.d2s"), "folder");
        m_prefix.writeFile(QStringLiteral("Backup\\Hé\\Hé.d2s"), "old hé");
    }
    QString backup(const QString& name) const { return m_prefix.hostOf(QStringLiteral("Backup\\Hé\\") + name); }

    test::TempPrefix m_prefix;
    PointerWatchingUi m_ui;
    archive::ShellFileCopy m_copy{m_ui};
};

TEST_F(ShellCopy, CopiesUnderTheHourglassAndPutsTheDefaultPointerBack) {
    m_ui.replaceAnswers = {ReplaceAnswer::YesToAll};
    EXPECT_TRUE(m_copy.run(QStringLiteral("C:\\Save\\Hé*.*"), QStringLiteral("c:\\BACKUP\\Hé")));
    EXPECT_EQ(bytesOf(backup(QStringLiteral("Hé.d2s"))), "new hé");
    EXPECT_EQ(bytesOf(backup(QStringLiteral("Hé.key"))), "new key");
    EXPECT_EQ(entriesIn(m_prefix.hostOf(QStringLiteral("Backup\\Hé"))), QStringList({"Hé.d2s", "Hé.key"}))
        << "the folder Hé is left out";
    ASSERT_FALSE(m_ui.pointers.isEmpty());
    EXPECT_EQ(m_ui.pointers.first(), controls::MousePointer::Hourglass);
    EXPECT_EQ(controls::screenPointer(), controls::MousePointer::Default);
}

TEST_F(ShellCopy, SucceedsOnlyWhenEveryFileWasCopied) {
    // A kept file: the rest is copied, but it is no success.
    m_ui.replaceAnswers = {ReplaceAnswer::No};
    EXPECT_FALSE(m_copy.run(QStringLiteral("C:\\Save\\Hé*.*"), QStringLiteral("C:\\Backup\\Hé")));
    EXPECT_EQ(bytesOf(backup(QStringLiteral("Hé.d2s"))), "old hé");
    EXPECT_EQ(bytesOf(backup(QStringLiteral("Hé.key"))), "new key");

    m_ui.replaceAnswers = {ReplaceAnswer::Cancel};
    EXPECT_FALSE(m_copy.run(QStringLiteral("C:\\Save\\Hé*.*"), QStringLiteral("C:\\Backup\\Hé")));

    // Nothing to copy is a failure, not a quiet success.
    EXPECT_FALSE(m_copy.run(QStringLiteral("C:\\Save\\Nobody*.*"), QStringLiteral("C:\\Backup\\Hé")));
    EXPECT_EQ(m_ui.errors.size(), 1);
    EXPECT_EQ(controls::screenPointer(), controls::MousePointer::Default);
}

// Records which folders were synced.
class SyncRecordingIo final : public copy::FileIo {
public:
    int openFolder(const QByteArray& path) override {
        const int fd = FileIo::openFolder(path);
        m_paths.insert(fd, path);
        return fd;
    }
    int syncFolder(int fd) override {
        synced.append(m_paths.value(fd));
        return FileIo::syncFolder(fd);
    }
    QList<QByteArray> synced;

private:
    QHash<int, QByteArray> m_paths;
};

TEST_F(ShellCopy, CreateFolderMakesOneLevelAndSyncsItIntoItsParent) {
    SyncRecordingIo io;
    archive::ShellFileCopy fileCopy(m_ui, io);
    EXPECT_TRUE(fileCopy.createFolder(QStringLiteral("C:\\Backup\\Heroine")));
    EXPECT_TRUE(QFileInfo(m_prefix.hostOf(QStringLiteral("Backup\\Heroine"))).isDir());
    EXPECT_EQ(io.synced, QList<QByteArray>({QFile::encodeName(m_prefix.hostOf(QStringLiteral("Backup")))}));
    EXPECT_FALSE(fileCopy.createFolder(QStringLiteral("C:\\Missing\\Heroine"))) << "only one level";
}

} // namespace
