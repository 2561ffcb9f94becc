#pragma once

#include <QPoint>
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

constexpr QPoint twipsPoint(int left, int top) {
    return {twips(left), twips(top)};
}

constexpr QSize twipsSize(int width, int height) {
    return {twips(width), twips(height)};
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return {twips(left), twips(top), twips(width), twips(height)};
}

} // namespace quillmere::controls
