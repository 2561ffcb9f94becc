// The hives of a real Wine 8 prefix in which the game key was filled with every kind of value.
#include "game/regedit.h"
#include "host/registry.h"
#include "host/registry_hive.h"
#include "support/files.h"
#include "support/temp_prefix.h"

#include <gtest/gtest.h>

namespace quillmere::host {
namespace {

QByteArray dataFile(const char* name) {
    return test::bytesOf(QStringLiteral(QUILLMERE_TEST_DATA_DIR "/wine-reg/") + QLatin1String(name));
}

class WineHives : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_prefix.writeRaw(QStringLiteral("system.reg"), dataFile("system.reg"));
        m_prefix.writeRaw(QStringLiteral("user.reg"), dataFile("user.reg"));
    }

    static std::optional<QString> machine(const QString& value, const QString& subKey = {}) {
        QString key = QLatin1String(regedit::kGameKey);
        if (!subKey.isEmpty())
            key += QLatin1Char('\\') + subKey;
        return readRegistryString(RegistryRoot::LocalMachine, key, value);
    }

    // Type and raw bytes of a value of the plain game key, as the hive reader has them.
    static std::pair<std::uint32_t, QByteArray> raw(const char* value) {
        const QByteArray text = dataFile("system.reg");
        const Hive hive = readHiveKeys(std::string_view(text.constData(), std::size_t(text.size())),
                                       {u"Software\\Blizzard Entertainment\\Diablo II"});
        const HiveValue* found = hive.keys.at(0).find(QString::fromLatin1(value).toStdU16String());
        EXPECT_TRUE(found) << value;
        if (!found)
            return {};
        return {found->type, QByteArray(found->data.data(), qsizetype(found->data.size()))};
    }

    // UTF-16LE, as Windows keeps strings.
    static QByteArray utf16(const char16_t* text, qsizetype units) {
        QByteArray bytes;
        for (qsizetype i = 0; i < units; ++i)
            bytes.append(char(text[i] & 0xff)).append(char(text[i] >> 8));
        return bytes;
    }

    test::TempPrefix m_prefix;
};

TEST_F(WineHives, GameValuesComeFromTheThirtyTwoBitViewFirst) {
    EXPECT_EQ(machine(QStringLiteral("Save Path")), QStringLiteral("C:\\Program Files\\Diablo II\\Save\\"));
    EXPECT_EQ(machine(QStringLiteral("Program")), QStringLiteral("C:\\Program Files (x86)\\Diablo II\\Game.exe"));
    EXPECT_EQ(machine(QStringLiteral("InstallPath")), QStringLiteral("C:\\Program Files\\Diablo II"));
    // Values only the plain key has are still found there.
    EXPECT_EQ(machine(QStringLiteral("NoType")), QStringLiteral("implicit type"));
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\Program Files\\Diablo II\\Save\\"));
    EXPECT_EQ(regedit::gameProgram(), QStringLiteral("C:\\Program Files (x86)\\Diablo II\\Game.exe"));
    EXPECT_EQ(
        readRegistryString(RegistryRoot::CurrentUser, QLatin1String(regedit::kGameKey), QStringLiteral("Save Path")),
        QStringLiteral("C:\\users\\Public\\Saved Games\\Diablo II (32)\\"));
}

TEST_F(WineHives, EscapedStringsDecodeToWhatWasStored) {
    EXPECT_EQ(machine(QString::fromUtf8("Nom é")), QString::fromUtf8("Café é ü ß 日本 😀"));
    EXPECT_EQ(machine(QStringLiteral("Quote\"Back\\Name")), QStringLiteral("He said \"hi\" and C:\\dir\\ ok"));
    EXPECT_EQ(machine(QStringLiteral("Empty")), QString());
    EXPECT_TRUE(machine(QStringLiteral("Empty")).has_value());
    EXPECT_EQ(machine(QStringLiteral("Ctl")), QStringLiteral("line1\nline2\ttab\rcr"));
    EXPECT_EQ(machine(QString()), QStringLiteral("default value"));

    const QString escapes = QStringLiteral("EscapeTests");
    EXPECT_EQ(machine(QStringLiteral("HexFollow"), escapes), QString::fromUtf8("é1 éa éz ü"));
    EXPECT_EQ(machine(QStringLiteral("Ctrl"), escapes), QStringLiteral("a\x01"
                                                                       "b\x01"
                                                                       "7\x1b"
                                                                       "c\a\b\v\f|"));
    EXPECT_EQ(machine(QStringLiteral("Semicolon;Hash#Eq=Bracket[]"), escapes), QStringLiteral("[x] ;y #z =w"));
    EXPECT_EQ(machine(QStringLiteral("Long"), escapes), QStringLiteral("C:\\\\") + QString(300, QLatin1Char('x')));
    EXPECT_EQ(machine(QStringLiteral("x"), QString::fromUtf8("Sous-clé ü")), QStringLiteral("y"));
    EXPECT_EQ(machine(QStringLiteral("x"), QStringLiteral("Brackets [a] \"q\" = ;x")), QStringLiteral("y"));
}

TEST_F(WineHives, OnlyPlainStringsAreReadAsText) {
    for (const char* name : {"ExpandPath", "Multi", "MultiEmpty", "DW", "QW", "Bin", "Missing"})
        EXPECT_FALSE(machine(QLatin1String(name)).has_value()) << name;
    EXPECT_FALSE(machine(QStringLiteral("ExpandNonTerm"), QStringLiteral("EscapeTests")).has_value());
    EXPECT_FALSE(readRegistryString(RegistryRoot::LocalMachine, QStringLiteral("Software\\No Such Game"),
                                    QStringLiteral("Save Path"))
                     .has_value());
}

TEST_F(WineHives, OtherTypesAreReadAsWineWroteThem) {
    EXPECT_EQ(raw("ExpandPath"), std::pair(kRegExpandSz, utf16(u"%ProgramFiles%\\Diablo II\\Save\\", 31)));
    EXPECT_EQ(raw("Multi"), std::pair(kRegMultiSz, utf16(u"first\0second\0C:\\third\0\0", 23)));
    EXPECT_EQ(raw("MultiEmpty"), std::pair(kRegMultiSz, utf16(u"", 1)));
    EXPECT_EQ(raw("DW"), std::pair(kRegDword, QByteArray("\x78\x56\x34\x12", 4)));
    EXPECT_EQ(raw("QW"), std::pair(std::uint32_t{11}, QByteArray("\x88\x77\x66\x55\x44\x33\x22\x11", 8)));
    const auto [binType, bin] = raw("Bin");
    EXPECT_EQ(binType, kRegBinary);
    ASSERT_EQ(bin.size(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(bin[i], static_cast<char>(i));
}

TEST_F(WineHives, KeyAndValueNamesIgnoreCase) {
    const auto lower = [](const QString& value, const QString& key) {
        return readRegistryString(RegistryRoot::LocalMachine, key, value);
    };
    const QString wanted = QStringLiteral("C:\\Program Files\\Diablo II\\Save\\");
    EXPECT_EQ(lower(QStringLiteral("save path"), QStringLiteral("software\\blizzard entertainment\\diablo ii")),
              wanted);
    EXPECT_EQ(lower(QStringLiteral("SAVE PATH"), QStringLiteral("SOFTWARE\\BLIZZARD ENTERTAINMENT\\DIABLO II")),
              wanted);
    EXPECT_EQ(machine(QString::fromUtf8("NOM É")), QString::fromUtf8("Café é ü ß 日本 😀"));
    EXPECT_EQ(machine(QStringLiteral("X"), QString::fromUtf8("SOUS-CLÉ Ü")), QStringLiteral("y"));
    // Asking for the 32-bit key by name gives it alone.
    EXPECT_EQ(
        lower(QStringLiteral("Save Path"), QStringLiteral("Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II")),
        wanted);
    EXPECT_FALSE(
        lower(QStringLiteral("NoType"), QStringLiteral("Software\\wow6432node\\Blizzard Entertainment\\Diablo II"))
            .has_value());
}

TEST_F(WineHives, RepeatedReadsAgree) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\Program Files\\Diablo II\\Save\\"));
        EXPECT_FALSE(machine(QStringLiteral("ExpandPath")).has_value());
        EXPECT_FALSE(machine(QStringLiteral("Missing"), QStringLiteral("Nowhere")).has_value());
    }
}

} // namespace
} // namespace quillmere::host
