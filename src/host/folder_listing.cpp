#include "host/folder_listing.h"

#include "host/drive_map.h"
#include "host/hidden_files.h"
#include "winpath/wildcard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
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

// Names that do not survive the trip through the locale's encoding could not be opened again.
bool roundTrips(const char* raw, const QString& name) {
    for (const char* p = raw; *p; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return QFile::encodeName(name) == QByteArray(raw);
    }
    return true;
}

bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::optional<ListedFolder> openListedFolder(const QString& windowsPath) {
    if (windowsPath.isEmpty())
        return std::nullopt;
    QString path = windowsPath;
    if (winpath::isDriveText(path)) {
        const QChar letter = path.at(0).toLower();
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
    const QString windows = letter.isNull() ? toWindowsPath(host) : windowsFormOn(letter.toLower(), host);
    if (windows.isEmpty())
        return std::nullopt;
    return ListedFolder{windows, host};
}

std::optional<QStringList> readFolderEntries(const QString& hostPath, EntryKind kind, const QString& pattern) {
    const QByteArray encodedFolder = QFile::encodeName(hostPath);
    DIR* dir = ::opendir(encodedFolder.constData());
    if (!dir)
        return std::nullopt;
    const int dirFd = ::dirfd(dir);
    std::vector<winpath::WildcardPattern> patterns;
    for (const QString& one : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        patterns.emplace_back(one);
    HiddenAttributeReader hiddenCheck(dirFd, encodedFolder);

    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* raw = entry->d_name;
        // Dot names are hidden to Wine, and this also skips "." and "..".
        if (raw[0] == '.')
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(dirFd, raw, &st, 0) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type != (kind == EntryKind::Folders ? DT_DIR : DT_REG))
            continue;
        // Most names are plain ASCII: those are matched as they are, and only the survivors
        // are converted.
        const std::string_view bytes(raw);
        const bool ascii = isAscii(bytes);
        if (!patterns.empty() && ascii &&
            std::none_of(patterns.begin(), patterns.end(),
                         [bytes](const winpath::WildcardPattern& one) { return one.matchesAscii(bytes); }))
            continue;
        const QString name = QFile::decodeName(raw);
        if (!patterns.empty() && !ascii &&
            std::none_of(patterns.begin(), patterns.end(),
                         [&name](const winpath::WildcardPattern& one) { return one.matches(name); }))
            continue;
        if (!winpath::isAddressableName(name) || !roundTrips(raw, name))
            continue;
        // The attribute read is the one costly step, so it is left to the survivors, and to
        // helper threads while the folder is still being read.
        hiddenCheck.add(raw);
        names.append(name);
    }
    // Sorted while the helpers are still reading attributes. Folding each name once costs less
    // than folding both sides of every comparison.
    std::vector<QString> folded;
    folded.reserve(size_t(names.size()));
    for (const QString& name : names)
        folded.push_back(name.toCaseFolded());
    std::vector<qsizetype> order(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        order[size_t(i)] = i;
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byFold = QString::compare(folded[size_t(a)], folded[size_t(b)], Qt::CaseSensitive);
        return byFold != 0 ? byFold < 0 : names.at(a) < names.at(b);
    });

    const std::vector<bool> hidden = hiddenCheck.finish();
    ::closedir(dir);
    QStringList shown;
    shown.reserve(names.size());
    for (const qsizetype i : order) {
        if (!hidden[size_t(i)])
            shown.append(std::move(names[i]));
    }
    return shown;
}

} // namespace quillmere::host
