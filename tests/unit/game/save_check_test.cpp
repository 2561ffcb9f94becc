#include "game/save_check.h"
#include "support/d2s_fixtures.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <random>

#include <gtest/gtest.h>

using namespace quillmere;
using game::SaveFault;

namespace {

void putWord(QByteArray& bytes, qsizetype offset, quint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
}

// A version 92+ file whose stored checksum is recomputed after an edit, as an editor would.
QByteArray resealed(QByteArray bytes) {
    putWord(bytes, 12, test::d2s::checksum(bytes));
    return bytes;
}

} // namespace

TEST(SaveCheck, SealedFilesOfEveryVersionPass) {
    for (const quint32 version : {92U, 96U, 97U, 98U, 99U})
        EXPECT_TRUE(game::checkSave(test::d2s::signedFile(version, 3, 40)).passed()) << version;
    EXPECT_TRUE(game::checkSave(test::d2s::stateFile(105, 7, 12, 0x20)).passed());
    // Before 1.09 there is no size or checksum to check.
    EXPECT_TRUE(game::checkSave(test::d2s::signedFile(71, 1, 1)).passed());
    EXPECT_TRUE(game::checkSave(test::d2s::signedFile(89, 4, 1)).passed());
}

TEST(SaveCheck, TheRealFilesOfEveryVersionPass) {
    const QString samples = test::sharedDir() + QStringLiteral("/d2s-samples");
    if (test::sharedDir().isEmpty() || !QDir(samples).exists())
        GTEST_SKIP() << "no shared samples on this machine";
    const QStringList names = QDir(samples).entryList({QStringLiteral("*.d2s")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        QFile file(samples + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(game::checkSave(file.readAll()).passed()) << qPrintable(name);
    }
}

TEST(SaveCheck, OneChangedByteFailsTheChecksum) {
    QByteArray bytes = test::d2s::signedFile(96, 5, 85, 2478);
    bytes[1000] = char(bytes[1000] ^ 0x01);
    EXPECT_EQ(game::checkSave(bytes).fault, SaveFault::ChecksumMismatch);
    // The stored checksum's own bytes count as zero: resealing makes the file whole again.
    EXPECT_TRUE(game::checkSave(resealed(bytes)).passed());
}

TEST(SaveCheck, AFileCutShortOrGrownDisagreesWithItsStoredSize) {
    const QByteArray whole = test::d2s::signedFile(96, 5, 85, 2478);
    const game::SaveCheck cut = game::checkSave(whole.left(1024));
    EXPECT_EQ(cut.fault, SaveFault::SizeMismatch);
    EXPECT_EQ(cut.storedSize, 2478);
    EXPECT_EQ(cut.realSize, 1024);
    EXPECT_EQ(game::checkSave(whole + QByteArray(10, '\0')).fault, SaveFault::SizeMismatch);
    // A wrong stored size fails even when the checksum is made to match it.
    QByteArray wrongSize = whole;
    putWord(wrongSize, 8, 4000);
    EXPECT_EQ(game::checkSave(resealed(wrongSize)).fault, SaveFault::SizeMismatch);
}

TEST(SaveCheck, TooShortNotSignedAndUnknownVersionsAreToldApart) {
    EXPECT_EQ(game::checkSave(QByteArray()).fault, SaveFault::TooShort);
    EXPECT_EQ(game::checkSave(test::d2s::signedFile(96, 0, 1).left(12)).fault, SaveFault::TooShort);
    EXPECT_EQ(game::checkSave(QByteArray(2000, 'x')).fault, SaveFault::NoSignature);
    const game::SaveCheck unknown = game::checkSave(test::d2s::signedFile(120, 0, 1));
    EXPECT_EQ(unknown.fault, SaveFault::UnknownVersion);
    EXPECT_EQ(unknown.version, 120U);
    EXPECT_FALSE(unknown.damaged()) << "not checked is not damaged";
}

TEST(SaveCheck, TheChecksumFedInPiecesIsTheWholeFilesChecksum) {
    const QByteArray bytes = test::d2s::signedFile(98, 3, 65, 2897);
    for (const qsizetype piece : {1, 3, 13, 4096}) {
        game::SaveChecksum sum;
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            sum.add(bytes.constData() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(sum.value(), game::storedChecksum(bytes)) << piece;
    }
}

TEST(SaveCheck, TheDescriptionNamesTheFileAndTheFault) {
    game::SaveCheck check;
    check.fault = SaveFault::SizeMismatch;
    check.storedSize = 2478;
    check.realSize = 1024;
    EXPECT_EQ(game::describeSaveCheck(QStringLiteral("Hero.d2s"), check),
              QStringLiteral("Hero.d2s is damaged: it should be 2478 bytes long but is 1024 bytes long."));
    check.fault = SaveFault::ChecksumMismatch;
    EXPECT_EQ(game::describeSaveCheck(QStringLiteral("Hero.d2s"), check),
              QStringLiteral("Hero.d2s is damaged: its checksum does not match its contents."));
    check.fault = SaveFault::UnknownVersion;
    check.version = 120;
    EXPECT_EQ(game::describeSaveCheck(QStringLiteral("Hero.d2s"), check),
              QStringLiteral("Hero.d2s is of version 120, which this program does not know, so it could not be "
                             "checked."));
}

TEST(SaveCheck, TheChecksumAgreesWithTheGamesByteByByteRuleOnAnyBytes) {
    // The rule itself, one byte at a time, as the game applies it.
    const auto reference = [](const QByteArray& bytes) {
        quint32 sum = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i)
            sum = ((sum << 1) | (sum >> 31)) + (i >= 12 && i < 16 ? 0 : uchar(bytes[i]));
        return sum;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes(qsizetype(random() % 300), Qt::Uninitialized);
        // Runs of 0xFF drive the sum into the states where eight steps at once would carry.
        const bool ones = round % 2 == 0;
        for (char& byte : bytes)
            byte = char(ones && random() % 3 != 0 ? 0xFF : random());
        game::SaveChecksum sum;
        sum.add(bytes.constData(), bytes.size());
        ASSERT_EQ(sum.value(), reference(bytes)) << "round " << round;
    }
}

TEST(SaveCheck, SumsOneCarryAwayFromBitThirtyOneTakeTheSlowSteps) {
    // Random bytes, with eight bytes of 0xFF wherever the running sum reaches a block of eight with
    // bits 8 to 23 all set: the states where taking the block at once could carry wrongly.
    const auto step = [](quint32 sum, uchar byte) { return ((sum << 1) | (sum >> 31)) + byte; };
    std::mt19937 random(11);
    QByteArray bytes(16, '\0');
    quint32 reference = 0;
    for (const char byte : bytes)
        reference = step(reference, uchar(byte));
    int risky = 0;
    while (bytes.size() < (qsizetype(8) << 20)) {
        const bool atBlock = (bytes.size() - 16) % 8 == 0;
        const bool heavy = atBlock && (reference & 0x00FFFF00) == 0x00FFFF00;
        risky += heavy ? 1 : 0;
        for (int i = 0; i < (atBlock ? 8 : 1); ++i) {
            const auto byte = uchar(heavy ? 0xFF : random());
            bytes.append(char(byte));
            reference = step(reference, byte);
        }
    }
    ASSERT_GT(risky, 4);
    game::SaveChecksum sum;
    sum.add(bytes.constData(), bytes.size());
    EXPECT_EQ(sum.value(), reference);
}

TEST(SaveCheck, SumsWithBitsEightToFifteenSetAtABlockOfSixteenAgreeWithTheByteRule) {
    // Random bytes: one block of sixteen in 256 begins with bits 8 to 15 of the sum all set, where
    // taking the block at once could carry wrongly; the sum must agree there all the same.
    const auto step = [](quint32 sum, uchar byte) { return ((sum << 1) | (sum >> 31)) + byte; };
    std::mt19937 random(13);
    QByteArray bytes(16, '\0');
    quint32 reference = 0;
    int risky = 0;
    while (bytes.size() < (qsizetype(1) << 20)) {
        risky += (bytes.size() % 16 == 0 && (reference & 0xFF00) == 0xFF00) ? 1 : 0;
        const auto byte = uchar(random());
        bytes.append(char(byte));
        reference = step(reference, byte);
    }
    ASSERT_GT(risky, 100);
    game::SaveChecksum sum;
    sum.add(bytes.constData(), bytes.size());
    EXPECT_EQ(sum.value(), reference);
}
