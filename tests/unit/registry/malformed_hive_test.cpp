// Broken prefixes and broken hives give absent values, never a crash or a hang, and the parts
// that wineserver would still load still read.
#include "game/regedit.h"
#include "host/registry_api.h"
#include "host/registry_hive.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFileInfo>

#include <random>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillmere {
namespace {

template <std::size_t N> QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

const QByteArray kHeader = "WINE REGISTRY Version 2\n#arch=win64\n";
const QByteArray kGameSection = "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n";

std::optional<QString> value(const char* name) {
    return regedit::readStringValue(regedit::RootKey::LocalMachine, QLatin1String(regedit::kGameKey),
                                    QLatin1String(name));
}

TEST(MalformedHive, MissingOrUnreadableHivesReadAsEmpty) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    EXPECT_FALSE(value("Save Path").has_value()); // no system.reg yet

    QDir(prefix.prefix()).mkdir(QStringLiteral("system.reg"));
    EXPECT_FALSE(value("Save Path").has_value());
    QDir(prefix.prefix()).rmdir(QStringLiteral("system.reg"));

    // A FIFO would block a plain read for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(prefix.prefix() + QStringLiteral("/system.reg")).constData(), 0600), 0);
    EXPECT_FALSE(value("Save Path").has_value());
    QFile::remove(prefix.prefix() + QStringLiteral("/system.reg"));

    prefix.writeRaw(QStringLiteral("system.reg"), "WINE REGISTRY Version 1\n" + kGameSection + "\"Save Path\"=\"x\"\n");
    EXPECT_FALSE(value("Save Path").has_value());

    qputenv("WINEPREFIX", QFile::encodeName(prefix.scratch() + QStringLiteral("/no/such/prefix")));
    EXPECT_FALSE(value("Save Path").has_value());
    EXPECT_EQ(regedit::saveFolder(), QString());
    EXPECT_EQ(host::openRegistryKeyCount(), 0u);
}

TEST(MalformedHive, BrokenLinesAreSkippedAsWineserverSkipsThem) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    prefix.writeRaw(QStringLiteral("system.reg"), kHeader + "\"Program\"=\"value before any key\"\n" + kGameSection +
                                                      bytes("\"Unterminated\"=\"abc\n"
                                                            "\"Trailing\"=\"abc\\\n"
                                                            "\"BadType\"=str(3):\"x\"\n"
                                                            "\"Save Path\"=\"good\"   ; a comment after the value\n"
                                                            "\"BigByte\"=hex:100\n"
                                                            "\"Nul\"=\"ab\0cd\"\n"
                                                            "\"Swallower\"=hex:00,\\\n"
                                                            "[Software\\\\Elsewhere]\n"
                                                            "\"Program\"=\"still the game key\"\n"
                                                            "[Software\\\\Blizzard Entertainment\\\\Diablo II\n"
                                                            "\"InstallPath\"=\"after a key without its bracket\"\n"
                                                            "garbage line\n"
                                                            "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n"
                                                            "\"Ctl\"=hex(1):41,00,\\\n"));
    EXPECT_FALSE(value("Unterminated").has_value());
    EXPECT_FALSE(value("Trailing").has_value());
    EXPECT_FALSE(value("BadType").has_value());
    EXPECT_EQ(value("Save Path"), QStringLiteral("good"));
    EXPECT_FALSE(value("Nul").has_value()); // the line ends at the NUL, inside the quotes
    EXPECT_EQ(value("Program"), QStringLiteral("still the game key"));
    EXPECT_FALSE(value("InstallPath").has_value());
    EXPECT_FALSE(value("BigByte").has_value());
    EXPECT_FALSE(value("Ctl").has_value()); // continued past the end of the file

    // An unknown architecture stops the load where it stands.
    prefix.writeRaw(QStringLiteral("system.reg"), "WINE REGISTRY Version 2\n" + kGameSection +
                                                      "\"Save Path\"=\"kept\"\n[x\n#arch=win16\n" + kGameSection +
                                                      "\"Program\"=\"never loaded\"\n");
    EXPECT_EQ(value("Save Path"), QStringLiteral("kept"));
    EXPECT_FALSE(value("Program").has_value());
}

TEST(MalformedHive, BinaryGarbageNeitherCrashesNorInventsValues) {
    test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    std::mt19937 random(1234);
    const QByteArray alphabet = bytes("[]\\\"@=#:,()xX0123456789abcdefhstrwod \t\r\n\0");
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes = kHeader;
        for (int i = 0; i < 20000; ++i) {
            const auto pick = random();
            bytes.append(round % 2 ? static_cast<char>(pick & 0xff) : alphabet[pick % alphabet.size()]);
        }
        prefix.writeRaw(QStringLiteral("system.reg"), bytes + "\n" + kGameSection + "\"Save Path\"=\"C:\\\\end\"\n");
        const host::Hive all = host::parseHive(bytes.toStdString());
        EXPECT_TRUE(all.valid);
        // Whatever came before, a well-formed last section reads, unless a continuation ate it.
        const std::optional<QString> path = value("Save Path");
        EXPECT_TRUE(!path || *path == QStringLiteral("C:\\end")) << round;
    }
    EXPECT_EQ(host::openRegistryKeyCount(), 0u);
}

TEST(MalformedHive, HundredMegabyteLinesAreHandled) {
    // Hundreds of megabytes go to memory-backed storage where there is some, not to the disk.
    const bool hadTemp = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray oldTemp = qgetenv("TMPDIR");
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        qputenv("TMPDIR", "/dev/shm");
    test::TempPrefix prefix;
    hadTemp ? qputenv("TMPDIR", oldTemp) : qunsetenv("TMPDIR");
    ASSERT_TRUE(prefix.isValid());

    // An unterminated string and a key line without its bracket, each 100 MB long.
    const QByteArray huge(100 << 20, 'a');
    prefix.writeRaw(QStringLiteral("system.reg"), kHeader + kGameSection +
                                                      "\"Save Path\"=\"C:\\\\before\"\n\"Big\"=\"" + huge +
                                                      "\n\"Program\"=\"after\"\n[Software\\\\" + huge);
    using namespace host;
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyA(kHkeyLocalMachine, regedit::kGameKey, &key), kErrorSuccess);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Save Path", nullptr, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(RegQueryValueExA(key, "Big", nullptr, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegNone);
    EXPECT_EQ(RegQueryValueExA(key, "Program", nullptr, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(size, 6u);
    RegCloseKey(key);
}

} // namespace
} // namespace quillmere
