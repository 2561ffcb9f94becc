#include "game/character_file.h"

#include "support/d2s_fixtures.h"
#include "support/files.h"
#include "support/temp_prefix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

namespace quillmere::game {
namespace {

namespace d2s = test::d2s;

class CharacterFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_folder = m_prefix.makeFolder(QStringLiteral("Saves"));
    }

    game::CharacterSummary readBytes(const QByteArray& bytes) {
        m_prefix.writeFile(QStringLiteral("Saves\\Hero.d2s"), bytes);
        return game::ReadCharacterFile(m_folder, QStringLiteral("Hero.d2s"), m_hex);
    }

    test::TempPrefix m_prefix;
    QString m_folder;
    HEXengine m_hex;
};

TEST_F(CharacterFileTest, ReadsClassAndLevelBytesAsStored) {
    game::CharacterSummary summary = readBytes(d2s::unsignedFile(3, 26));
    EXPECT_EQ(summary.classCode, 3);
    EXPECT_EQ(summary.level, 26);
    EXPECT_EQ(summary.layout, game::Layout::Classic);
    EXPECT_FALSE(summary.version);

    summary = readBytes(d2s::unsignedFile(7, 0));
    EXPECT_EQ(summary.classCode, 7);
    EXPECT_EQ(summary.level, 0);

    summary = readBytes(d2s::unsignedFile(255, 255));
    EXPECT_EQ(summary.classCode, 255);
    EXPECT_EQ(summary.level, 255);
}

TEST_F(CharacterFileTest, ShortFilesLackTheFieldsTheyDoNotReach) {
    for (const auto& [length, hasClass, hasLevel] :
         {std::tuple{34, false, false}, {35, true, false}, {36, true, false}, {37, true, true}}) {
        const game::CharacterSummary summary = readBytes(d2s::unsignedFile(2, 9, length));
        EXPECT_EQ(summary.classCode.has_value(), hasClass) << length;
        EXPECT_EQ(summary.level.has_value(), hasLevel) << length;
        EXPECT_EQ(m_hex.fileLength(), length);
    }
    const game::CharacterSummary empty = readBytes(QByteArray());
    EXPECT_FALSE(empty.classCode);
    EXPECT_FALSE(empty.level);
}

TEST_F(CharacterFileTest, SignedFilesBefore92KeepTheClassicOffsets) {
    for (const quint32 version : {71u, 87u, 89u}) {
        const game::CharacterSummary summary = readBytes(d2s::signedFile(version, 4, 17));
        EXPECT_EQ(summary.layout, game::Layout::Classic) << version;
        EXPECT_EQ(summary.version, version);
        EXPECT_EQ(summary.classCode, 4) << version;
        EXPECT_EQ(summary.level, 17) << version;
    }
}

TEST_F(CharacterFileTest, SignedFilesFrom92OnUseTheExpansionOffsets) {
    for (const quint32 version : {92u, 96u, 99u}) {
        const game::CharacterSummary summary = readBytes(d2s::signedFile(version, 6, 81));
        EXPECT_EQ(summary.layout, game::Layout::Expansion109) << version;
        EXPECT_EQ(summary.version, version);
        EXPECT_EQ(summary.classCode, 6) << version;
        EXPECT_EQ(summary.level, 81) << version;
    }
}

TEST_F(CharacterFileTest, ATruncatedExpansionFileLacksTheLevelItDoesNotReach) {
    const game::CharacterSummary truncated = readBytes(d2s::signedFile(96, 3, 42, 0).left(42));
    EXPECT_EQ(truncated.classCode, 3);
    EXPECT_FALSE(truncated.level);
}

TEST_F(CharacterFileTest, WithoutTheFullSignatureTheClassicOffsetsHold) {
    // Whatever else the head looks like.
    QByteArray unsignedHead = d2s::unsignedFile(1, 12, 37);
    unsignedHead.replace(0, 8, QByteArray::fromHex("55aa55ab60000000"));
    const game::CharacterSummary plain = readBytes(unsignedHead);
    EXPECT_EQ(plain.layout, game::Layout::Classic);
    EXPECT_FALSE(plain.version);
    EXPECT_EQ(plain.classCode, 1);
    EXPECT_EQ(plain.level, 12);
}

TEST(CharacterClassTest, ExpansionClassesOnlyInFilesThatKnowThem) {
    const auto classOf = [](quint8 code, std::optional<quint32> version) {
        return game::characterClass({code, std::nullopt, game::Layout::Classic, version});
    };
    EXPECT_EQ(classOf(0, std::nullopt), game::CharacterClass::Amazon);
    EXPECT_EQ(classOf(3, std::nullopt), game::CharacterClass::Paladin);
    EXPECT_EQ(classOf(4, 71), game::CharacterClass::Barbarian);
    EXPECT_EQ(classOf(5, 87), game::CharacterClass::Druid);
    EXPECT_EQ(classOf(6, 96), game::CharacterClass::Assassin);
    EXPECT_FALSE(classOf(5, std::nullopt));
    EXPECT_FALSE(classOf(6, 71));
    EXPECT_FALSE(classOf(7, 99));
    EXPECT_FALSE(game::characterClass({}));
}

TEST(CharacterClassTest, EachClassHasItsName) {
    EXPECT_EQ(game::className(game::CharacterClass::Necromancer), QStringLiteral("Necromancer"));
    EXPECT_EQ(game::className(game::CharacterClass::Barbarian), QStringLiteral("Barbarian"));
    EXPECT_EQ(game::className(game::CharacterClass::Assassin), QStringLiteral("Assassin"));
}

TEST_F(CharacterFileTest, FolderEndingInSeparatorIsStillFound) {
    m_prefix.writeFile(QStringLiteral("Saves\\Hero.d2s"), d2s::unsignedFile(1, 30));
    EXPECT_EQ(game::ReadCharacterFile(m_folder + QLatin1Char('\\'), QStringLiteral("Hero.d2s")).level, 30);

    m_prefix.writeFile(QStringLiteral("Root.d2s"), d2s::unsignedFile(2, 31));
    EXPECT_EQ(game::ReadCharacterFile(QStringLiteral("C:\\"), QStringLiteral("Root.d2s")).level, 31);
}

TEST_F(CharacterFileTest, EmptyFolderReadsFromTheRootOfTheCurrentDrive) {
    m_prefix.writeFile(QStringLiteral("Root.d2s"), d2s::unsignedFile(0, 44));
    test::ScopedCurrentDir cwd(m_prefix.hostOf(QStringLiteral("Saves")));
    EXPECT_EQ(game::ReadCharacterFile(QString(), QStringLiteral("Root.d2s")).level, 44);
}

TEST_F(CharacterFileTest, AMissingFileYieldsNothingOfThePreviousOneAndIsNotCreated) {
    readBytes(d2s::unsignedFile(4, 50));
    ASSERT_EQ(m_hex.fileLength(), d2s::kClassicLength);

    // The previous file's length must not leak into this read as code 0, "Amazon".
    const game::CharacterSummary missing = game::ReadCharacterFile(m_folder, QStringLiteral("Nobody.d2s"), m_hex);
    EXPECT_FALSE(missing.classCode);
    EXPECT_FALSE(missing.level);
    EXPECT_EQ(m_hex.fileLength(), 0);
    EXPECT_FALSE(QFileInfo::exists(m_prefix.hostOf(QStringLiteral("Saves/Nobody.d2s"))));
}

TEST_F(CharacterFileTest, AMissingFolderYieldsNothingAndIsNotCreated) {
    EXPECT_FALSE(game::ReadCharacterFile(QStringLiteral("C:\\NoSuchFolder"), QStringLiteral("Hero.d2s")).classCode);
    EXPECT_FALSE(QFileInfo::exists(m_prefix.hostOf(QStringLiteral("NoSuchFolder"))));
}

TEST_F(CharacterFileTest, APipeYieldsNothingWithoutWaitingForAWriter) {
    const QString fifo = m_prefix.hostOf(QStringLiteral("Saves/Pipe.d2s"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(game::ReadCharacterFile(m_folder, QStringLiteral("Pipe.d2s")).classCode);
}

TEST_F(CharacterFileTest, ReadingLeavesTheFileUntouched) {
    const QByteArray bytes = d2s::signedFile(96, 5, 85);
    m_prefix.writeFile(QStringLiteral("Saves\\Hero.d2s"), bytes);
    const QString host = m_prefix.hostOf(QStringLiteral("Saves/Hero.d2s"));
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1'000'000'000);
    test::setModified(host, old);

    EXPECT_EQ(game::ReadCharacterFile(m_folder, QStringLiteral("hero.D2S")).level, 85);

    EXPECT_EQ(test::bytesOf(host), bytes);
    EXPECT_EQ(QFileInfo(host).lastModified(), old);
}

TEST_F(CharacterFileTest, HugeFileKeepsOnlyItsHeadInMemory) {
    constexpr qint64 kHuge = (qint64(1) << 32) + 37; // past any 32-bit length
    const QString host = m_prefix.hostOf(QStringLiteral("Saves/Huge.d2s"));
    {
        QFile file(host);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(d2s::unsignedFile(4, 99, 37));
        if (!file.resize(kHuge))
            GTEST_SKIP() << "no sparse files here";
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);

    const game::CharacterSummary summary = game::ReadCharacterFile(m_folder, QStringLiteral("Huge.d2s"), m_hex);

    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(summary.classCode, 4);
    EXPECT_EQ(summary.level, 99);
    EXPECT_EQ(m_hex.fileLength(), kHuge);
    EXPECT_LE(m_hex.fileBytes().size(), HEXengine::kKeptBytes);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 8 * 1024) << "peak grew in KiB";
}

TEST(CharacterSamplesTest, SampleFilesReadToTheirClassAndLevel) {
    const QString shared = test::sharedDir();
    if (shared.isEmpty())
        GTEST_SKIP() << "no shared samples on this machine";
    test::TempPrefix prefix;
    prefix.mapDrive('s', shared + QStringLiteral("/d2s-samples"));

    struct Sample {
        const char* file;
        quint32 version;
        quint8 classCode;
        quint8 level;
    };
    const Sample samples[] = {
        {"v71-sorceress-lvl1.d2s", 71, 1, 1}, {"v71-necromancer-lvl1.d2s", 71, 2, 1},
        {"v87-barbarian-lvl1.d2s", 87, 4, 1}, {"v89-barbarian-lvl1.d2s", 89, 4, 1},
        {"v92-barbarian-lvl1.d2s", 92, 4, 1}, {"v96-paladin-lvl42.d2s", 96, 3, 42},
        {"v96-druid-lvl85.d2s", 96, 5, 85},   {"v96-assassin-lvl81.d2s", 96, 6, 81},
        {"v97-amazon-lvl56.d2s", 97, 0, 56},  {"v98-paladin-lvl65.d2s", 98, 3, 65},
        {"v98-druid-lvl99.d2s", 98, 5, 99},   {"v99-paladin-lvl3-hardcore.d2s", 99, 3, 3},
    };
    HEXengine hex;
    for (const Sample& sample : samples) {
        const game::CharacterSummary summary =
            game::ReadCharacterFile(QStringLiteral("S:\\"), QLatin1String(sample.file), hex);
        EXPECT_EQ(summary.version, sample.version) << sample.file;
        EXPECT_EQ(summary.classCode, sample.classCode) << sample.file;
        EXPECT_EQ(summary.level, sample.level) << sample.file;
        EXPECT_EQ(hex.fileLength(), QFileInfo(shared + "/d2s-samples/" + sample.file).size());

        // The test builders sign their files the way the game does.
        if (sample.version >= 92) {
            const QByteArray& head = hex.fileBytes();
            const quint32 stored = static_cast<quint8>(head[12]) | static_cast<quint8>(head[13]) << 8 |
                                   static_cast<quint8>(head[14]) << 16 | quint32(static_cast<quint8>(head[15])) << 24;
            EXPECT_EQ(d2s::checksum(head), stored) << sample.file;
        }
    }
}

} // namespace
} // namespace quillmere::game
