#include "winpath/windows_path.h"

namespace quillmere::winpath {

bool isSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

QChar driveLetter(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
        return c;
    if (u >= u'A' && u <= u'Z')
        return QChar(char16_t(u - u'A' + u'a'));
    return {};
}

QChar driveLetterOf(const QString& windowsPath) {
    if (windowsPath.size() < 2 || windowsPath.at(1) != QLatin1Char(':'))
        return {};
    return driveLetter(windowsPath.front());
}

bool isDriveRoot(const QString& windowsPath) {
    return windowsPath.size() == 3 && !driveLetterOf(windowsPath).isNull() && isSeparator(windowsPath.at(2));
}

bool isDriveText(const QString& text) {
    return text.size() == 2 && !driveLetterOf(text).isNull();
}

QString joinWindowsPath(const QString& folder, const QString& name) {
    qsizetype start = 0;
    while (start < name.size() && isSeparator(name.at(start)))
        ++start;
    QString bare = name.mid(start);
    if (folder.isEmpty())
        return bare;
    if (isSeparator(folder.back()))
        return folder + bare;
    return folder + QLatin1Char('\\') + bare;
}

bool isAddressableName(const QString& name) {
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        switch (c.unicode()) {
        case u'\\':
        case u'/':
        case u':':
        case u'*':
        case u'?':
        case u'"':
        case u'<':
        case u'>':
        case u'|':
            return false;
        default:
            if (c.unicode() < 0x20)
                return false;
        }
    }
    return true;
}

} // namespace quillmere::winpath
