#include "host/path_search.h"

#include "host/drive_map.h"
#include "host/folder_listing.h"
#include "winpath/windows_path.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quillmere::host {

namespace {

EntryKind kindFor(SearchAdmits admits) {
    return admits == SearchAdmits::Files ? EntryKind::Files : EntryKind::FilesAndFolders;
}

// A path without wildcards names one entry, or nothing.
QString findNamed(const QString& windowsPath, const QString& name, SearchAdmits admits) {
    if (name == QLatin1String(".") || name == QLatin1String("..") ||
        winpath::isDriveRoot(absoluteWindowsPath(windowsPath)))
        return {};
    const ResolvedPath path = resolve(windowsPath);
    if (path.status != PathStatus::Ok || !isListedAs(path.hostPath, kindFor(admits)))
        return {};
    return path.hostPath.mid(path.hostPath.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString findFirstName(const QString& windowsPattern, SearchAdmits admits) {
    qsizetype cut = windowsPattern.size() - 1;
    while (cut >= 0 && !winpath::isSeparator(windowsPattern.at(cut)))
        --cut;
    if (cut < 0 && !winpath::driveLetterOf(windowsPattern).isNull())
        cut = 1; // "C:Hero*.*" searches the current folder of C:
    const QString folderPart = windowsPattern.left(cut + 1);
    const QString pattern = windowsPattern.mid(cut + 1);
    if (pattern.isEmpty())
        return {};
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?')))
        return findNamed(windowsPattern, pattern, admits);

    const QString folder = folderPart + QLatin1Char('.');
    const ResolvedPath path = resolve(folder);
    if (path.status != PathStatus::Ok)
        return {};
    const bool root = winpath::isDriveRoot(absoluteWindowsPath(folder));
    const std::optional<QStringList> names = readFolderEntries(path.hostPath, {kindFor(admits), {pattern}, !root});
    return names && !names->isEmpty() ? names->front() : QString();
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
