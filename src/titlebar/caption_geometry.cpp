#include "titlebar/caption_geometry.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>

namespace quillmere::titlebar {

CaptionGeometry computeCaptionGeometry(int windowWidth, const CaptionMetrics& metrics, bool hasIcon) {
    CaptionGeometry g;
    g.windowWidth = windowWidth;
    g.metrics = metrics;
    const int fw = metrics.frameWidth;
    const int ch = metrics.captionHeight;

    g.stripWidth = windowWidth - 2 * fw - 3 * metrics.buttonWidth + 6;
    g.bandCount = g.stripWidth / 8;
    g.stripEnd = fw + g.stripWidth - 4;

    // A strip narrower than one band (or a window narrower than its caption buttons) gets no
    // bands at all rather than a division by zero.
    PixelRect working{fw, fw, fw, fw + ch - 1};
    if (g.bandCount > 0) {
        g.bandWidth = g.stripWidth / g.bandCount;
        working.right = fw + g.bandWidth;
        g.bands.reserve(static_cast<std::size_t>(g.bandCount));
        for (int i = 0; i < g.bandCount; ++i) {
            g.bands.push_back(working);
            working.left += g.bandWidth;
            working.right += g.bandWidth;
            if (i == g.bandCount - 2)
                working.right = g.stripEnd;
        }
    }
    g.afterBands = working.right;
    const int r = g.afterBands;

    g.iconRect = PixelRect{fw + 1, fw + 1, fw + 1 + metrics.buttonWidth - 2, fw + 1 + metrics.buttonHeight - 2};
    g.textStart = hasIcon ? fw + metrics.buttonWidth + 2 : fw;
    g.textRect = PixelRect{g.textStart + 2, fw, r - 10, fw + ch - 1};
    g.copyRect = PixelRect{fw, fw, fw + std::max(0, r - fw - 8), fw + ch - 1};
    g.excludedRect = PixelRect{fw, fw, std::max(fw, r - fw - 6), ch + 3};
    // As the classic caption places it: inset two pixels from the frame, a button size less two
    // wide and less four high.
    const int closeRight = windowWidth - fw - 2;
    g.closeButton =
        PixelRect{closeRight - (metrics.buttonWidth - 2), fw + 2, closeRight, fw + 2 + metrics.buttonHeight - 4};
    return g;
}

namespace {

int roundHalfEven(double value) {
    // nearbyint follows the current rounding mode; make sure it is to-nearest-even here.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return static_cast<int>(rounded);
}

} // namespace

void BuildGradientColours(std::vector<Rgb>& table, Rgb startColour, Rgb endColour) {
    if (table.empty())
        return;
    const auto m = static_cast<double>(table.size() - 1);
    const std::array<int, 3> start{startColour.red, startColour.green, startColour.blue};
    const std::array<int, 3> end{endColour.red, endColour.green, endColour.blue};

    std::array<double, 3> step{};
    std::array<double, 3> running{};
    for (std::size_t c = 0; c < 3; ++c) {
        step[c] = m > 0 ? (end[c] - start[c]) / m : 0.0;
        running[c] = start[c];
    }
    for (Rgb& entry : table) {
        std::array<int, 3> value{};
        for (std::size_t c = 0; c < 3; ++c) {
            running[c] = std::clamp(running[c] + step[c], 0.0, 255.0);
            value[c] = roundHalfEven(running[c]);
        }
        entry = Rgb{value[0], value[1], value[2]};
    }
}

} // namespace quillmere::titlebar
