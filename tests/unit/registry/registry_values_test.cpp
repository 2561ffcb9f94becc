// Hand-written hives: the save-folder fallbacks, string data without or with several NULs, and
// the advapi32 calling conventions.
#include "game/regedit.h"
#include "host/registry_api.h"
#include "support/temp_prefix.h"

#include <QDir>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using namespace host;

const QString kGame = QLatin1String(regedit::kGameKey);

QByteArray hive(const QByteArray& body, bool win64 = true) {
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n" +
           QByteArray(win64 ? "#arch=win64\n" : "") + body;
}

std::optional<QString> savePath() {
    return regedit::readStringValue(regedit::RootKey::LocalMachine, kGame, QStringLiteral("Save Path"));
}

TEST(RegistryValues, SaveFolderIsTheFirstOfNewSavePathMachineAndUserSavePathThatExists) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    EXPECT_EQ(regedit::saveFolder(), QString());

    // A prefix upgraded to 1.14 keeps all three; the game plays from NewSavePath.
    const QString newer = prefix.makeFolder(QStringLiteral("users\\me\\Saved Games\\Diablo II"));
    const QString machine = prefix.makeFolder(QStringLiteral("Program Files\\Diablo II\\Save"));
    const QString user = prefix.makeFolder(QStringLiteral("Old\\Save"));
    prefix.writeUserReg(kGame, {{QStringLiteral("Save Path"), user}, {QStringLiteral("NewSavePath"), newer}});
    prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), machine}});
    EXPECT_EQ(regedit::saveFolder(), newer);

    // A value whose folder has gone is passed over, in order; the hives are read afresh each time.
    QDir(prefix.hostOf(QStringLiteral("users/me/Saved Games/Diablo II"))).removeRecursively();
    EXPECT_EQ(regedit::saveFolder(), machine);
    QDir(prefix.hostOf(QStringLiteral("Program Files"))).removeRecursively();
    EXPECT_EQ(regedit::saveFolder(), user);
    // None exists: the first that is set, so that what follows can still name it.
    QDir(prefix.hostOf(QStringLiteral("Old"))).removeRecursively();
    EXPECT_EQ(regedit::saveFolder(), newer);

    // A machine value that is not a plain string, or an empty one, names nothing.
    prefix.makeFolder(QStringLiteral("Old\\Save"));
    prefix.makeFolder(QStringLiteral("x"));
    prefix.writeUserReg(kGame, {{QStringLiteral("Save Path"), user}});
    prefix.writeRaw(QStringLiteral("system.reg"),
                    hive("[Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=str(2):\"C:\\\\x\"\n"));
    EXPECT_EQ(regedit::saveFolder(), user);
    prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QString()}});
    EXPECT_EQ(regedit::saveFolder(), user);
    prefix.writeUserReg(kGame, {});
    prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("D:\\Saves\\")}}, false);
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("D:\\Saves\\"));
    EXPECT_EQ(regedit::gameProgram(), QString());
}

TEST(RegistryValues, StringDataIsCutAtItsFirstNulOrTakenWhole) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const auto saved = [&](const QByteArray& data) {
        prefix.writeRaw(QStringLiteral("system.reg"),
                        hive("[Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=" + data + "\n"));
        return savePath();
    };
    EXPECT_EQ(saved("hex(1):43,00,3a,00,5c,00"), QStringLiteral("C:\\"));      // no NUL at all
    EXPECT_EQ(saved("hex(1):41,00,00,00,42,00,00,00"), QStringLiteral("A"));   // NUL inside
    EXPECT_EQ(saved("hex(1):41,00,42,00,\\\n  43,00"), QStringLiteral("ABC")); // continued line
    EXPECT_EQ(saved("hex(1):e9,00,3d,d8,00,de"), QString::fromUtf8("é😀"));     // converted to UTF-8
    EXPECT_EQ(saved("hex(1):"), QString());
    EXPECT_EQ(saved("hex(1):41"), QString()); // half a character
    EXPECT_EQ(saved("\"a\\0b\""), QStringLiteral("a"));
    EXPECT_EQ(saved("str:\"plain\""), QStringLiteral("plain"));
    EXPECT_EQ(saved("\"\\x00e91 \\xfc\\q\\x\""), QString::fromUtf8("é1 üqx"));
    EXPECT_FALSE(saved("dword:00000001").has_value());
    EXPECT_FALSE(saved("hex:41,00").has_value());
}

TEST(RegistryValues, ThirtyTwoBitKeyIsConsultedOnlyInSixtyFourBitHives) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    const QByteArray body =
        "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\32\"\n"
        "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\64\"\n";
    prefix.writeRaw(QStringLiteral("system.reg"), hive(body));
    EXPECT_EQ(savePath(), QStringLiteral("C:\\32"));
    prefix.writeRaw(QStringLiteral("system.reg"), hive(body, false));
    EXPECT_EQ(savePath(), QStringLiteral("C:\\64"));

    // A key named in several sections has their values together; the last line wins.
    prefix.writeRaw(QStringLiteral("system.reg"),
                    hive("[Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"first\"\n"
                         "[Software\\\\Other]\n\"Program\"=\"other\"\n"
                         "[software\\\\blizzard entertainment\\\\diablo ii\\\\]\n\"save path\"=\"second\"\n"
                         "\"Program\"=\"game.exe\"\n"));
    EXPECT_EQ(savePath(), QStringLiteral("second"));
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("game.exe"));
}

TEST(RegistryValues, TheUserHiveHasNoThirtyTwoBitView) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    // A stray key left in user.reg must not win over the real value.
    prefix.writeRaw(
        QStringLiteral("user.reg"),
        hive("[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\stray\"\n"
             "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"C:\\\\real\"\n"));
    EXPECT_EQ(regedit::readStringValue(regedit::RootKey::CurrentUser, kGame, QStringLiteral("Save Path")),
              QStringLiteral("C:\\real"));
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\real"));
}

TEST(RegistryValues, OpenKeyAnswersFromItsSnapshotWithAdvapiConventions) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Saves")}});

    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyA(kHkeyLocalMachine, regedit::kGameKey, &key), kErrorSuccess);
    prefix.writeSystemReg(kGame, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Changed")}});

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "save path", nullptr, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 9u);
    std::uint8_t buffer[16] = {};
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Save Path", nullptr, nullptr, buffer, &size), kErrorMoreData);
    EXPECT_EQ(size, 9u);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Save Path", nullptr, nullptr, buffer, &size), kErrorSuccess);
    EXPECT_EQ(size, 9u);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "C:\\Saves"); // the snapshot, not the new file

    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Save Path", &reserved, &type, nullptr, &size), kErrorInvalidParameter);
    EXPECT_EQ(RegQueryValueExA(key, "Save Path", nullptr, &type, buffer, nullptr), kErrorInvalidParameter);
    EXPECT_EQ(RegQueryValueExA(key, "Nothing", nullptr, &type, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(RegCloseKey(key), kErrorSuccess);
    EXPECT_EQ(RegCloseKey(key), kErrorInvalidHandle);
    EXPECT_EQ(RegQueryValueExA(key, "Save Path", nullptr, &type, nullptr, &size), kErrorInvalidHandle);
    EXPECT_EQ(RegQueryValueExA(0, "Save Path", nullptr, &type, nullptr, &size), kErrorInvalidHandle);

    HKEY missing = 123;
    EXPECT_EQ(RegOpenKeyA(kHkeyLocalMachine, "Software\\Missing", &missing), kErrorFileNotFound);
    EXPECT_EQ(missing, 0u);
    EXPECT_EQ(RegOpenKeyA(kHkeyLocalMachine, "Software", &key), kErrorSuccess);
    HKEY child = 0;
    EXPECT_EQ(RegOpenKeyA(key, "Blizzard Entertainment\\Diablo II", &child), kErrorSuccess);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(child, "Save Path", nullptr, &type, buffer, &size), kErrorSuccess);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "C:\\Changed");
    RegCloseKey(child);
    RegCloseKey(key);
}

} // namespace
} // namespace quillmere
