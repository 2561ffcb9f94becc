#include "copy/source_files.h"

#include "copy/copy_errors.h"
#include "host/drive_map.h"
#include "host/folder_listing.h"
#include "winpath/windows_path.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>

namespace quillmere::copy {

namespace {

// "C:\Saves\Hero*.*" -> "C:\Saves" and "Hero*.*". "C:Hero*.*" and "Hero*.*" are read in the current
// folder of that drive, or the current one, as the shell reads them.
void splitPattern(const QString& entry, QString& folder, QString& pattern) {
    const qsizetype cut = std::max(entry.lastIndexOf(u'\\'), entry.lastIndexOf(u'/'));
    if (cut < 0) {
        pattern = entry;
        const QChar drive = entry.size() >= 2 && entry.at(1) == u':' ? winpath::driveLetterOf(entry) : QChar();
        if (!drive.isNull()) {
            pattern = entry.mid(2);
            folder = host::currentFolderOfDrive(drive);
        } else {
            folder = host::currentFolder();
        }
        return;
    }
    pattern = entry.mid(cut + 1);
    folder = entry.left(cut);
    if (folder.isEmpty() || folder.endsWith(u':'))
        folder += u'\\';
}

std::optional<CopyError> findSourceFolder(const QString& entry, const QString& folder, const QString& pattern,
                                          FileIo& io, QString& hostFolder) {
    const host::ResolvedPath resolved = host::resolve(folder);
    if (resolved.status == host::PathStatus::NotReady)
        return CopyError{CopyErrorKind::NotReady, folder,
                         CopyText::tr("Cannot copy from %1: the device is not ready.").arg(folder)};
    if (resolved.status != host::PathStatus::Ok || pattern.isEmpty())
        return CopyError{CopyErrorKind::PathNotFound, entry,
                         CopyText::tr("Cannot copy %1: the path cannot be found.").arg(entry)};
    // A folder that is there but cannot be read is not the same as one without a match.
    const int fd = io.openFolder(QFile::encodeName(resolved.hostPath));
    if (fd < 0 && fd != -ENOENT && fd != -ENOTDIR)
        return CopyError{CopyErrorKind::ReadFailed, folder,
                         CopyText::tr("Cannot copy from %1: the folder cannot be read.").arg(folder)};
    if (fd >= 0)
        io.close(fd);
    hostFolder = resolved.hostPath;
    return std::nullopt;
}

std::optional<CopyError> findCaseCollision(const std::vector<SourceFile>& files) {
    QHash<QString, QString> byFoldedName;
    for (const SourceFile& file : files) {
        const QString folded = file.name.toCaseFolded();
        const auto other = byFoldedName.constFind(folded);
        if (other == byFoldedName.cend()) {
            byFoldedName.insert(folded, file.name);
            continue;
        }
        return CopyError{CopyErrorKind::CaseCollision, file.name,
                         CopyText::tr("Cannot copy %1 and %2: their names differ only in letter case, and a Windows "
                                      "folder cannot hold both. Rename one of them, then copy again.")
                             .arg(*other, file.name)};
    }
    return std::nullopt;
}

} // namespace

SourceListing listSources(const QString& sourcePattern, FileIo& io) {
    QString folder;
    QString pattern;
    splitPattern(sourcePattern, folder, pattern);
    SourceListing listing;
    QString hostFolder;
    listing.error = findSourceFolder(sourcePattern, folder, pattern, io, hostFolder);
    if (listing.error)
        return listing;

    const QStringList names =
        host::readFolderEntries(hostFolder, host::EntryKind::Files, pattern).value_or(QStringList());
    for (const QString& name : names) {
        SourceFile file{name, QFile::encodeName(hostFolder + u'/' + name), {}, {}};
        const int found = io.pathStatus(file.hostPath, file.listed);
        if (found == -ENOENT || (found == 0 && !file.listed.isFile()))
            continue; // gone, or replaced by a folder, since the folder was read
        if (found < 0) {
            listing.error = readError(-found, name);
            return listing;
        }
        listing.files.push_back(std::move(file));
    }
    if (listing.files.empty()) {
        // Wine's shell quietly reports success here; an empty backup must not pass for a good one.
        listing.error = CopyError{CopyErrorKind::NoMatch, sourcePattern,
                                  CopyText::tr("Cannot copy %1: no file matches this name.").arg(sourcePattern)};
        return listing;
    }
    listing.error = findCaseCollision(listing.files);
    return listing;
}

SourceListing listHostSources(const QString& hostFolder, const QStringList& names, FileIo& io) {
    std::vector<HostSource> sources;
    for (const QString& name : names)
        sources.push_back({hostFolder + u'/' + name, name, QString()});
    return listHostSources(sources, io);
}

SourceListing listHostSources(const std::vector<HostSource>& sources, FileIo& io) {
    SourceListing listing;
    for (const HostSource& source : sources) {
        SourceFile file{source.name, QFile::encodeName(source.hostPath), {}, source.sha256.toLatin1().toLower()};
        int found = io.pathStatus(file.hostPath, file.listed);
        if (found == 0 && !file.listed.isFile())
            found = -EISDIR;
        if (found < 0) {
            listing.error = readError(-found, source.hostPath);
            return listing;
        }
        listing.files.push_back(std::move(file));
    }
    listing.error = findCaseCollision(listing.files);
    return listing;
}

} // namespace quillmere::copy
