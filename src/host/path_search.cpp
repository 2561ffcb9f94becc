#include "host/path_search.h"

#include "host/drive_map.h"
#include "host/path_lexical.h"
#include "winpath/wildcard.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>

namespace quillmere::host {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

// Whether the entry at hostPath may be yielded; links are followed, as Wine follows them.
bool admitted(const QString& hostPath, SearchAdmits admits) {
    struct stat st;
    if (::stat(QFile::encodeName(hostPath).constData(), &st) != 0)
        return false;
    const bool folder = S_ISDIR(st.st_mode);
    if (!folder && !S_ISREG(st.st_mode))
        return false;
    if (folder && admits != SearchAdmits::FilesAndFolders)
        return false;
    return !isHiddenHostFile(hostPath);
}

QString hostJoin(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

QString findFirstName(const QString& windowsPattern, SearchAdmits admits) {
    qsizetype cut = windowsPattern.size() - 1;
    while (cut >= 0 && !isSeparator(windowsPattern.at(cut)))
        --cut;
    if (cut < 0 && !winpath::driveLetterOf(windowsPattern).isNull())
        cut = 1; // "C:Hero*.*" searches the current folder of C:
    const QString folderPart = windowsPattern.left(cut + 1);
    const QString pattern = windowsPattern.mid(cut + 1);
    if (pattern.isEmpty())
        return {};

    const bool wild = pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'));
    if (!wild) {
        if (pattern == QLatin1String(".") || pattern == QLatin1String("..") ||
            winpath::isDriveRoot(absoluteWindowsPath(windowsPattern)))
            return {};
        const ResolvedPath path = resolve(windowsPattern);
        if (path.status != PathStatus::Ok || !admitted(path.hostPath, admits))
            return {};
        return path.hostPath.mid(path.hostPath.lastIndexOf(QLatin1Char('/')) + 1);
    }

    const QString folder = folderPart + QLatin1Char('.');
    const ResolvedPath path = resolve(folder);
    if (path.status != PathStatus::Ok)
        return {};
    // Windows lists "." and ".." everywhere but in a drive's root.
    const bool root = winpath::isDriveRoot(absoluteWindowsPath(folder));
    DIR* dir = ::opendir(QFile::encodeName(path.hostPath).constData());
    if (!dir)
        return {};
    QString found;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (root && (raw == "." || raw == ".."))
            continue;
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) != raw || !winpath::isAddressableName(name) ||
            !winpath::matchesWildcard(pattern, name))
            continue;
        if (admitted(hostJoin(path.hostPath, name), admits)) {
            found = name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

QString executableHostFolder() {
    QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (executable.isEmpty() && QCoreApplication::instance())
        executable = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    if (executable.isEmpty())
        return {};
    return QFileInfo(executable).absolutePath();
}

} // namespace quillmere::host
