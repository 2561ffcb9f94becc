#include "copy/destination_folder.h"

#include "copy/copy_errors.h"
#include "copy/temp_file.h"
#include "host/drive_map.h"
#include "winpath/windows_path.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace quillmere::copy {

namespace {

QByteArray parentOf(const QByteArray& path) {
    const qsizetype cut = path.lastIndexOf('/');
    return cut <= 0 ? QByteArray("/") : path.left(cut);
}

} // namespace

DestinationFolder::DestinationFolder(FileIo& io, const QString& path, PathKind kind)
    : m_io(io)
    , m_kind(kind)
    , m_windowsPath(path) {}

DestinationFolder::~DestinationFolder() {
    if (m_fd >= 0)
        m_io.close(m_fd);
}

bool DestinationFolder::fail(const CopyError& error) {
    m_error = error;
    return false;
}

DestinationFolder::Opened DestinationFolder::open(CopyUi& ui) {
    if (!resolve())
        return Opened::Failed;
    FileStat found;
    const int status = m_io.pathStatus(m_hostPath, found);
    if (status == 0 && !found.isFolder()) {
        fail({CopyErrorKind::DestinationIsFile, m_windowsPath,
              CopyText::tr("Cannot copy to %1: a file of that name exists where a folder is expected.")
                  .arg(m_windowsPath)});
        return Opened::Failed;
    }
    if (status == -ENOENT) {
        if (!ui.confirmCreateFolder(m_windowsPath))
            return Opened::Declined;
        if (!create())
            return Opened::Failed;
    } else if (status < 0) {
        fail(writeError(-status, m_windowsPath));
        return Opened::Failed;
    }
    m_fd = m_io.openFolder(m_hostPath);
    if (m_fd < 0) {
        fail(writeError(-std::exchange(m_fd, -1), m_windowsPath));
        return Opened::Failed;
    }
    return readNames() ? Opened::Ready : Opened::Failed;
}

bool DestinationFolder::resolve() {
    if (m_kind == PathKind::Host) {
        m_hostPath = QFile::encodeName(m_windowsPath);
        return true;
    }
    const host::ResolvedPath resolved = host::resolve(m_windowsPath);
    if (resolved.status == host::PathStatus::NotReady)
        return fail({CopyErrorKind::NotReady, m_windowsPath,
                     CopyText::tr("Cannot copy to %1: the device is not ready.").arg(m_windowsPath)});
    if (resolved.status != host::PathStatus::Ok)
        return fail({CopyErrorKind::PathNotFound, m_windowsPath,
                     CopyText::tr("Cannot copy to %1: the path cannot be found.").arg(m_windowsPath)});
    m_hostPath = QFile::encodeName(resolved.hostPath);
    return true;
}

bool DestinationFolder::create() {
    QByteArrayList missing; // outermost first
    FileStat found;
    for (QByteArray level = m_hostPath; level != "/" && m_io.pathStatus(level, found) == -ENOENT;
         level = parentOf(level))
        missing.prepend(level);
    return std::all_of(missing.cbegin(), missing.cend(),
                       [this](const QByteArray& level) { return createLevel(level); });
}

bool DestinationFolder::createLevel(const QByteArray& level) {
    const int made = makeFolderDurably(m_io, level);
    if (made >= 0 || made == -EEXIST)
        return true;
    const int error = -made;
    if (error == EROFS || error == EACCES || error == EPERM || error == ENOSPC || error == EDQUOT)
        return fail(writeError(error, m_windowsPath));
    return fail({CopyErrorKind::CreateFolder, m_windowsPath,
                 CopyText::tr("Cannot create the folder %1: %2.").arg(m_windowsPath, reasonFor(error))});
}

bool DestinationFolder::readNames() {
    QByteArrayList names;
    if (const int listed = m_io.listFolder(m_hostPath, names); listed < 0)
        return fail(writeError(-listed, m_windowsPath));
    sweepStaleTemps(m_io, m_hostPath, names);
    m_names.add(std::move(names));
    return true;
}

QString DestinationFolder::targetNameFor(const QString& sourceName) const {
    return m_names.existing(sourceName).value_or(sourceName);
}

void FolderNames::add(QByteArrayList raw) {
    std::sort(raw.begin(), raw.end());
    for (const QByteArray& bytes : raw) {
        const QString name = QFile::decodeName(bytes);
        if (QFile::encodeName(name) != bytes || isTempName(bytes))
            continue; // no Windows name spells it
        m_names.insert(name);
        m_byFoldedName.insert(name.toCaseFolded(), name); // when several fold alike, the last in byte order
    }
}

int FolderNames::read(FileIo& io, const QByteArray& hostFolder) {
    QByteArrayList names;
    const int listed = io.listFolder(hostFolder, names);
    if (listed >= 0)
        add(std::move(names));
    return std::min(listed, 0);
}

std::optional<QString> FolderNames::existing(const QString& name) const {
    if (m_names.contains(name))
        return name;
    const auto found = m_byFoldedName.constFind(name.toCaseFolded());
    return found == m_byFoldedName.cend() ? std::nullopt : std::optional(*found);
}

QByteArray DestinationFolder::hostPathOf(const QString& name) const {
    return m_hostPath + '/' + QFile::encodeName(name);
}

QString DestinationFolder::windowsPathOf(const QString& name) const {
    if (m_kind == PathKind::Host)
        return m_windowsPath + u'/' + name;
    return winpath::joinWindowsPath(m_windowsPath, name);
}

int makeFolderDurably(FileIo& io, const QByteArray& hostPath) {
    const int made = io.makeFolder(hostPath);
    if (made < 0 && made != -EEXIST)
        return made;
    // The new folder is an entry of its parent, durable only once the parent is synced.
    const int synced = syncFolderAt(io, parentOf(hostPath));
    return synced < 0 ? synced : made;
}

int DestinationFolder::sync() {
    return m_io.syncFolder(m_fd);
}

int syncFolderAt(FileIo& io, const QByteArray& hostPath) {
    const int fd = io.openFolder(hostPath);
    const int synced = fd < 0 ? fd : io.syncFolder(fd);
    if (fd >= 0)
        io.close(fd);
    return synced;
}

} // namespace quillmere::copy
