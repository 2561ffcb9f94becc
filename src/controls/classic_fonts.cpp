#include "controls/classic_fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>

namespace quillmere::controls {

namespace {

// A family of the font database, which names a family with several foundries "Family [Foundry]".
bool namesFamily(const QString& listed, const QString& family) {
    return listed.compare(family, Qt::CaseInsensitive) == 0 ||
           (listed.size() > family.size() + 2 && listed.startsWith(family, Qt::CaseInsensitive) &&
            listed.at(family.size()) == QLatin1Char(' ') && listed.at(family.size() + 1) == QLatin1Char('['));
}

// The families the system has, in the order asked for; all of them when it has none, so that its
// own substitutes decide. The font chosen is the same either way: Qt takes the first family it
// has. But a first family it lacks makes it ask fontconfig for that family's whole fallback list
// before it tries the next, which costs more than loading the font.
QStringList installedFamilies(const QStringList& wanted) {
    const QStringList installed = QFontDatabase::families();
    QStringList found;
    for (const QString& family : wanted) {
        if (std::any_of(installed.begin(), installed.end(),
                        [&family](const QString& listed) { return namesFamily(listed, family); }))
            found << family;
    }
    return found.isEmpty() ? wanted : found;
}

} // namespace

QFont classicFont(const QString& windowsFamily, qreal pointSize, bool bold) {
    // Liberation Sans and Arimo share Arial's widths; Nimbus Sans shares Helvetica's, which are close.
    QStringList families{windowsFamily};
    if (windowsFamily.compare(QStringLiteral("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        families << QStringLiteral("Microsoft Sans Serif");
    families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans") << QStringLiteral("Arimo")
             << QStringLiteral("Nimbus Sans");
    QFont font;
    font.setFamilies(installedFamilies(families));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace quillmere::controls
