// The save folder and the game program as the registry names them.
#include "game/regedit.h"

#include "support/temp_prefix.h"

#include <QDir>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

const QString kGame = QLatin1String(regedit::kGameKey);

// A prefix upgraded to 1.14 keeps all three values; the game plays from NewSavePath.
class SaveFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_newer = m_prefix.makeFolder(QStringLiteral("users\\me\\Saved Games\\Diablo II"));
        m_machine = m_prefix.makeFolder(QStringLiteral("Program Files\\Diablo II\\Save"));
        m_user = m_prefix.makeFolder(QStringLiteral("Old\\Save"));
        m_prefix.writeUserReg(kGame, {{QStringLiteral("Save Path"), m_user}, {QStringLiteral("NewSavePath"), m_newer}});
        m_prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), m_machine}});
    }

    void removeFolder(const char* hostRelative) {
        QDir(m_prefix.hostOf(QLatin1String(hostRelative))).removeRecursively();
    }

    test::TempPrefix m_prefix;
    QString m_newer;
    QString m_machine;
    QString m_user;
};

TEST_F(SaveFolder, IsNewSavePathFirst) {
    EXPECT_EQ(regedit::saveFolder(), m_newer);
}

TEST_F(SaveFolder, PassesOverValuesWhoseFolderHasGoneInOrder) {
    removeFolder("users/me/Saved Games/Diablo II");
    EXPECT_EQ(regedit::saveFolder(), m_machine);
    removeFolder("Program Files");
    EXPECT_EQ(regedit::saveFolder(), m_user);
}

TEST_F(SaveFolder, IsTheFirstValueSetWhenNoFolderExists) {
    removeFolder("users");
    removeFolder("Program Files");
    removeFolder("Old");
    EXPECT_EQ(regedit::saveFolder(), m_newer);
}

TEST_F(SaveFolder, MachineValueThatIsNoPlainStringOrIsEmptyNamesNothing) {
    m_prefix.makeFolder(QStringLiteral("x"));
    m_prefix.writeUserReg(kGame, {{QStringLiteral("Save Path"), m_user}});
    m_prefix.writeRaw(QStringLiteral("system.reg"), "WINE REGISTRY Version 2\n#arch=win64\n"
                                                    "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n"
                                                    "\"Save Path\"=str(2):\"C:\\\\x\"\n");
    EXPECT_EQ(regedit::saveFolder(), m_user);
    m_prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QString()}});
    EXPECT_EQ(regedit::saveFolder(), m_user);
}

TEST(RegistrySaveFolder, IsEmptyWithoutValues) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    EXPECT_EQ(regedit::saveFolder(), QString());
    EXPECT_EQ(regedit::gameProgram(), QString());
}

TEST(RegistrySaveFolder, IsKeptAsWrittenWhenOnlyOneIsSet) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("D:\\Saves\\")}}, false);
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("D:\\Saves\\"));
    EXPECT_EQ(regedit::gameProgram(), QString());
}

TEST(RegistrySaveFolder, TheUserHivesStrayThirtyTwoBitKeyIsNotRead) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeRaw(QStringLiteral("user.reg"),
                    "WINE REGISTRY Version 2\n#arch=win64\n"
                    "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\stray\"\n"
                    "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\real\"\n");
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\real"));
}

TEST(GameProgram, IsTheMachinesProgramValue) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeSystemReg(kGame, {{QStringLiteral("program"), QStringLiteral("C:\\Diablo II\\Game.exe")}});
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("C:\\Diablo II\\Game.exe"));
}

} // namespace
} // namespace quillmere
