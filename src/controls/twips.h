#pragma once

#include <QRect>
#include <QSize>

// Window layouts are designed in twips (1/1440 inch). At 96 dpi 15 twips make one pixel; Qt's
// high-DPI scaling takes it from there, so every window converts through these helpers alone.
namespace quillmere::controls {

inline constexpr int kTwipsPerPixel = 15;

// Twips to device-independent pixels, rounded to the nearest pixel.
constexpr int twips(int value) {
    return value >= 0 ? (value + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-value + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr QSize twipsSize(QSize size) {
    return {twips(size.width()), twips(size.height())};
}

constexpr QSize twipsSize(int width, int height) {
    return twipsSize(QSize(width, height));
}

// A layout rectangle: left, top, width and height in twips.
constexpr QRect twipsRect(const QRect& rect) {
    return {twips(rect.x()), twips(rect.y()), twips(rect.width()), twips(rect.height())};
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return twipsRect(QRect(left, top, width, height));
}

} // namespace quillmere::controls
