// Version-105 files as Resurrected 3.0 writes them (built here: no public samples exist), later
// versions, and the character's state of every layout that has one.
#include "game/character_file.h"
#include "game/save_layout.h"

#include "support/d2s_fixtures.h"
#include "support/qt_print.h"
#include "support/temp_prefix.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace quillmere::game {
namespace {

namespace d2s = test::d2s;

class SaveLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_folder = m_prefix.makeFolder(QStringLiteral("Saves"));
    }

    game::CharacterSummary readBytes(const QByteArray& bytes) {
        m_prefix.writeFile(QStringLiteral("Saves\\Hero.d2s"), bytes);
        return game::ReadCharacterFile(m_folder, QStringLiteral("Hero.d2s"));
    }

    test::TempPrefix m_prefix;
    QString m_folder;
};

TEST_F(SaveLayoutTest, Version105FilesOfEveryClassReadToTheirClassLevelAndState) {
    const char* names[] = {"Amazon",    "Sorceress", "Necromancer", "Paladin",
                           "Barbarian", "Druid",     "Assassin",    "Warlock"};
    for (quint8 code = 0; code <= 7; ++code) {
        const quint8 level = static_cast<quint8>(10 * code + 9);
        QByteArray bytes = d2s::stateFile(105, code, level, 0x24);
        // The bytes where the previous layout kept these must not be read.
        bytes[36] = char(0x08);
        bytes[40] = char(4);
        bytes[43] = char(99);
        const game::CharacterSummary summary = readBytes(bytes);
        EXPECT_EQ(summary.layout, game::Layout::Resurrected105);
        EXPECT_EQ(summary.version, 105u);
        EXPECT_EQ(summary.classCode, code);
        EXPECT_EQ(summary.level, level);
        EXPECT_EQ(summary.status, 0x24);
        ASSERT_TRUE(game::characterClass(summary)) << int(code);
        EXPECT_EQ(game::className(*game::characterClass(summary)), QLatin1String(names[code]));
        EXPECT_EQ(game::stateDescription(summary), QStringLiteral("Hardcore, expansion"));
    }
}

TEST_F(SaveLayoutTest, TheWarlockBelongsToVersion105AndLaterOnly) {
    EXPECT_EQ(game::characterClass(readBytes(d2s::stateFile(105, 7, 1, 0x20))), game::CharacterClass::Warlock);
    EXPECT_EQ(game::characterClass(readBytes(d2s::stateFile(110, 7, 1, 0x20))), game::CharacterClass::Warlock);
    EXPECT_FALSE(game::characterClass(readBytes(d2s::stateFile(99, 7, 1, 0x20))));
    EXPECT_FALSE(game::characterClass(readBytes(d2s::unsignedFile(7, 1))));
    EXPECT_FALSE(game::characterClass(readBytes(d2s::stateFile(105, 8, 1, 0x20))));
}

TEST_F(SaveLayoutTest, LaterVersionsUseTheNewestLayout) {
    const game::CharacterSummary later = readBytes(d2s::stateFile(0x7fffffff, 5, 61, 0x40));
    EXPECT_EQ(later.layout, game::Layout::Resurrected105);
    EXPECT_EQ(later.classCode, 5);
    EXPECT_EQ(later.level, 61);
    EXPECT_EQ(game::stateDescription(later), QStringLiteral("Softcore, ladder"));
}

TEST_F(SaveLayoutTest, ADamagedSignatureTrustsNoVersionAndReadsTheOldestOffsetsWithoutAState) {
    QByteArray unsignedBytes = d2s::stateFile(110, 5, 61, 0x40);
    unsignedBytes[3] = char(0xab);
    const game::CharacterSummary plain = readBytes(unsignedBytes);
    EXPECT_EQ(plain.layout, game::Layout::Classic);
    EXPECT_FALSE(plain.version);
    EXPECT_EQ(plain.classCode, static_cast<quint8>(unsignedBytes[34]));
    EXPECT_FALSE(plain.status);
    EXPECT_EQ(game::stateDescription(plain), QString());
}

TEST_F(SaveLayoutTest, ShortVersion105FilesLackWhatTheyDoNotReach) {
    const QByteArray bytes = d2s::stateFile(105, 7, 33, 0x2c);
    for (const auto& [length, hasStatus, hasClass, hasLevel] : {std::tuple{20, false, false, false},
                                                                {21, true, false, false},
                                                                {25, true, true, false},
                                                                {28, true, true, true}}) {
        const game::CharacterSummary summary = readBytes(bytes.left(length));
        EXPECT_EQ(summary.status.has_value(), hasStatus) << length;
        EXPECT_EQ(summary.classCode.has_value(), hasClass) << length;
        EXPECT_EQ(summary.level.has_value(), hasLevel) << length;
    }
}

TEST_F(SaveLayoutTest, StateIsReadFromVersion92OnAndNotBefore) {
    EXPECT_EQ(readBytes(d2s::stateFile(92, 4, 1, 0x20)).status, 0x20);
    EXPECT_EQ(readBytes(d2s::stateFile(99, 3, 3, 0x24)).status, 0x24);
    // The old layout's byte 36 is its level, not a status.
    const game::CharacterSummary old = readBytes(d2s::signedFile(89, 4, 0x2c));
    EXPECT_FALSE(old.status);
    EXPECT_EQ(game::stateDescription(old), QString());
}

TEST(StateDescription, NamesEachFlagAndWhetherTheCharacterCanStillBePlayed) {
    const auto describe = [](quint8 status) {
        game::CharacterSummary summary;
        summary.status = status;
        return game::stateDescription(summary);
    };
    EXPECT_EQ(describe(0x24), QStringLiteral("Hardcore, expansion"));
    EXPECT_EQ(describe(0x0c), QStringLiteral("Hardcore, died: this character can no longer be played"));
    EXPECT_EQ(describe(0x6c), QStringLiteral("Hardcore, expansion, ladder, died: this character can no longer be "
                                             "played"));
    EXPECT_EQ(describe(0x28), QStringLiteral("Softcore, expansion, has died"));
    EXPECT_EQ(describe(0x00), QStringLiteral("Softcore"));
    // Bits the program does not know say nothing.
    EXPECT_EQ(describe(0x93), QStringLiteral("Softcore"));
    EXPECT_EQ(game::stateDescription(game::CharacterSummary{}), QString());
}

TEST(CharacterSamplesStateTest, SampleFilesReadToTheirState) {
    const QString shared = test::sharedDir();
    if (shared.isEmpty())
        GTEST_SKIP() << "no shared samples on this machine";
    test::TempPrefix prefix;
    prefix.mapDrive('s', shared + QStringLiteral("/d2s-samples"));
    const std::pair<const char*, const char*> samples[] = {
        {"v71-sorceress-lvl1.d2s", ""},
        {"v89-barbarian-lvl1.d2s", ""},
        {"v92-barbarian-lvl1.d2s", "Softcore, expansion"},
        {"v96-paladin-lvl42.d2s", "Softcore, expansion, has died"},
        {"v98-druid-lvl99.d2s", "Softcore, expansion"},
        {"v99-paladin-lvl3-hardcore.d2s", "Hardcore, expansion"},
    };
    for (const auto& [file, state] : samples) {
        const game::CharacterSummary summary = game::ReadCharacterFile(QStringLiteral("S:\\"), QLatin1String(file));
        EXPECT_EQ(game::stateDescription(summary), QLatin1String(state)) << file;
    }
}

} // namespace
} // namespace quillmere::game
