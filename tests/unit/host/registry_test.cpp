// Hand-written hives: which value a lookup finds, and what its text becomes.
#include "host/registry.h"

#include "support/temp_prefix.h"

#include <gtest/gtest.h>

namespace quillmere::host {
namespace {

const QString kGame = QStringLiteral("Software\\Blizzard Entertainment\\Diablo II");
const QByteArray kGameSection = "[Software\\\\Blizzard Entertainment\\\\Diablo II] 1796616576\n";

QByteArray hive(const QByteArray& body, bool win64 = true) {
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n" +
           QByteArray(win64 ? "#arch=win64\n" : "") + body;
}

std::optional<QString> savePath(const QString& key = kGame) {
    return readRegistryString(RegistryRoot::LocalMachine, key, QStringLiteral("Save Path"));
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_prefix.isValid()); }

    // "Save Path" of the game key when the hive holds the data given for it.
    std::optional<QString> saved(const QByteArray& data) {
        m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kGameSection + "\"Save Path\"=" + data + "\n"));
        return savePath();
    }

    test::TempPrefix m_prefix;
};

TEST_F(Registry, StringDataIsCutAtItsFirstNulOrTakenWhole) {
    EXPECT_EQ(saved("hex(1):43,00,3a,00,5c,00"), QStringLiteral("C:\\"));      // no NUL at all
    EXPECT_EQ(saved("hex(1):41,00,00,00,42,00,00,00"), QStringLiteral("A"));   // NUL inside
    EXPECT_EQ(saved("hex(1):41,00,42,00,\\\n  43,00"), QStringLiteral("ABC")); // continued line
    EXPECT_EQ(saved("\"a\\0b\""), QStringLiteral("a"));
    EXPECT_EQ(saved("hex(1):"), QString());
    EXPECT_TRUE(saved("\"\"").has_value());
    EXPECT_EQ(saved("\"\""), QString());
}

TEST_F(Registry, StringDataIsUtf16WithLoneSurrogatesAndOddBytesDropped) {
    EXPECT_EQ(saved("hex(1):e9,00,3d,d8,00,de"), QString::fromUtf8("é😀"));
    EXPECT_EQ(saved("hex(1):41"), QString()); // half a character
    EXPECT_EQ(saved("hex(1):41,00,42"), QStringLiteral("A"));
    EXPECT_EQ(saved("hex(1):3d,d8,41,00,00,de"), QStringLiteral("\uFFFDA\uFFFD"));
    EXPECT_EQ(saved("\"\\x00e91 \\xfc\\q\\x\""), QString::fromUtf8("é1 üqx"));
    EXPECT_EQ(saved("str:\"plain\""), QStringLiteral("plain"));
}

TEST_F(Registry, OnlyPlainStringsAreText) {
    EXPECT_FALSE(saved("str(2):\"C:\\\\x\"").has_value());
    EXPECT_FALSE(saved("str(7):\"a\\0b\\0\"").has_value());
    EXPECT_FALSE(saved("dword:00000001").has_value());
    EXPECT_FALSE(saved("hex:41,00").has_value());
    EXPECT_FALSE(saved("hex(2):41,00").has_value());
}

TEST_F(Registry, KeyAndValueNamesMatchWithoutCaseOrEmptyComponents) {
    m_prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Saves")}});
    EXPECT_EQ(readRegistryString(RegistryRoot::LocalMachine,
                                 QStringLiteral("\\software\\\\BLIZZARD entertainment\\diablo ii\\"),
                                 QStringLiteral("SAVE PATH")),
              QStringLiteral("C:\\Saves"));
    EXPECT_FALSE(readRegistryString(RegistryRoot::LocalMachine, kGame, QStringLiteral("Nothing")).has_value());
    EXPECT_FALSE(savePath(QStringLiteral("Software\\Missing")).has_value());
    EXPECT_FALSE(savePath(QStringLiteral("Software\\Blizzard Entertainment")).has_value());
    EXPECT_FALSE(readRegistryString(RegistryRoot::CurrentUser, kGame, QStringLiteral("Save Path")).has_value());
}

TEST_F(Registry, EveryLookupReadsTheHiveAfresh) {
    m_prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Saves")}});
    EXPECT_EQ(savePath(), QStringLiteral("C:\\Saves"));
    m_prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Changed")}});
    EXPECT_EQ(savePath(), QStringLiteral("C:\\Changed"));
}

// Both views of the game key: the 32-bit one holds "Save Path" only, the plain one "Program" too.
const QByteArray kBothViews =
    "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\32\"\n" + kGameSection +
    "\"Save Path\"=\"C:\\\\64\"\n\"Program\"=\"game.exe\"\n";

TEST_F(Registry, ThirtyTwoBitKeyComesFirstInSixtyFourBitHives) {
    m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kBothViews));
    EXPECT_EQ(savePath(), QStringLiteral("C:\\32"));
}

TEST_F(Registry, AValueTheThirtyTwoBitKeyLacksComesFromThePlainOne) {
    m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kBothViews));
    EXPECT_EQ(readRegistryString(RegistryRoot::LocalMachine, kGame, QStringLiteral("Program")),
              QStringLiteral("game.exe"));
}

TEST_F(Registry, TheThirtyTwoBitKeyAskedForByItsOwnNameGivesThatKeyAlone) {
    m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kBothViews));
    EXPECT_EQ(savePath(QStringLiteral("Software\\wow6432node\\Blizzard Entertainment\\Diablo II")),
              QStringLiteral("C:\\32"));
    EXPECT_FALSE(readRegistryString(RegistryRoot::LocalMachine,
                                    QStringLiteral("Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II"),
                                    QStringLiteral("Program"))
                     .has_value());
}

TEST_F(Registry, ThirtyTwoBitHivesReadThePlainKey) {
    m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kBothViews, false));
    EXPECT_EQ(savePath(), QStringLiteral("C:\\64"));
}

TEST_F(Registry, AThirtyTwoBitValueOfAnotherTypeHidesThePlainOne) {
    m_prefix.writeRaw(QStringLiteral("system.reg"),
                      hive("[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n"
                           "\"Save Path\"=str(2):\"%x%\"\n" +
                           kGameSection + "\"Save Path\"=\"C:\\\\64\"\n"));
    EXPECT_FALSE(savePath().has_value());
}

TEST_F(Registry, TheUserHiveHasNoThirtyTwoBitView) {
    // A stray key left in user.reg must not win over the real value.
    m_prefix.writeRaw(
        QStringLiteral("user.reg"),
        hive("[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\stray\"\n" +
             kGameSection + "\"Save Path\"=\"C:\\\\real\"\n"));
    EXPECT_EQ(readRegistryString(RegistryRoot::CurrentUser, kGame, QStringLiteral("Save Path")),
              QStringLiteral("C:\\real"));
}

TEST_F(Registry, AKeyInSeveralSectionsHasTheirValuesTogetherTheLastLineWinning) {
    m_prefix.writeRaw(QStringLiteral("system.reg"),
                      hive(kGameSection +
                           "\"Save Path\"=\"first\"\n\"InstallPath\"=\"C:\\\\D2\"\n"
                           "[Software\\\\Other]\n\"Program\"=\"other\"\n"
                           "[software\\\\blizzard entertainment\\\\diablo ii\\\\]\n\"save path\"=\"second\"\n"
                           "\"Program\"=\"game.exe\"\n"));
    EXPECT_EQ(savePath(), QStringLiteral("second"));
    EXPECT_EQ(readRegistryString(RegistryRoot::LocalMachine, kGame, QStringLiteral("Program")),
              QStringLiteral("game.exe"));
    EXPECT_EQ(readRegistryString(RegistryRoot::LocalMachine, kGame, QStringLiteral("InstallPath")),
              QStringLiteral("C:\\D2"));
}

TEST_F(Registry, TheDefaultValueIsWrittenAsAtOrAsTheEmptyNameTheLastLineWinning) {
    m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kGameSection + "@=\"default\"\n\"\"=\"quoted empty\"\n"));
    EXPECT_EQ(readRegistryString(RegistryRoot::LocalMachine, kGame, QString()), QStringLiteral("quoted empty"));
}

TEST_F(Registry, TheDefaultValueHasTheEmptyName) {
    m_prefix.writeRaw(QStringLiteral("system.reg"), hive(kGameSection + "@=\"default\"\n"));
    EXPECT_EQ(readRegistryString(RegistryRoot::LocalMachine, kGame, QString()), QStringLiteral("default"));
}

} // namespace
} // namespace quillmere::host
