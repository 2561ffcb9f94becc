#include "host/folder_listing.h"

#include "host/drive_map.h"
#include "host/hidden_files.h"
#include "winpath/wildcard.h"
#include "winpath/windows_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace quillmere::host {

namespace {

// The Windows form of a resolved host folder, on the drive the caller named: "z:\" also reaches
// what other drives map, and the list must stay on the drive it was asked for.
QString windowsFormOn(QChar letter, const QString& hostPath) {
    QString root;
    for (const DriveInfo& drive : drives()) {
        if (drive.letter == letter)
            root = drive.hostRoot;
    }
    QString rest;
    bool onDrive = false;
    if (!root.isEmpty()) {
        if (root == QLatin1String("/")) {
            onDrive = hostPath.startsWith(QLatin1Char('/'));
            rest = hostPath.mid(1);
        } else if (hostPath == root) {
            onDrive = true;
        } else if (hostPath.startsWith(root + QLatin1Char('/'))) {
            onDrive = true;
            rest = hostPath.mid(root.size() + 1);
        }
    }
    if (!onDrive)
        return toWindowsPath(hostPath);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QString(letter.toUpper()) + QLatin1String(":\\") + rest;
}

bool admits(EntryKind kind, const struct stat& st) {
    switch (kind) {
    case EntryKind::Folders:
        return S_ISDIR(st.st_mode);
    case EntryKind::Files:
        return S_ISREG(st.st_mode);
    case EntryKind::FilesAndFolders:
        return S_ISDIR(st.st_mode) || S_ISREG(st.st_mode);
    }
    return false;
}

// The entry's kind as the folder tells it; links, and entries of a kind the folder does not tell,
// are looked at themselves.
bool admits(EntryKind kind, int folderFd, const dirent& entry) {
    struct stat st {};
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        st.st_mode = DTTOIF(entry.d_type);
    else if (::fstatat(folderFd, entry.d_name, &st, 0) != 0)
        return false;
    return admits(kind, st);
}

bool isDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class Patterns {
public:
    explicit Patterns(const QStringList& patterns) {
        for (const QString& one : patterns)
            m_patterns.emplace_back(one);
    }

    // Most names are plain ASCII: those are matched as they are, before any conversion.
    bool mayMatch(std::string_view raw) const {
        return m_patterns.empty() || !isAscii(raw) ||
               std::any_of(m_patterns.begin(), m_patterns.end(),
                           [raw](const winpath::WildcardPattern& one) { return one.matchesAscii(raw); });
    }
    bool matches(std::string_view raw, const QString& name) const {
        return m_patterns.empty() || isAscii(raw) ||
               std::any_of(m_patterns.begin(), m_patterns.end(),
                           [&name](const winpath::WildcardPattern& one) { return one.matches(name); });
    }

private:
    std::vector<winpath::WildcardPattern> m_patterns;
};

// Folding each name once costs less than folding both sides of every comparison.
void sortWithoutCase(QStringList& names) {
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(std::size_t(names.size()));
    for (QString& name : names)
        keyed.emplace_back(name.toCaseFolded(), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& [folded, name] : keyed)
        names.append(std::move(name));
}

} // namespace

std::optional<ListedFolder> openListedFolder(const QString& windowsPath) {
    if (windowsPath.isEmpty())
        return std::nullopt;
    QString path = windowsPath;
    if (winpath::isDriveText(path)) {
        const QChar letter = winpath::driveLetterOf(path);
        if (!isDriveReady(letter))
            return std::nullopt;
        path = currentFolderOfDrive(letter);
    }
    const ResolvedPath resolved = resolve(path);
    if (resolved.status != PathStatus::Ok)
        return std::nullopt;
    const QString host = QDir::cleanPath(resolved.hostPath);
    const QFileInfo info(host);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;

    QChar letter = winpath::driveLetterOf(path);
    if (letter.isNull())
        letter = winpath::driveLetterOf(currentFolder());
    const QString windows = letter.isNull() ? toWindowsPath(host) : windowsFormOn(letter, host);
    if (windows.isEmpty())
        return std::nullopt;
    return ListedFolder{windows, host};
}

std::optional<QStringList> readFolderEntries(const QString& hostPath, const EntryFilter& filter) {
    QByteArray path = QFile::encodeName(hostPath);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return std::nullopt;
    if (!path.endsWith('/'))
        path += '/';
    const qsizetype folderLength = path.size();
    const Patterns patterns(filter.patterns);
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view raw(entry->d_name);
        // Names beginning with a dot are hidden to Wine.
        if (isDotEntry(entry->d_name) ? !filter.dotEntries : raw.front() == '.')
            continue;
        if (!admits(filter.kind, ::dirfd(dir), *entry) || !patterns.mayMatch(raw))
            continue;
        const QString name = decodedEntryName(entry->d_name);
        if (!winpath::isAddressableName(name) || !patterns.matches(raw, name))
            continue;
        // The attribute is read last: it is the one costly step.
        path.truncate(folderLength);
        path.append(raw.data(), qsizetype(raw.size()));
        if (!hiddenByAttribute(path.constData()))
            names.append(name);
    }
    ::closedir(dir);
    sortWithoutCase(names);
    return names;
}

std::optional<QStringList> readFolderEntries(const QString& hostPath, EntryKind kind, const QString& pattern) {
    return readFolderEntries(hostPath, EntryFilter{kind, pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)});
}

HostSubfolders readHostSubfolders(const QString& hostPath) {
    HostSubfolders found;
    DIR* dir = ::opendir(QFile::encodeName(hostPath).constData());
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotEntry(entry->d_name) || !admits(EntryKind::Folders, ::dirfd(dir), *entry))
            continue;
        QString name = decodedEntryName(entry->d_name);
        if (name.isEmpty())
            found.undecodable.append(QByteArray(entry->d_name));
        else
            found.names.append(std::move(name));
    }
    ::closedir(dir);
    return found;
}

bool isListedAs(const QString& hostPath, EntryKind kind) {
    struct stat st {};
    return ::stat(QFile::encodeName(hostPath).constData(), &st) == 0 && admits(kind, st) && !isHiddenHostFile(hostPath);
}

QString decodedEntryName(const char* hostName) {
    QString name = QFile::decodeName(hostName);
    for (const char* p = hostName; *p; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return QFile::encodeName(name) == QByteArray(hostName) ? name : QString();
    }
    return name;
}

} // namespace quillmere::host
