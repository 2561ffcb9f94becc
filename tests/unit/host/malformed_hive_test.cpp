// Broken prefixes and broken hives give absent values, never a crash or a hang, and the parts
// that wineserver would still load still read.
#include "game/regedit.h"
#include "host/registry.h"
#include "host/registry_hive.h"
#include "support/temp_prefix.h"

#include <QDir>
#include <QFileInfo>

#include <random>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillmere::host {
namespace {

template <std::size_t N> QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

const QByteArray kHeader = "WINE REGISTRY Version 2\n#arch=win64\n";
const QByteArray kGameSection = "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n";

std::optional<QString> value(const char* name) {
    return readRegistryString(RegistryRoot::LocalMachine, QLatin1String(regedit::kGameKey), QLatin1String(name));
}

class MalformedHive : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_prefix.isValid()); }

    QString systemReg() const { return m_prefix.prefix() + QStringLiteral("/system.reg"); }
    void write(const QByteArray& text) { m_prefix.writeRaw(QStringLiteral("system.reg"), text); }

    test::TempPrefix m_prefix;
};

TEST_F(MalformedHive, AMissingHiveHasNoValues) {
    EXPECT_FALSE(value("Save Path").has_value());
    EXPECT_EQ(regedit::saveFolder(), QString());
}

TEST_F(MalformedHive, AMissingPrefixHasNoValues) {
    qputenv("WINEPREFIX", QFile::encodeName(m_prefix.scratch() + QStringLiteral("/no/such/prefix")));
    EXPECT_FALSE(value("Save Path").has_value());
    EXPECT_EQ(regedit::saveFolder(), QString());
}

TEST_F(MalformedHive, AFolderInPlaceOfTheHiveHasNoValues) {
    ASSERT_TRUE(QDir().mkdir(systemReg()));
    EXPECT_FALSE(value("Save Path").has_value());
}

TEST_F(MalformedHive, AFifoInPlaceOfTheHiveIsNotWaitedOn) {
    // A plain read would block for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(systemReg()).constData(), 0600), 0);
    EXPECT_FALSE(value("Save Path").has_value());
}

TEST_F(MalformedHive, AnotherHeaderIsNoHive) {
    write("WINE REGISTRY Version 1\n" + kGameSection + "\"Save Path\"=\"x\"\n");
    EXPECT_FALSE(value("Save Path").has_value());
    write("\xef\xbb\xbfWINE REGISTRY Version 2\n" + kGameSection + "\"Save Path\"=\"x\"\n");
    EXPECT_FALSE(value("Save Path").has_value());
    write("WINE REGISTRY Version 2\r\n" + kGameSection + "\"Save Path\"=\"x\"\n");
    EXPECT_EQ(value("Save Path"), QStringLiteral("x"));
}

TEST_F(MalformedHive, BrokenLinesAreSkippedAsWineserverSkipsThem) {
    write(kHeader + "\"Program\"=\"value before any key\"\n" + kGameSection +
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
}

TEST_F(MalformedHive, AnUnknownArchitectureStopsTheLoad) {
    write("WINE REGISTRY Version 2\n" + kGameSection + "\"Save Path\"=\"kept\"\n[x\n#arch=win16\n" + kGameSection +
          "\"Program\"=\"never loaded\"\n");
    EXPECT_EQ(value("Save Path"), QStringLiteral("kept"));
    EXPECT_FALSE(value("Program").has_value());
}

TEST_F(MalformedHive, AContradictingArchitectureStopsTheLoadAndWhatWasReadStaysSixtyFourBit) {
    write(kHeader + "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"32\"\n" +
          kGameSection + "\"Save Path\"=\"64\"\n[x\n#arch=win32\n" + kGameSection + "\"Program\"=\"never loaded\"\n");
    EXPECT_EQ(value("Save Path"), QStringLiteral("32"));
    EXPECT_FALSE(value("Program").has_value());
}

TEST_F(MalformedHive, BinaryGarbageNeitherCrashesNorInventsValues) {
    std::mt19937 random(1234);
    const QByteArray alphabet = bytes("[]\\\"@=#:,()xX0123456789abcdefhstrwod \t\r\n\0");
    for (int round = 0; round < 20; ++round) {
        QByteArray garbage = kHeader;
        for (int i = 0; i < 20000; ++i) {
            const auto pick = random();
            garbage.append(round % 2 ? static_cast<char>(pick & 0xff) : alphabet[pick % alphabet.size()]);
        }
        write(garbage + "\n" + kGameSection + "\"Save Path\"=\"C:\\\\end\"\n");
        EXPECT_TRUE(parseHive(garbage.toStdString()).valid);
        // Whatever came before, a well-formed last section reads, unless a continuation ate it.
        const std::optional<QString> path = value("Save Path");
        EXPECT_TRUE(!path || *path == QStringLiteral("C:\\end")) << round;
    }
}

TEST_F(MalformedHive, HundredMegabyteLinesAreHandled) {
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
    EXPECT_EQ(value("Save Path"), QStringLiteral("C:\\before"));
    EXPECT_FALSE(value("Big").has_value());
    EXPECT_EQ(value("Program"), QStringLiteral("after"));
}

} // namespace
} // namespace quillmere::host
