#pragma once

#include <vector>

namespace quillmere::titlebar {

// A colour of the caption, each component 0 to 255.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// A rectangle in window coordinates, right and bottom exclusive, as the caption arithmetic counts.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct CaptionMetrics {
    int frameWidth = 0;    // fw: left and top offset of the strip
    int captionHeight = 0; // ch
    int buttonWidth = 0;
    int buttonHeight = 0;
};

// Everything one painting pass places, for a window of a given width.
struct CaptionGeometry {
    int windowWidth = 0;
    CaptionMetrics metrics;
    int stripWidth = 0; // W
    int bandCount = 0;  // n; 0 (or less) paints no bands
    int bandWidth = 0;  // b; 0 when there are no bands
    int stripEnd = 0;   // right edge of the last band
    std::vector<PixelRect> bands;
    int afterBands = 0; // R: right edge of the working rectangle after the last band
    PixelRect iconRect;
    int textStart = 0;
    PixelRect textRect;
    PixelRect copyRect;     // what goes from the off-screen strip to the window
    PixelRect excludedRect; // left out of the standard caption painting
    PixelRect closeButton;  // where the standard caption has its close button
};

// The height of the off-screen strip, whatever the caption height: the classic painter's bitmap
// height, roomy enough for any caption font.
inline constexpr int kStripBufferHeight = 50;

CaptionGeometry computeCaptionGeometry(int windowWidth, const CaptionMetrics& metrics, bool hasIcon);

// Fills table[0..m], m = table.size() - 1, with the gradient from one step above startColour to
// one step beyond endColour: table[i] = start + (i + 1) * (end - start) / m, each component kept
// within 0..255 and rounded half to even.
void BuildGradientColours(std::vector<Rgb>& table, Rgb startColour, Rgb endColour);

} // namespace quillmere::titlebar
