#include "winpath/windows_path.h"

#include <gtest/gtest.h>

namespace quillmere::winpath {
namespace {

TEST(WindowsPath, DriveLettersAreAsciiLettersInEitherCase) {
    EXPECT_EQ(driveLetterOf(QStringLiteral("C:\\x")), QLatin1Char('c'));
    EXPECT_EQ(driveLetterOf(QStringLiteral("z:")), QLatin1Char('z'));
    EXPECT_TRUE(driveLetterOf(QStringLiteral("\\x")).isNull());
    EXPECT_TRUE(driveLetterOf(QStringLiteral("1:\\x")).isNull());
    EXPECT_TRUE(driveLetterOf(QString::fromUtf8("\xC3\xA9:\\x")).isNull());
    EXPECT_TRUE(driveLetterOf(QStringLiteral("C")).isNull());
    EXPECT_EQ(driveLetter(QLatin1Char('A')), QLatin1Char('a'));
    EXPECT_TRUE(driveLetter(QLatin1Char('@')).isNull());
    EXPECT_TRUE(driveLetter(QLatin1Char('[')).isNull());
}

TEST(WindowsPath, DriveTextIsALetterAndAColonAlone) {
    EXPECT_TRUE(isDriveText(QStringLiteral("A:")));
    EXPECT_TRUE(isDriveText(QStringLiteral("q:")));
    EXPECT_FALSE(isDriveText(QStringLiteral("A:\\")));
    EXPECT_FALSE(isDriveText(QStringLiteral("1:")));
    EXPECT_FALSE(isDriveText(QStringLiteral("A")));
}

TEST(WindowsPath, DriveRootIsALetterColonAndOneSeparator) {
    EXPECT_TRUE(isDriveRoot(QStringLiteral("a:\\")));
    EXPECT_TRUE(isDriveRoot(QStringLiteral("C:/")));
    EXPECT_FALSE(isDriveRoot(QStringLiteral("a:")));
    EXPECT_FALSE(isDriveRoot(QStringLiteral("a:\\x")));
}

TEST(WindowsPath, JoinsWithExactlyOneBackslash) {
    EXPECT_EQ(joinWindowsPath(QStringLiteral("A:\\"), QStringLiteral("Hero")), QStringLiteral("A:\\Hero"));
    EXPECT_EQ(joinWindowsPath(QStringLiteral("C:\\Save"), QStringLiteral("\\Hero")), QStringLiteral("C:\\Save\\Hero"));
    EXPECT_EQ(joinWindowsPath(QStringLiteral("C:\\Save"), QStringLiteral("Hero")), QStringLiteral("C:\\Save\\Hero"));
    EXPECT_EQ(joinWindowsPath(QString(), QStringLiteral("\\Hero")), QStringLiteral("Hero"));
}

TEST(WindowsPath, NamesWithCharactersWindowsForbidsAreNotAddressable) {
    EXPECT_TRUE(isAddressableName(QStringLiteral("Hero.d2s")));
    EXPECT_TRUE(isAddressableName(QStringLiteral("My Hero (1)")));
    for (const char* bad : {"", "a\\b", "a/b", "a:b", "a*", "a?", "a\"", "a<", "a>", "a|", "a\x01"})
        EXPECT_FALSE(isAddressableName(QString::fromLatin1(bad))) << bad;
}

} // namespace
} // namespace quillmere::winpath
