#pragma once

#include <QString>

namespace quillmere::app {

// The About box's 15 lines joined by CR LF, without a break after the last.
QString aboutText();
// Shows it: title "About...", information icon, OK.
void showAbout();

} // namespace quillmere::app
