#include "titlebar/caption_geometry.h"

#include <gtest/gtest.h>

#include <ostream>

namespace quillmere::titlebar {

void PrintTo(const Rgb& colour, std::ostream* out) {
    *out << "Rgb{" << colour.red << ", " << colour.green << ", " << colour.blue << '}';
}

namespace {

constexpr CaptionMetrics classic{3, 19, 18, 18};

// Window width that gives a strip of the wanted width with the classic metrics.
int windowWidthFor(int stripWidth) {
    return stripWidth + 2 * classic.frameWidth + 3 * classic.buttonWidth - 6;
}

TEST(CaptionGeometry, WorkedExampleOfTheMainWindow) {
    const CaptionGeometry g = computeCaptionGeometry(662, classic, true);
    EXPECT_EQ(g.stripWidth, 608);
    EXPECT_EQ(g.bandCount, 76);
    EXPECT_EQ(g.bandWidth, 8);
    EXPECT_EQ(g.stripEnd, 607);
    ASSERT_EQ(g.bands.size(), 76u);
    EXPECT_EQ(g.bands.front(), (PixelRect{3, 3, 11, 21}));
    EXPECT_EQ(g.bands[74], (PixelRect{595, 3, 603, 21}));
    EXPECT_EQ(g.bands.back(), (PixelRect{603, 3, 607, 21}));
    EXPECT_EQ(g.afterBands, 615);
    EXPECT_EQ(g.iconRect, (PixelRect{4, 4, 20, 20}));
    EXPECT_EQ(g.textStart, 23);
    EXPECT_EQ(g.textRect, (PixelRect{25, 3, 605, 21}));
    EXPECT_EQ(g.copyRect, (PixelRect{3, 3, 607, 21}));
    EXPECT_EQ(g.copyRect.width(), 604);
    EXPECT_EQ(g.copyRect.height(), 18);
    EXPECT_EQ(g.excludedRect, (PixelRect{3, 3, 606, 22}));
    EXPECT_EQ(g.closeButton, (PixelRect{641, 5, 657, 19}));
}

TEST(CaptionGeometry, WithoutAnIconTheTextStartsAtTheFrame) {
    const CaptionGeometry bare = computeCaptionGeometry(662, classic, false);
    EXPECT_EQ(bare.textStart, 3);
    EXPECT_EQ(bare.textRect.left, 5);
}

TEST(CaptionGeometry, BandsTileTheStripWithoutGaps) {
    for (int stripWidth : {16, 63, 608, 613, 1000}) {
        const CaptionGeometry g = computeCaptionGeometry(windowWidthFor(stripWidth), classic, true);
        ASSERT_EQ(static_cast<int>(g.bands.size()), g.bandCount) << stripWidth;
        for (std::size_t i = 1; i < g.bands.size(); ++i)
            EXPECT_EQ(g.bands[i].left, g.bands[i - 1].right) << stripWidth;
        EXPECT_EQ(g.bands.front().left, classic.frameWidth);
        EXPECT_EQ(g.bands.back().right, g.stripEnd) << stripWidth;
    }
}

TEST(CaptionGeometry, TheRemainderWidensTheLastBand) {
    // W = 613: the last band is 9 pixels wide.
    const CaptionGeometry g = computeCaptionGeometry(windowWidthFor(613), classic, true);
    EXPECT_EQ(g.bandCount, 76);
    EXPECT_EQ(g.bandWidth, 8);
    EXPECT_EQ(g.bands.back(), (PixelRect{603, 3, 612, 21}));
}

TEST(CaptionGeometry, StripNarrowerThanOneBandPaintsNothing) {
    for (int stripWidth : {7, 0, -40}) {
        const CaptionGeometry g = computeCaptionGeometry(windowWidthFor(stripWidth), classic, true);
        EXPECT_LE(g.bandCount, 0);
        EXPECT_TRUE(g.bands.empty());
        EXPECT_TRUE(g.copyRect.isEmpty()) << stripWidth;
        EXPECT_TRUE(g.excludedRect.isEmpty()) << stripWidth;
        EXPECT_TRUE(g.textRect.isEmpty()) << stripWidth;
    }
}

TEST(GradientColours, BlackToNavyOverTheMainWindowsBands) {
    std::vector<Rgb> table(77);
    BuildGradientColours(table, Rgb{0, 0, 0}, Rgb{0, 0, 128});
    EXPECT_EQ(table[0], (Rgb{0, 0, 2})); // 1.68 rounds up
    EXPECT_EQ(table[75], (Rgb{0, 0, 128}));
    EXPECT_EQ(table[76], (Rgb{0, 0, 130})); // one step beyond, never painted
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].red, 0) << i;
        EXPECT_EQ(table[i].green, 0) << i;
        if (i > 0) {
            EXPECT_GE(table[i].blue, table[i - 1].blue) << i;
        }
    }
}

TEST(GradientColours, RoundsHalfToEven) {
    // Steps of 0.5: the running values 0.5, 1.5, 2.5 go to the even neighbours 0, 2, 2.
    std::vector<Rgb> halves(5);
    BuildGradientColours(halves, Rgb{0, 0, 0}, Rgb{2, 0, 0});
    EXPECT_EQ(halves[0].red, 0);
    EXPECT_EQ(halves[1].red, 1);
    EXPECT_EQ(halves[2].red, 2);
    EXPECT_EQ(halves[3].red, 2);
    EXPECT_EQ(halves[4].red, 2);
}

// The entry one step beyond the end stays within a byte, in both directions, each component kept on
// its own.
TEST(GradientColours, TheEntryBeyondTheEndIsClampedToAByte) {
    std::vector<Rgb> up(4);
    BuildGradientColours(up, Rgb{0, 10, 255}, Rgb{255, 250, 0});
    EXPECT_EQ(up[2], (Rgb{255, 250, 0}));
    EXPECT_EQ(up[3], (Rgb{255, 255, 0}));
}

TEST(GradientColours, AOneEntryTableHoldsTheStartColour) {
    // It has no steps to divide into.
    std::vector<Rgb> single(1);
    BuildGradientColours(single, Rgb{1, 2, 3}, Rgb{200, 200, 200});
    EXPECT_EQ(single[0], (Rgb{1, 2, 3}));
}

} // namespace
} // namespace quillmere::titlebar
