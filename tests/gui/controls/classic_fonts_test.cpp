#include "controls/classic_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace quillmere::controls {
namespace {

// Only installed families are named, so the first of them is the font used: Qt finds it without a
// fallback search. Liberation Sans, one of the stand-ins, is among the build's packages.
TEST(ClassicFontTest, NamesTheInstalledFamiliesFirstOfWhichIsTheFontUsed) {
    for (const auto& [family, bold] : {std::pair{"MS Sans Serif", false}, std::pair{"Arial", true}}) {
        const QFont font = classicFont(QLatin1String(family), 8.25, bold);
        ASSERT_FALSE(font.families().isEmpty()) << family;
        for (const QString& named : font.families())
            EXPECT_TRUE(QFontDatabase::hasFamily(named)) << family << " names " << qPrintable(named);
        EXPECT_EQ(QFontInfo(font).family(), font.families().first()) << family;
        EXPECT_EQ(font.bold(), bold) << family;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 8.25) << family;
    }
}

} // namespace
} // namespace quillmere::controls
