#include "game/d2s_engine.h"

#include "host/drive_map.h"
#include "support/files.h"
#include "support/temp_prefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace d2sEngine = quillmere::d2sEngine;
using quillmere::test::markHidden;
using quillmere::test::TempPrefix;
using quillmere::test::writeBytes;

TEST(D2sEngine, FileExistsOnlyForOrdinaryFiles) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("Save/Hero.d2s"), "x");
    prefix.writeFile(QStringLiteral("Save/.secret"), "x");
    prefix.mapDrive('f', QStringLiteral("../../scratch/gone"));

    EXPECT_TRUE(d2sEngine::fileExists(QStringLiteral("C:\\Save\\Hero.d2s")));
    EXPECT_TRUE(d2sEngine::fileExists(QStringLiteral("c:\\SAVE\\hero.D2S")));
    EXPECT_TRUE(d2sEngine::fileExists(QStringLiteral("C:\\Save\\Her*.d2s")));
    EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("C:\\Save\\Villain.d2s")));
    EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("C:\\Save\\.secret")));
    EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("C:\\Save")));
    EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("C:\\Save\\Hero.d2s\\")));
    EXPECT_FALSE(d2sEngine::fileExists(QString()));
    EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("F:\\Hero.d2s")));
    EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("Q:\\Hero.d2s")));
    if (markHidden(prefix.hostOf(QStringLiteral("Save/Hero.d2s")))) {
        EXPECT_FALSE(d2sEngine::fileExists(QStringLiteral("C:\\Save\\Hero.d2s")));
    }
}

TEST(D2sEngine, FolderExistsNeedsAListingThatYieldsAName) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.makeFolder(QStringLiteral("Empty"));
    prefix.writeFile(QStringLiteral("file.txt"), "x");
    prefix.mapDrive('f', QStringLiteral("../../scratch/gone"));

    EXPECT_TRUE(d2sEngine::folderExists(QStringLiteral("C:\\Empty")));
    EXPECT_TRUE(d2sEngine::folderExists(QStringLiteral("c:\\empty\\")));
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("C:\\Missing")));
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("C:\\file.txt")));
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("F:\\")));
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("Q:\\")));
}

TEST(D2sEngine, AnEmptyDriveRootExistsOnlyOnceItListsAVisibleName) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString floppy = prefix.scratch() + QStringLiteral("/floppy");
    prefix.mapDrive('a', floppy);
    // A freshly formatted floppy has no "." entry to offer.
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("A:\\")));
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("A:")));
    writeBytes(floppy + QStringLiteral("/.hidden"), {});
    EXPECT_FALSE(d2sEngine::folderExists(QStringLiteral("A:\\")));
    writeBytes(floppy + QStringLiteral("/Hero.d2s"), {});
    EXPECT_TRUE(d2sEngine::folderExists(QStringLiteral("A:\\")));
}

TEST(D2sEngine, FileTitleIsTheNameBeforeItsFirstDot) {
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral("C:\\Saves\\Hero.d2s")), QStringLiteral("Hero"));
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral("Hero")), QStringLiteral("Hero"));
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral("C:\\a.b\\Hero")), QStringLiteral("Hero"));
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral("Hero.old.d2s")), QStringLiteral("Hero"));
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral("C:\\Saves\\")), QString());
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral(".d2s")), QString());
    // Only "\" separates: a "/" is part of the name.
    EXPECT_EQ(d2sEngine::fileTitle(QStringLiteral("a/b.c")), QStringLiteral("a/b"));
}

TEST(D2sEngine, ProgramFolderIsTheExecutablesFolderWithOneBackslash) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString hostFolder =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    const QString folder = d2sEngine::programFolder();
    EXPECT_EQ(folder, quillmere::host::toWindowsPath(hostFolder) + QLatin1Char('\\'));
    EXPECT_TRUE(d2sEngine::folderExists(folder));
}

TEST(D2sEngine, ProgramFolderAtADriveRootIsThatRoot) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString hostFolder =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    prefix.mapDrive('p', hostFolder);
    EXPECT_EQ(d2sEngine::programFolder(), QStringLiteral("P:\\"));
}

TEST(D2sEngine, ReadTextFileReadsUtf8AsItIs) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("utf8.txt"), "Caf\xC3\xA9\r\nLine 2 \xF0\x9F\x98\x80\r\n");
    prefix.writeFile(QStringLiteral("bom.txt"), "\xEF\xBB\xBFx");
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\UTF8.TXT")),
              QString::fromUtf8("Caf\xC3\xA9\r\nLine 2 \xF0\x9F\x98\x80\r\n"));
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\bom.txt")), QStringLiteral("\uFEFFx"));
}

TEST(D2sEngine, ReadTextFileReadsAnythingElseAsWindows1252) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    // Bytes outside valid UTF-8, among them a lone surrogate's; the unassigned 0x81 keeps its value.
    prefix.writeFile(QStringLiteral("ansi.txt"), "Caf\xE9 \x80 \x81 \xC3 \xED\xA0\x80!");
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\ansi.txt")),
              QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81 \xC3\x83 \xC3\xAD\xC2\xA0\xE2\x82\xAC!"));
    // One stray byte makes the whole file Windows-1252.
    prefix.writeFile(QStringLiteral("mixed.txt"), "\xC3\xA9\x99");
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\mixed.txt")),
              QString::fromUtf8("\xC3\x83\xC2\xA9\xE2\x84\xA2"));
}

TEST(D2sEngine, ReadTextFileIsEmptyForAnythingButAnOrdinaryFile) {
    TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeFile(QStringLiteral("empty.txt"), QByteArray());
    prefix.writeFile(QStringLiteral(".hidden.txt"), "secret");
    prefix.makeFolder(QStringLiteral("folder.txt"));
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\missing.txt")), QString());
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\empty.txt")), QString());
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\.hidden.txt")), QString());
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\folder.txt")), QString());
    EXPECT_EQ(d2sEngine::readTextFile(QStringLiteral("C:\\*.txt")), QString());
}
