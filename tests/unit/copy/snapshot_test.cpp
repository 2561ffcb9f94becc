#include "copy_test_support.h"
#include "faulty_io.h"

#include <QFileInfo>

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

// The game saving a character while the copy reads it: Hero.d2s holds 1 MB of the old save, then
// is rewritten with a 1.5 MB new one.
class Snapshot : public test::CopyTest {
protected:
    void SetUp() override {
        CopyTest::SetUp();
        m_source = m_save + QStringLiteral("/Hero.d2s");
        writeBytes(m_source, m_oldSave);
        test::setModified(m_source, OldTime);
        QDir().mkpath(m_backup);
        writeBytes(m_backup + QStringLiteral("/Hero.d2s"), "last backup");
    }

    void gameSaves(const QByteArray& bytes) { writeBytes(m_source, bytes); }

    copy::CopyOutcome backUp(FaultyIo& io) {
        m_ui.replaceAnswers = {ReplaceAnswer::Yes};
        return copy(m_ui, io, QStringLiteral("C:\\Save\\Hero.d2s"));
    }

    const QByteArray m_oldSave = content("old save ", 1024 * 1024 + 5);
    const QByteArray m_newSave = content("new save! ", 1536 * 1024 + 3);
    QString m_source;
    ScriptedUi m_ui;
};

TEST_F(Snapshot, ASourceRewrittenDuringTheCopyIsReadAgainWhole) {
    const QByteArray sameSize = content("same size ", m_oldSave.size());
    for (const QByteArray& newSave : {m_newSave, sameSize}) {
        SCOPED_TRACE(newSave.size());
        gameSaves(m_oldSave);
        FaultyIo io;
        io.onSourceRead = [&](int count) {
            if (count == 2) // after the first megabyte
                gameSaves(newSave);
        };
        ASSERT_EQ(backUp(io).status, CopyStatus::Copied);
        EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), newSave);
        // The copy carries the time of the version it holds.
        EXPECT_EQ(QFileInfo(m_backup + QStringLiteral("/Hero.d2s")).lastModified(), QFileInfo(m_source).lastModified());
        EXPECT_TRUE(tempsIn(m_backup).isEmpty());
    }
}

TEST_F(Snapshot, ASourceThatKeepsChangingFailsAndKeepsTheOldTarget) {
    FaultyIo io;
    int saves = 0;
    io.onSourceRead = [&](int) { gameSaves(++saves % 2 ? m_newSave : m_oldSave); };
    const copy::CopyOutcome outcome = backUp(io);
    EXPECT_EQ(outcome.status, CopyStatus::Failed);
    EXPECT_EQ(outcome.error.kind, CopyErrorKind::SourceChanged);
    ASSERT_EQ(m_ui.errors.size(), 1);
    EXPECT_TRUE(m_ui.errors[0].message.contains(
        QStringLiteral("Hero.d2s: the file is in use by another program and changed while it was copied")))
        << qPrintable(m_ui.errors[0].message);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), "last backup");
    EXPECT_EQ(entriesIn(m_backup), QStringList({"Hero.d2s"}));
}

// The game empties the file and writes the new save right after; a copy must never take the empty
// moment for the save.
TEST_F(Snapshot, ASourceTruncatedWhileItIsReadIsNeverBackedUpEmpty) {
    FaultyIo io;
    io.onSourceRead = [this](int count) {
        if (count == 1)
            gameSaves(QByteArray());
    };
    io.onPause = [this](int) {
        if (QFileInfo(m_source).size() == 0)
            gameSaves(m_newSave);
    };
    ASSERT_EQ(backUp(io).status, CopyStatus::Copied);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), m_newSave);
}

TEST_F(Snapshot, ASourceCaughtJustAfterItWasTruncatedIsReadOnceItIsQuiet) {
    FaultyIo io;
    io.onSourceOpened = [this](const QByteArray&) {
        if (QFileInfo(m_source).size() == m_oldSave.size())
            gameSaves(QByteArray());
    };
    io.onPause = [this](int) {
        if (QFileInfo(m_source).size() == 0)
            gameSaves(m_newSave);
    };
    ASSERT_EQ(backUp(io).status, CopyStatus::Copied);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), m_newSave);
}

TEST_F(Snapshot, ASourceThatStaysEmptyIsCopiedEmpty) {
    gameSaves(QByteArray());
    FaultyIo io;
    ASSERT_EQ(backUp(io).status, CopyStatus::Copied);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), QByteArray());
}

TEST_F(Snapshot, ASourceReplacedUnderItsNameIsReadAgain) {
    FaultyIo io;
    io.onSourceRead = [this](int count) {
        if (count != 1)
            return;
        // Written beside and renamed over: the open file stays the old one, unchanged.
        writeBytes(m_source + QStringLiteral(".new"), m_newSave);
        ASSERT_TRUE(QFile::remove(m_source));
        ASSERT_TRUE(QFile::rename(m_source + QStringLiteral(".new"), m_source));
    };
    ASSERT_EQ(backUp(io).status, CopyStatus::Copied);
    EXPECT_EQ(bytesOf(m_backup + QStringLiteral("/Hero.d2s")), m_newSave);
}

} // namespace
