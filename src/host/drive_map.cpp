#include "host/drive_map.h"

#include "host/folder_listing.h"
#include "host/wine_prefix.h"
#include "winpath/lexical_path.h"
#include "winpath/windows_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <climits>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

QByteArray hostBytes(const QString& hostPath) {
    return QFile::encodeName(hostPath);
}

bool hostStat(const QString& hostPath, struct stat* st) {
    return ::stat(hostBytes(hostPath).constData(), st) == 0;
}

bool hostLstat(const QString& hostPath) {
    struct stat st;
    return ::lstat(hostBytes(hostPath).constData(), &st) == 0;
}

// A folder counts as ready when it can be opened for listing; this never waits on anything.
bool isListableFolder(const QString& hostPath) {
    struct stat st;
    if (!hostStat(hostPath, &st) || !S_ISDIR(st.st_mode))
        return false;
    DIR* dir = ::opendir(hostBytes(hostPath).constData());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

DriveInfo driveAt(QChar letter, const QString& hostRoot) {
    DriveInfo info;
    info.letter = letter;
    struct stat st;
    if (hostRoot.isEmpty() || !hostStat(hostRoot, &st))
        return info; // dangling: no root to speak of
    info.hostRoot = QDir::cleanPath(hostRoot);
    info.ready = isListableFolder(info.hostRoot);
    return info;
}

// Where the drives come from: the prefix's dosdevices/, Wine's defaults for a prefix without
// one, or z: alone when there is no prefix at all.
struct DriveSource {
    QString dosdevices; // empty when the defaults apply
    QString driveC;     // the default c:, empty without a prefix
};

DriveSource driveSource() {
    DriveSource source;
    const QString prefix = winePrefixPath();
    struct stat st;
    if (!hostStat(prefix, &st) || !S_ISDIR(st.st_mode))
        return source;
    const QString dosdevices = prefix + QStringLiteral("/dosdevices");
    if (hostStat(dosdevices, &st) && S_ISDIR(st.st_mode))
        source.dosdevices = dosdevices;
    else
        source.driveC = prefix + QStringLiteral("/drive_c");
    return source;
}

std::optional<DriveInfo> defaultDrive(const DriveSource& source, QChar letter) {
    if (letter == QLatin1Char('c') && !source.driveC.isEmpty())
        return driveAt(letter, source.driveC);
    if (letter == QLatin1Char('z'))
        return driveAt(letter, QStringLiteral("/"));
    return std::nullopt;
}

// The drive behind one dosdevices/ entry; relative link targets are relative to dosdevices/.
DriveInfo driveFromEntry(const QString& dosdevices, QChar letter, const QString& entryName) {
    const QString entry = dosdevices + QLatin1Char('/') + entryName;
    struct stat lst;
    if (::lstat(hostBytes(entry).constData(), &lst) == 0 && !S_ISLNK(lst.st_mode))
        return driveAt(letter, entry);
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(hostBytes(entry).constData(), target.data(), target.size());
    if (length <= 0)
        return driveAt(letter, QString());
    target.truncate(length);
    QString targetPath = QFile::decodeName(target);
    if (!QDir::isAbsolutePath(targetPath))
        targetPath = dosdevices + QLatin1Char('/') + targetPath;
    return driveAt(letter, targetPath);
}

// One drive of the prefix, or nothing when the letter is not mapped.
std::optional<DriveInfo> driveInfo(QChar letter) {
    letter = winpath::driveLetter(letter);
    if (letter.isNull())
        return std::nullopt;
    const DriveSource source = driveSource();
    if (source.dosdevices.isEmpty())
        return defaultDrive(source, letter);
    // Wine writes lower-case names; an upper-case one made by hand still counts.
    for (const QChar c : {letter, letter.toUpper()}) {
        const QString name = c + QStringLiteral(":");
        if (hostLstat(source.dosdevices + QLatin1Char('/') + name))
            return driveFromEntry(source.dosdevices, letter, name);
    }
    return std::nullopt;
}

// The folder entry whose name equals `name` ignoring case; the byte-wise smallest wins so that
// the answer does not depend on the order the file system lists things in.
QString caseInsensitiveEntry(const QString& hostFolder, const QString& name) {
    DIR* dir = ::opendir(hostBytes(hostFolder).constData());
    if (!dir)
        return {};
    QByteArray bestRaw;
    QString best;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        // A name that does not survive decoding cannot be reached from Windows form.
        const QString decoded = decodedEntryName(entry->d_name);
        if (decoded.isEmpty() || decoded.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (best.isEmpty() || raw < bestRaw) {
            bestRaw = raw;
            best = decoded;
        }
    }
    ::closedir(dir);
    return best;
}

// The current folder a relative path stands on, as the process and the drives have it now.
QString currentFolderFor(QChar letter) {
    return letter.isNull() ? currentFolder() : currentFolderOfDrive(letter);
}

winpath::LexicalPath lexical(const QString& windowsPath) {
    return winpath::cleanPath(windowsPath, currentFolderFor);
}

// The canonical form of a path whose last components may not exist yet.
QString canonicalAllowingMissingTail(const QString& absolutePath) {
    QString existing = absolutePath;
    QStringList tail;
    while (!existing.isEmpty()) {
        QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty()) {
            if (tail.isEmpty())
                return canonical;
            return QDir::cleanPath(canonical + QLatin1Char('/') + tail.join(QLatin1Char('/')));
        }
        if (existing == QLatin1String("/"))
            break;
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        tail.prepend(existing.mid(slash + 1));
        existing = slash <= 0 ? QStringLiteral("/") : existing.left(slash);
    }
    return absolutePath;
}

bool isUnder(const QString& path, const QString& root) {
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || (path.startsWith(root) && path.at(root.size()) == QLatin1Char('/'));
}

// The current folders of drives other than the process's own, as last made current.
QMutex driveFoldersMutex;
QHash<QChar, QString> driveFolders;

} // namespace

QList<DriveInfo> drives() {
    const DriveSource source = driveSource();
    QList<DriveInfo> result;
    if (source.dosdevices.isEmpty()) {
        for (const QChar letter : {QLatin1Char('c'), QLatin1Char('z')}) {
            if (const auto drive = defaultDrive(source, letter))
                result.append(*drive);
        }
        return result;
    }

    // One listing of dosdevices/ rather than a look-up per letter.
    QString entries[26];
    if (DIR* dir = ::opendir(hostBytes(source.dosdevices).constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QString name = QString::fromLatin1(entry->d_name);
            if (!winpath::isDriveText(name))
                continue;
            const int index = winpath::driveLetterOf(name).unicode() - u'a';
            if (entries[index].isEmpty() || name.front().isLower()) // the lower-case name wins
                entries[index] = name;
        }
        ::closedir(dir);
    }
    for (int index = 0; index < 26; ++index) {
        if (!entries[index].isEmpty())
            result.append(driveFromEntry(source.dosdevices, QChar(u'a' + index), entries[index]));
    }
    return result;
}

bool isDriveReady(QChar letter) {
    const auto info = driveInfo(letter);
    return info && info->ready;
}

ResolvedPath resolve(const QString& windowsPath) {
    ResolvedPath result;
    const winpath::LexicalPath path = lexical(windowsPath);
    if (path.status == winpath::LexicalPath::Status::Invalid)
        return result;
    result.status = PathStatus::NotReady;
    if (path.status == winpath::LexicalPath::Status::NoCurrentFolder)
        return result;
    const auto drive = driveInfo(path.drive);
    if (!drive || !drive->ready)
        return result;

    // Built once, component by component: a path longer than the host can open names nothing.
    qsizetype length = drive->hostRoot.size();
    for (const QString& component : path.components) {
        length += 1 + component.size();
        if (length >= PATH_MAX) {
            result.status = PathStatus::Invalid;
            return result;
        }
    }
    QString host = drive->hostRoot;
    host.reserve(length + 1);
    bool walking = true;
    for (const QString& component : path.components) {
        if (!host.endsWith(QLatin1Char('/')))
            host += QLatin1Char('/');
        const qsizetype folderEnd = host.size();
        host += component;
        if (walking && !hostLstat(host)) {
            const QString match = caseInsensitiveEntry(host.left(folderEnd), component);
            host.truncate(folderEnd);
            host += match.isEmpty() ? component : match;
            walking = !match.isEmpty(); // nothing below a missing component can exist
        }
    }
    result.status = PathStatus::Ok;
    result.hostPath = host;
    return result;
}

QString absoluteWindowsPath(const QString& windowsPath) {
    const winpath::LexicalPath path = lexical(windowsPath);
    return path.status == winpath::LexicalPath::Status::Ok ? path.text() : QString();
}

QString toWindowsPath(const QString& hostPath) {
    if (hostPath.isEmpty())
        return {};
    const QString absolute =
        QDir::cleanPath(QDir::isAbsolutePath(hostPath) ? hostPath : QDir::currentPath() + QLatin1Char('/') + hostPath);
    const QString canonical = canonicalAllowingMissingTail(absolute);

    QChar bestLetter;
    QStringList bestRest;
    qsizetype bestDepth = -1;
    const auto consider = [&](QChar letter, const QString& root, const QString& path) {
        if (root.isEmpty() || !isUnder(path, root))
            return;
        const QStringList rest = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (bestDepth < 0 || rest.size() < bestDepth) {
            bestLetter = letter;
            bestRest = rest;
            bestDepth = rest.size();
        }
    };
    for (const DriveInfo& drive : drives()) {
        if (drive.hostRoot.isEmpty())
            continue;
        consider(drive.letter, drive.hostRoot, absolute);
        consider(drive.letter, QFileInfo(drive.hostRoot).canonicalFilePath(), canonical);
    }
    if (bestDepth < 0)
        return {};
    for (const QString& name : bestRest) {
        if (!winpath::isAddressableName(name))
            return {};
    }
    return winpath::LexicalPath{winpath::LexicalPath::Status::Ok, bestLetter, bestRest}.text();
}

QString currentFolder() {
    return toWindowsPath(QDir::currentPath());
}

QString currentDrive() {
    const QString folder = currentFolder();
    if (folder.isEmpty())
        return {};
    return folder.left(2).toLower();
}

QString currentFolderOfDrive(QChar letter) {
    letter = letter.toLower();
    QString folder = currentFolder();
    if (!folder.isEmpty() && folder.front().toLower() == letter)
        return folder;
    {
        QMutexLocker lock(&driveFoldersMutex);
        const auto found = driveFolders.constFind(letter);
        if (found != driveFolders.constEnd())
            return *found;
    }
    return letter.toUpper() + QStringLiteral(":\\");
}

void setDriveCurrentFolder(const QString& windowsFolder) {
    const QChar letter = winpath::driveLetterOf(windowsFolder);
    if (letter.isNull())
        return;
    const QString folder = absoluteWindowsPath(windowsFolder);
    if (folder.isEmpty())
        return;
    QMutexLocker lock(&driveFoldersMutex);
    driveFolders.insert(letter, folder);
}

} // namespace quillmere::host
