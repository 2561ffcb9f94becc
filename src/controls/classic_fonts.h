#pragma once

#include <QFont>
#include <QString>

namespace quillmere::controls {

// A font named by its Windows name ("MS Sans Serif", "Arial"), with metric-compatible stand-ins
// after it, so layouts made for the Windows fonts keep their text within their controls. Only the
// families the system has are named, all of them when it has none. Needs the application object.
QFont classicFont(const QString& windowsFamily, qreal pointSize, bool bold = false);

} // namespace quillmere::controls
