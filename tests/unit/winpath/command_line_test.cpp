#include "winpath/command_line.h"

#include <gtest/gtest.h>

namespace quillmere::winpath {
namespace {

TEST(CommandLineSplitting, AQuotedProgramEndsAtItsClosingQuote) {
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("\"C:\\Program Files\\Diablo II\\Game.exe\"")),
              QStringList{QStringLiteral("C:\\Program Files\\Diablo II\\Game.exe")});
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("\"C:\\Program Files\\Game.exe\" -w  -skiptobnet")),
              (QStringList{QStringLiteral("C:\\Program Files\\Game.exe"), QStringLiteral("-w"),
                           QStringLiteral("-skiptobnet")}));
    // An unclosed quote takes the rest.
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("\"C:\\a b")), QStringList{QStringLiteral("C:\\a b")});
}

TEST(CommandLineSplitting, AnUnquotedProgramEndsAtTheFirstBlank) {
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("C:\\windows\\rundll32.exe shell32.dll,SHFormatDrive")),
              (QStringList{QStringLiteral("C:\\windows\\rundll32.exe"), QStringLiteral("shell32.dll,SHFormatDrive")}));
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral(" \tGame.exe\t-w ")),
              (QStringList{QStringLiteral("Game.exe"), QStringLiteral("-w")}));
    EXPECT_TRUE(splitWindowsCommandLine(QStringLiteral("   ")).isEmpty());
}

TEST(CommandLineSplitting, BackslashesAreLiteralUnlessTheyPrecedeAQuote) {
    // A program name keeps its trailing backslash; in arguments 2n backslashes before a quote give
    // n, 2n + 1 give n and a literal quote, and "" inside quotes is a quote.
    EXPECT_EQ(splitWindowsCommandLine(QStringLiteral("C:\\a\\ \"b c\\\\\" d\\\"e \"x\"\"y\"")),
              (QStringList{QStringLiteral("C:\\a\\"), QStringLiteral("b c\\"), QStringLiteral("d\"e"),
                           QStringLiteral("x\"y")}));
    EXPECT_EQ(splitCommandArguments(QStringLiteral("a\\\\b \\\\\\\\\"c d\" \"\"")),
              (QStringList{QStringLiteral("a\\\\b"), QStringLiteral("\\\\c d"), QString()}));
}

} // namespace
} // namespace quillmere::winpath
