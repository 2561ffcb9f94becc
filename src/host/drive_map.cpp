#include "host/drive_map.h"

#include "host/hidden_files.h"
#include "host/path_lexical.h"
#include "host/wine_prefix.h"

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
#include <sys/xattr.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

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
    letter = letter.toLower();
    if (!isAsciiLetter(letter))
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
        const QString decoded = QFile::decodeName(raw);
        if (decoded.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (QFile::encodeName(decoded) != raw)
            continue; // a name that is not valid in the locale cannot be reached from Windows form
        if (best.isEmpty() || raw < bestRaw) {
            bestRaw = raw;
            best = decoded;
        }
    }
    ::closedir(dir);
    return best;
}

enum class LexicalStatus { Ok, Invalid, NoCurrentFolder };

struct LexicalPath {
    LexicalStatus status = LexicalStatus::Invalid;
    QChar drive;            // lower case
    QStringList components; // no ".", "..", or empty ones left
};

// Adds the components of `text` to `out`, applying "." and ".." lexically.
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
        if (!winpath::isAddressableName(part))
            return false;
        out.append(part);
    }
    return true;
}

// Windows itself refuses paths longer than this, whatever "." and ".." would make of them.
constexpr qsizetype kMaxWindowsPathLength = 32767;

LexicalPath lexical(const QString& windowsPath) {
    LexicalPath result;
    if (windowsPath.isEmpty() || windowsPath.size() > kMaxWindowsPathLength)
        return result;

    QString base; // absolute Windows folder a relative path stands on
    QString rest = windowsPath;
    const QChar letter = winpath::driveLetterOf(windowsPath);
    if (!letter.isNull()) {
        result.drive = letter;
        rest = windowsPath.mid(2);
        if (rest.isEmpty() || !isSeparator(rest.front()))
            base = currentFolderOfDrive(letter);
    } else if (isSeparator(windowsPath.front())) {
        if (windowsPath.size() > 1 && isSeparator(windowsPath.at(1)))
            return result; // UNC and device paths have no drive here
        const QString drive = currentDrive();
        if (drive.isEmpty()) {
            result.status = LexicalStatus::NoCurrentFolder;
            return result;
        }
        result.drive = drive.front().toLower();
    } else {
        base = currentFolder();
        if (base.isEmpty()) {
            result.status = LexicalStatus::NoCurrentFolder;
            return result;
        }
        result.drive = base.front().toLower();
    }

    if (!base.isEmpty() && !appendComponents(base.mid(2), result.components))
        return result;
    if (!appendComponents(rest, result.components))
        return result;
    result.status = LexicalStatus::Ok;
    return result;
}

QString windowsForm(QChar drive, const QStringList& components) {
    return drive.toUpper() + QStringLiteral(":\\") + components.join(QLatin1Char('\\'));
}

// The canonical form of a path whose last components may not exist yet.
QString canonicalAllowingMissingTail(const QString& absolutePath) {
    QString existing = absolutePath;
    QStringList tail;
    while (!existing.isEmpty()) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
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
            const char* name = entry->d_name;
            if (name[0] == '\0' || name[1] != ':' || name[2] != '\0' || !isAsciiLetter(QLatin1Char(name[0])))
                continue;
            const int index = QChar::toLower(char16_t(name[0])) - u'a';
            if (entries[index].isEmpty() || name[0] >= 'a') // the lower-case name wins
                entries[index] = QString::fromLatin1(name);
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
    const LexicalPath path = lexical(windowsPath);
    if (path.status == LexicalStatus::Invalid)
        return result;
    result.status = PathStatus::NotReady;
    if (path.status == LexicalStatus::NoCurrentFolder)
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
    const LexicalPath path = lexical(windowsPath);
    if (path.status != LexicalStatus::Ok)
        return {};
    return windowsForm(path.drive, path.components);
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
    return windowsForm(bestLetter, bestRest);
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
    const QString folder = currentFolder();
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

bool isHiddenHostFile(const QString& hostPath) {
    QString path = hostPath;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String(".."))
        return true;

    char buffer[256];
    const ssize_t length = ::getxattr(hostBytes(path).constData(), "user.DOSATTRIB", buffer, sizeof buffer);
    if (length <= 0)
        return false;
    return dosAttribHides(buffer, static_cast<std::size_t>(length));
}

} // namespace quillmere::host
