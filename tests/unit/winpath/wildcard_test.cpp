#include "winpath/wildcard.h"

#include <gtest/gtest.h>

using quillmere::winpath::matchesWildcard;

TEST(Wildcard, StarAndQuestionMarkIgnoreCase) {
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*.d2s"), QStringLiteral("Hero.D2S")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("h?ro.d2s"), QStringLiteral("HERO.d2s")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("h?ro.d2s"), QStringLiteral("hro.d2s")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("*.d2s"), QStringLiteral("Hero.d2x")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("Hero"), QStringLiteral("hERO")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("Hero"), QStringLiteral("Heroine")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*"), QString()));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("?"), QString()));
    // '?' is one character, even outside the basic plane.
    EXPECT_TRUE(matchesWildcard(QStringLiteral("?.txt"), QString::fromUtf8("\xF0\x9F\x98\x80.txt")));
    EXPECT_TRUE(matchesWildcard(QString::fromUtf8("\xC3\x89t\xC3\xA9*"), QString::fromUtf8("\xC3\xA9T\xC3\x89.d2s")));
}

TEST(Wildcard, TrailingDotStarAlsoTakesNamesWithoutDot) {
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*.*"), QStringLiteral("Hero")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*.*"), QStringLiteral(".")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*.*"), QStringLiteral("a.b.c")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("Hero*.*"), QStringLiteral("Hero")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("Hero*.*"), QStringLiteral("Heroine.d2s")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("Hero*.*"), QStringLiteral("HERO.BAK")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("Hero*.*"), QStringLiteral("Her.d2s")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("Hero*.*"), QStringLiteral("MyHero.d2s")));
}

TEST(Wildcard, TrailingDotTakesOnlyNamesWithoutExtension) {
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*."), QStringLiteral("Hero")));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("*."), QStringLiteral("Hero.d2s")));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("H*."), QStringLiteral("hero")));
}

TEST(Wildcard, ManyStarsDoNotBacktrackExponentially) {
    // Would take ages with naive recursion; the answer itself is what is checked here.
    const QString name(4000, QLatin1Char('a'));
    EXPECT_FALSE(matchesWildcard(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*b"), name));
    EXPECT_TRUE(matchesWildcard(QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*"), name));
}

TEST(Wildcard, AsciiNamesMatchAsTheirDecodedForm) {
    // The file list matches ASCII names without converting them; it must agree everywhere.
    const QStringList patterns = {QStringLiteral("*.d2s"),
                                  QStringLiteral("H?RO*.*"),
                                  QStringLiteral("*."),
                                  QStringLiteral("*.*"),
                                  QStringLiteral("a*b?c"),
                                  QStringLiteral("?"),
                                  QString::fromUtf8("\xE2\x84\xAA*"), // KELVIN SIGN folds to 'k'
                                  QString::fromUtf8("\xC3\x89t\xC3\xA9*"),
                                  QString()};
    const char* names[] = {"Hero.d2s", "HERO.D2S", "hero",  "Heroine.bak", "k.txt",  "KEY",          "x",
                           "",         ".",        "a.b.c", "aXbYc",       "AxByC.", "Hero.d2s.bak", "Etat"};
    for (const QString& pattern : patterns) {
        const quillmere::winpath::WildcardPattern compiled(pattern);
        for (const char* name : names) {
            const QString decoded = QString::fromLatin1(name);
            EXPECT_EQ(compiled.matchesAscii(name), matchesWildcard(pattern, decoded))
                << pattern.toStdString() << " / " << name;
            EXPECT_EQ(compiled.matches(decoded), matchesWildcard(pattern, decoded));
        }
    }
    EXPECT_TRUE(quillmere::winpath::WildcardPattern(QString::fromUtf8("\xE2\x84\xAA*")).matchesAscii("KEY"));
}
