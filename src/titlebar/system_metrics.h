#pragma once

#include "titlebar/caption_geometry.h"

#include <QFont>
#include <QFontDatabase>

namespace quillmere::titlebar {

// The caption is laid out with the metrics and colours of the classic Windows desktop at 96 dpi,
// the ones the window's layout was drawn for, not with the desktop's own: its arithmetic (the band
// count, the last band, the text's room) follows from them. The values are logical pixels; Qt's
// high-DPI scaling turns them into device pixels.
inline constexpr int kDialogFrameWidth = 3; // the fixed dialog border
inline constexpr int kCaptionHeight = 19;
inline constexpr int kButtonWidth = 18; // a caption button, and so the icon's room
inline constexpr int kButtonHeight = 18;

// Navy when the window is active, grey when not: the strip runs from black into these.
inline constexpr Rgb kActiveCaptionColour{0, 0, 128};
inline constexpr Rgb kInactiveCaptionColour{128, 128, 128};

inline constexpr CaptionMetrics kSystemCaptionMetrics{kDialogFrameWidth, kCaptionHeight, kButtonWidth, kButtonHeight};

// The desktop's title font stands in for the system's small-caption font.
inline QFont systemCaptionFont() {
    return QFontDatabase::systemFont(QFontDatabase::TitleFont);
}

} // namespace quillmere::titlebar
