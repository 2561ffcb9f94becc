#include "app/undo_restore.h"
#include "archive/restore_history.h"
#include "restore_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace quillmere;
using test::bytesOf;
using test::writeBytes;

namespace {

// Files a record in the data folder must never reach: a home folder beside the prefix.
class UndoSafetyTest : public test::RestoreTest {
protected:
    void SetUp() override {
        RestoreTest::SetUp();
        writeBytes(home() + QStringLiteral("/.bashrc"), "the user's own");
        writeBytes(home() + QStringLiteral("/.wine/system.reg"), "the user's registry");
        writeBytes(prefix.scratch() + QStringLiteral("/victim/precious.txt"), "precious");
        writeBytes(fresh() + QStringLiteral("/Hero.d2s"), test::d2s::signedFile(96, 3, 20));
    }
    QString home() const { return prefix.scratch() + QStringLiteral("/home"); }
    QString kept() const { return prefix.scratch() + QStringLiteral("/kept"); }

    // A record as a broken tool or an attacker could leave it, with its kept files.
    void plantRecord(const QString& name, const QString& saveFolderHost, const QStringList& keptNames,
                     const QStringList& added) {
        const QString folder = kept() + u'/' + name;
        for (const QString& file : keptNames)
            writeBytes(folder + QStringLiteral("/files/") + file, "planted");
        const QJsonObject record{
            {QStringLiteral("kind"), QStringLiteral("restore")},
            {QStringLiteral("made"), QStringLiteral("2026-12-01T10:00:00.000")},
            {QStringLiteral("character"), QStringLiteral("Hero")},
            {QStringLiteral("saveFolder"), QStringLiteral("C:\\Fresh")},
            {QStringLiteral("saveFolderHost"), saveFolderHost},
            {QStringLiteral("kept"), QJsonArray::fromStringList(keptNames)},
            {QStringLiteral("added"), QJsonArray::fromStringList(added)},
        };
        writeBytes(folder + QStringLiteral("/restore.json"), QJsonDocument(record).toJson());
    }
    QMap<QString, QByteArray> untouchable() const {
        QMap<QString, QByteArray> files;
        for (const QString& path :
             {home() + QStringLiteral("/.bashrc"), home() + QStringLiteral("/.wine/system.reg"),
              prefix.scratch() + QStringLiteral("/victim/precious.txt"), fresh() + QStringLiteral("/Hero.d2s")})
            files.insert(path, bytesOf(path));
        return files;
    }
    void keepRestores(int count) {
        for (int i = 0; i < count; ++i) {
            QString failure;
            ASSERT_TRUE(history.keepBeforeRestore(QStringLiteral("Hero"), QStringLiteral("C:\\Fresh"), fresh(),
                                                  {QStringLiteral("Hero.d2s")}, &failure))
                << qPrintable(failure);
        }
    }
};

} // namespace

TEST_F(UndoSafetyTest, RecordsThatReachOutsideTheSaveFolderAreRefusedByNameAndTouchNothing) {
    const struct {
        const char* what;
        QString saveFolderHost;
        QStringList keptNames;
        QStringList added;
    } cases[] = {
        {"another folder as the save folder",
         home(),
         {QStringLiteral(".bashrc")},
         {QStringLiteral(".wine/system.reg")}},
        {"a name climbing out", fresh(), {}, {QStringLiteral("../../../../../../victim/precious.txt")}},
        {"a Windows separator", fresh(), {QStringLiteral("..\\..\\victim")}, {}},
        {"a dot-dot name", fresh(), {}, {QStringLiteral("..")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(kept()).removeRecursively();
        plantRecord(QStringLiteral("2030-01-01_00-00-00-000"), c.saveFolderHost, c.keptNames, c.added);
        const QMap<QString, QByteArray> before = untouchable();
        boxes.clear();

        bool refreshed = false;
        app::undoLastRestore(history, [&refreshed] { refreshed = true; });
        ASSERT_EQ(boxes.boxes().size(), 1) << "refused before anything is asked";
        EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);
        EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("2030-01-01_00-00-00-000/restore.json")))
            << qPrintable(boxes.boxes()[0].text);
        EXPECT_FALSE(refreshed);
        QString failure;
        EXPECT_FALSE(history.undo(*history.lastRestore(), &failure)) << "undo itself refuses it too";
        EXPECT_EQ(untouchable(), before);
        EXPECT_EQ(test::foldersIn(kept()).size(), 1) << "not even kept first: nothing is touched";
    }
}

TEST_F(UndoSafetyTest, ARecordReachingTheSaveFolderThroughALinkIsUsed) {
    QFile::link(fresh(), prefix.scratch() + QStringLiteral("/via-link"));
    plantRecord(QStringLiteral("2030-01-01_00-00-00-000"), prefix.scratch() + QStringLiteral("/via-link"),
                {QStringLiteral("Hero.d2s")}, {});
    QString failure;
    ASSERT_TRUE(history.undo(*history.lastRestore(), &failure)) << qPrintable(failure);
    EXPECT_EQ(bytesOf(fresh() + QStringLiteral("/Hero.d2s")), "planted");
}

TEST_F(UndoSafetyTest, TheTrimRemovesOnlyWhatItWroteAndNeverThroughALink) {
    writeBytes(prefix.scratch() + QStringLiteral("/elsewhere/letters.txt"), "mine");
    QDir().mkpath(kept());
    ASSERT_TRUE(QFile::link(prefix.scratch() + QStringLiteral("/elsewhere"), kept() + QStringLiteral("/0000-link")));
    writeBytes(kept() + QStringLiteral("/0001-no-record/notes.txt"), "someone else's");
    plantRecord(QStringLiteral("0002-climbs"), fresh(), {}, {QStringLiteral("../../victim/precious.txt")});
    keepRestores(1);
    const QString oldest = test::foldersIn(kept()).last();
    writeBytes(kept() + u'/' + oldest + QStringLiteral("/files/extra.txt"), "not the program's");
    keepRestores(archive::RestoreHistory::kRestoresKept + 2);

    EXPECT_EQ(bytesOf(prefix.scratch() + QStringLiteral("/elsewhere/letters.txt")), "mine");
    EXPECT_TRUE(QFileInfo(kept() + QStringLiteral("/0000-link")).isSymLink());
    EXPECT_EQ(bytesOf(kept() + QStringLiteral("/0001-no-record/notes.txt")), "someone else's");
    EXPECT_TRUE(QFileInfo::exists(kept() + QStringLiteral("/0002-climbs/restore.json")));
    EXPECT_EQ(bytesOf(prefix.scratch() + QStringLiteral("/victim/precious.txt")), "precious");
    EXPECT_EQ(test::filesIn(kept() + u'/' + oldest + QStringLiteral("/files")), QStringList{"extra.txt"})
        << "a folder holding a file it did not write keeps that file, and its record";
    EXPECT_TRUE(QFileInfo::exists(kept() + u'/' + oldest + QStringLiteral("/restore.json")));
    // The three strangers, the one that could not go, and the twenty newest.
    EXPECT_EQ(test::entriesIn(kept()).size(), 4 + archive::RestoreHistory::kRestoresKept);
}

TEST_F(UndoSafetyTest, ARestoreOverALinkIsRefusedAndLeavesTheLinkAndWhatItLeadsTo) {
    writeBytes(prefix.scratch() + QStringLiteral("/synced/Hero.d2s"), "the linked save");
    QFile::remove(fresh() + QStringLiteral("/Hero.d2s"));
    ASSERT_TRUE(
        QFile::link(prefix.scratch() + QStringLiteral("/synced/Hero.d2s"), fresh() + QStringLiteral("/Hero.d2s")));
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    pressOK(dialog);

    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("Hero.d2s in C:\\Fresh is not a plain file")))
        << qPrintable(boxes.boxes()[0].text);
    EXPECT_TRUE(QFileInfo(fresh() + QStringLiteral("/Hero.d2s")).isSymLink());
    EXPECT_EQ(bytesOf(prefix.scratch() + QStringLiteral("/synced/Hero.d2s")), "the linked save");
    EXPECT_FALSE(history.lastRestore());
}
