#pragma once

#include "titlebar/caption_geometry.h"

#include <QFont>
#include <QFontDatabase>

namespace quillmere::titlebar {

// The classic Windows metrics and caption colours the painter is laid out with. The values are
// logical pixels; Qt's high-DPI scaling turns them into device pixels.
inline constexpr int dialogFrameWidth = 3; // SM_CXDLGFRAME
inline constexpr int captionHeight = 19;   // SM_CYCAPTION
inline constexpr int buttonWidth = 18;     // SM_CXSIZE
inline constexpr int buttonHeight = 18;    // SM_CYSIZE

inline constexpr ColourRef activeCaptionColour = rgb(0, 0, 128);       // COLOR_ACTIVECAPTION
inline constexpr ColourRef inactiveCaptionColour = rgb(128, 128, 128); // COLOR_INACTIVECAPTION

inline constexpr CaptionMetrics systemCaptionMetrics{dialogFrameWidth, captionHeight, buttonWidth, buttonHeight};

// The desktop's title font stands in for the system's small-caption font.
inline QFont systemCaptionFont() {
    return QFontDatabase::systemFont(QFontDatabase::TitleFont);
}

} // namespace quillmere::titlebar
