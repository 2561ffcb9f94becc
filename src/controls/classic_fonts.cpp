#include "controls/classic_fonts.h"

#include <QStringList>

namespace quillmere::controls {

QFont classicFont(const QString& windowsFamily, qreal pointSize, bool bold) {
    // Liberation Sans and Arimo share Arial's widths; Nimbus Sans shares Helvetica's, which are close.
    QStringList families{windowsFamily};
    if (windowsFamily.compare(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        families << QStringLiteral("Microsoft Sans Serif");
    families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans") << QStringLiteral("Arimo")
             << QStringLiteral("Nimbus Sans");
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace quillmere::controls
