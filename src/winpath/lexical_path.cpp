#include "winpath/lexical_path.h"

#include "winpath/windows_path.h"

namespace quillmere::winpath {

namespace {

// Adds the components of `text` to `out`, applying "." and ".." as they come.
bool appendComponents(const QString& text, QStringList& out) {
    QString normalised = text;
    normalised.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parts = normalised.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        if (!isAddressableName(part))
            return false;
        out.append(part);
    }
    return true;
}

// Where a path starts from: its drive, the folder it is relative to (empty for the drive's root),
// and the rest of its text.
struct Start {
    LexicalPath::Status status = LexicalPath::Status::Ok;
    QChar drive;
    QString base;
    QString rest;
};

Start startOf(const QString& windowsPath, const CurrentFolderOf& currentFolderOf) {
    Start start;
    start.rest = windowsPath;
    const QChar letter = driveLetterOf(windowsPath);
    if (!letter.isNull()) {
        start.drive = letter;
        start.rest = windowsPath.mid(2);
        if (start.rest.isEmpty() || !isSeparator(start.rest.front()))
            start.base = currentFolderOf(letter);
        return start;
    }
    if (isSeparator(windowsPath.front()) && windowsPath.size() > 1 && isSeparator(windowsPath.at(1))) {
        start.status = LexicalPath::Status::Invalid; // UNC and device paths name no drive
        return start;
    }
    const QString current = currentFolderOf(QChar());
    start.drive = current.isEmpty() ? QChar() : driveLetterOf(current);
    if (start.drive.isNull()) {
        start.status = LexicalPath::Status::NoCurrentFolder;
        return start;
    }
    if (!isSeparator(windowsPath.front()))
        start.base = current;
    return start;
}

} // namespace

QString LexicalPath::text() const {
    return drive.toUpper() + QStringLiteral(":\\") + components.join(QLatin1Char('\\'));
}

LexicalPath cleanPath(const QString& windowsPath, const CurrentFolderOf& currentFolderOf) {
    LexicalPath result;
    if (windowsPath.isEmpty() || windowsPath.size() > kMaxPathLength)
        return result;
    const Start start = startOf(windowsPath, currentFolderOf);
    if (start.status != LexicalPath::Status::Ok) {
        result.status = start.status;
        return result;
    }
    result.drive = start.drive;
    if (!start.base.isEmpty() && !appendComponents(start.base.mid(2), result.components))
        return {};
    if (!appendComponents(start.rest, result.components))
        return {};
    result.status = LexicalPath::Status::Ok;
    return result;
}

} // namespace quillmere::winpath
