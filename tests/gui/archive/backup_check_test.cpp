#include "archive/backup_dialog.h"
#include "archive_fixture.h"
#include "controls/dir_list_box.h"
#include "copy/file_io.h"

#include <QPushButton>

#include <cerrno>
#include <functional>
#include <utility>

using namespace quillmere;
using test::bytesOf;
using test::filesIn;

namespace {

// File calls that run `between` during the first pause, the one before a failing save is read
// again, as if the game finished writing it meanwhile.
class PauseHook final : public copy::FileIo {
public:
    void pause(int milliseconds) override {
        if (between)
            std::exchange(between, nullptr)();
        FileIo::pause(milliseconds);
    }
    std::function<void()> between;
};

class BackupCheckTest : public test::ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        // An earlier, good backup of Hero on the floppy.
        QDir().mkpath(floppy + QStringLiteral("/Hero"));
        for (const char* name : {"Hero.d2s", "Hero.bak"})
            QFile::copy(prefix.hostOf(QStringLiteral("Save\\") + QLatin1String(name)),
                        floppy + QStringLiteral("/Hero/") + QLatin1String(name));
    }
    void backUp(archive::BackupDialog& dialog) {
        dialog.show();
        ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("A:\\")));
        dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    }
    // Every file of the old backup with its bytes.
    QMap<QString, QByteArray> oldBackup() const {
        QMap<QString, QByteArray> files;
        for (const QString& name : filesIn(floppy + QStringLiteral("/Hero")))
            files.insert(name, bytesOf(floppy + QStringLiteral("/Hero/") + name));
        return files;
    }
    void damageHero(QByteArray bytes) { prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), bytes); }
    static QByteArray goodHero() { return test::d2s::signedFile(96, 3, 26); }
};

QByteArray flipped(QByteArray bytes, qsizetype at) {
    bytes[at] = char(bytes[at] ^ 0x40);
    return bytes;
}

} // namespace

TEST_F(BackupCheckTest, ADamagedSaveAsksAndTheDefaultLeavesTheBackupAsItWas) {
    const QMap<QString, QByteArray> before = oldBackup();
    damageHero(flipped(goodHero(), 200));
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    backUp(dialog);

    ASSERT_EQ(boxes.boxes().size(), 1) << "the question only: no copy, no failure box";
    const auto& box = boxes.boxes()[0];
    EXPECT_EQ(box.style, controls::MsgStyle::WarningDefaultNo);
    EXPECT_EQ(box.title, QStringLiteral("Damaged Character..."));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Hero.d2s is damaged: its checksum does not match its contents.")))
        << qPrintable(box.text);
    EXPECT_TRUE(box.text.contains(QStringLiteral("The game itself will refuse a damaged character.")));
    EXPECT_TRUE(dialog.isVisible()) << "back to the dialog";
    EXPECT_EQ(oldBackup(), before);
    EXPECT_TRUE(shell.asked.isEmpty()) << "the copy never started";
}

TEST_F(BackupCheckTest, TruncatedAndMisSizedSavesNameTheirFault) {
    const QByteArray good = goodHero();
    damageHero(good.left(good.size() / 2));
    archive::BackupDialog cut(QStringLiteral("Hero.d2s"), fileCopy);
    backUp(cut);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(
        QStringLiteral("Hero.d2s is damaged: it should be %1 bytes long but is %2 bytes long.")
            .arg(good.size())
            .arg(good.size() / 2)))
        << qPrintable(boxes.boxes()[0].text);

    damageHero(QByteArray(3, '\x55'));
    archive::BackupDialog tiny(QStringLiteral("Hero.d2s"), fileCopy);
    backUp(tiny);
    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_TRUE(boxes.boxes()[1].text.startsWith(
        QStringLiteral("Hero.d2s is damaged: at 3 bytes it is too short to hold a character.")));
}

TEST_F(BackupCheckTest, ASaveFinishedBetweenTheTwoReadsPassesWithoutAQuestion) {
    damageHero(goodHero().left(100)); // caught half-written
    PauseHook io;
    io.between = [this] { damageHero(goodHero()); };
    archive::ShellFileCopy copy(shell, io);
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), copy);
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    backUp(dialog);

    EXPECT_FALSE(io.between) << "the save was read a second time";
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Success!"));
    EXPECT_EQ(bytesOf(floppy + QStringLiteral("/Hero/Hero.d2s")), goodHero());
}

TEST_F(BackupCheckTest, AnsweringYesBacksUpTheDamagedSaveWithItsCompanions) {
    const QByteArray damaged = flipped(goodHero(), 300);
    damageHero(damaged);
    boxes.answerNext(controls::MsgAnswer::Yes);
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    backUp(dialog);

    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_EQ(boxes.boxes()[1].title, QStringLiteral("Success!"));
    EXPECT_EQ(bytesOf(floppy + QStringLiteral("/Hero/Hero.d2s")), damaged);
    EXPECT_EQ(bytesOf(floppy + QStringLiteral("/Hero/Hero.txt")), QByteArray("notes"));
}

TEST_F(BackupCheckTest, WhatCannotBeCheckedIsSaidPlainlyAndLeftToTheUser) {
    damageHero(test::d2s::signedFile(120, 3, 26)); // a version from after this program
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    backUp(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Character Not Checked..."));
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(
        QStringLiteral("Hero.d2s is of version 120, which this program does not know, so it could not be checked.")));
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("Back it up anyway?")));
}

TEST_F(BackupCheckTest, EveryDamagedSaveOfTheBackupIsNamedInOneQuestion) {
    // Heroine.d2s is not among Hero's files; Hero.d2s and a second save of the same name prefix are.
    damageHero(flipped(goodHero(), 50));
    prefix.writeFile(QStringLiteral("Save\\Hero2.d2s"), QByteArray(2000, 'x'));
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), fileCopy);
    backUp(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    const QStringList lines = boxes.boxes()[0].text.split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Hero.d2s is damaged: its checksum does not match its contents.")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Hero2.d2s is damaged: it does not begin as a character file does.")));
    EXPECT_FALSE(boxes.boxes()[0].text.contains(QStringLiteral("Heroine"))) << "a good save is not named";
}

TEST_F(BackupCheckTest, AnUnreadableSaveIsSaidToBeUncheckedNotPassedOver) {
    class Unreadable final : public copy::FileIo {
    public:
        int openRead(const QByteArray& path) override {
            return path.endsWith("/Hero.d2s") ? -EACCES : FileIo::openRead(path);
        }
    } io;
    const QMap<QString, QByteArray> before = oldBackup();
    archive::ShellFileCopy copy(shell, io);
    archive::BackupDialog dialog(QStringLiteral("Hero.d2s"), copy);
    backUp(dialog);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Character Not Checked..."));
    EXPECT_TRUE(
        boxes.boxes()[0].text.startsWith(QStringLiteral("Hero.d2s could not be read, so it could not be checked.")));
    EXPECT_EQ(oldBackup(), before);
}
