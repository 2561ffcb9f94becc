#include "copy/file_copy_engine.h"

#include "host/drive_map.h"
#include "host/hidden_files.h"
#include "winpath/wildcard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace quillmere::copy {

namespace {

constexpr size_t CopyChunk = 2 * 1024 * 1024;   // one in-kernel copy call, one progress step
constexpr size_t BufferSize = 1024 * 1024;      // the read/write fallback's buffer
constexpr qint64 BatchBytes = 64 * 1024 * 1024; // written but not yet renamed, at most
constexpr int BatchFiles = 256;                 // also bounds the open descriptors

QString tr(const char* text) {
    return QCoreApplication::translate("ShellCopy", text);
}

int negErrno(int result) {
    return result < 0 ? -errno : result;
}

ssize_t negErrno(ssize_t result) {
    return result < 0 ? -errno : result;
}

QDateTime toDateTime(const struct timespec& ts) {
    return QDateTime::fromMSecsSinceEpoch(qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

bool isFallbackError(ssize_t error) {
    return error == -ENOSYS || error == -EXDEV || error == -EINVAL || error == -EOPNOTSUPP || error == -EBADF;
}

// Splits "C:\Saves\Hero*.*" into its folder and its pattern, the way the shell reads a source entry.
void splitSource(const QString& entry, QString& folder, QString& pattern) {
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

} // namespace

// ---- the POSIX file calls -------------------------------------------------------------------

int FileIo::openRead(const QByteArray& path) {
    // Non-blocking, so a FIFO that slipped into the list cannot hang the open.
    return negErrno(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

int FileIo::openFolder(const QByteArray& path) {
    return negErrno(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

int FileIo::createTemp(QByteArray& pathTemplate, int suffixLength) {
    return negErrno(::mkostemps(pathTemplate.data(), suffixLength, O_CLOEXEC));
}

ssize_t FileIo::read(int fd, void* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return negErrno(n);
}

ssize_t FileIo::write(int fd, const void* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::write(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return negErrno(n);
}

ssize_t FileIo::copyRange(int in, int out, size_t size) {
    ssize_t n;
    do {
        n = ::copy_file_range(in, nullptr, out, nullptr, size, 0);
    } while (n < 0 && errno == EINTR);
    return negErrno(n);
}

int FileIo::setTimesAndMode(int fd, const struct timespec times[2], mode_t mode) {
    if (::fchmod(fd, mode) < 0)
        return -errno;
    return negErrno(::futimens(fd, times));
}

int FileIo::sync(int fd) {
    return negErrno(::fsync(fd));
}

int FileIo::syncFileSystem(int fd) {
    return negErrno(::syncfs(fd));
}

int FileIo::rename(const QByteArray& from, const QByteArray& to) {
    return negErrno(::rename(from.constData(), to.constData()));
}

int FileIo::unlink(const QByteArray& path) {
    return negErrno(::unlink(path.constData()));
}

int FileIo::close(int fd) {
    return negErrno(::close(fd));
}

FileIo& defaultFileIo() {
    static FileIo io;
    return io;
}

bool isCopyTempName(const QString& name) {
    return name.startsWith(QLatin1String(CopyTempPrefix)) && name.endsWith(QLatin1String(CopyTempSuffix));
}

// ---- the engine -----------------------------------------------------------------------------

struct FileCopyEngine::Source {
    QString name;     // host name, also the name of the copy
    QString hostPath; // host path of the source file
    qint64 size = 0;
    struct timespec modified {};
};

struct FileCopyEngine::Pending {
    int fd = -1;
    QByteArray tempPath;
    QByteArray targetPath;
    QString targetName;
    qint64 size = 0;
};

class FileCopyEngine::Run final {
public:
    Run(FileCopyEngine& engine, const QString& destination)
        : m_ui(engine.m_ui)
        , m_io(engine.m_io)
        , m_yesToAll(engine.m_noConfirmation)
        , m_noConfirmMkdir(engine.m_noConfirmMkdir)
        , m_destination(destination) {}

    ~Run() {
        discardPending();
        if (m_dirFd >= 0)
            m_io.close(m_dirFd);
    }

    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    CopyResult exec(const QStringList& entries);

private:
    enum class Step { Done, Skipped, Stop };

    bool collectSources(const QStringList& entries);
    bool prepareDestination();
    void removeStaleTemps();
    void indexDestination();
    QString targetNameFor(const QString& name) const;
    bool refuseSameFiles();
    Step copyOne(const Source& source);
    int writeTemp(const Source& source, Pending& out, int& failedSide);
    bool flush();
    void discardPending();

    void fail(CopyErrorKind kind, int code, const QString& path, const QString& message);
    void failFromErrno(int error, bool writing, const QString& path);
    CopyResult cancel();

    QByteArray hostBytes(const QString& name) const { return QFile::encodeName(m_destHost + u'/' + name); }
    QString destWindows(const QString& name) const { return winpath::joinWindowsPath(m_destination, name); }

    ShellCopyUi& m_ui;
    FileIo& m_io;
    bool m_yesToAll;
    bool m_noConfirmMkdir;
    QString m_destination; // Windows form, as given
    QString m_destHost;
    int m_dirFd = -1;

    std::vector<Source> m_sources;
    QHash<QString, QString> m_foldedNames; // case-folded name -> name on disk, in the destination
    QSet<QString> m_exactNames;
    std::vector<Pending> m_pending;
    QSet<QString> m_pendingTargets;
    qint64 m_pendingBytes = 0;
    qint64 m_total = 0;
    qint64 m_done = 0;
    std::vector<char> m_buffer;
    bool m_useCopyRange = true;
    bool m_batchSync = true;

    CopyResult m_result;
};

CopyResult FileCopyEngine::copy(const QStringList& sources, const QString& destinationFolder) {
    Run run(*this, destinationFolder);
    return run.exec(sources);
}

FileCopyEngine::FileCopyEngine(ShellCopyUi& ui, FileIo& io)
    : m_ui(ui)
    , m_io(io) {}

CopyResult FileCopyEngine::Run::exec(const QStringList& entries) {
    if (!collectSources(entries) || !prepareDestination())
        return m_result;
    removeStaleTemps();
    indexDestination();
    if (!refuseSameFiles())
        return m_result;

    for (const Source& source : m_sources)
        m_total += source.size;

    for (const Source& source : m_sources) {
        if (m_ui.cancelled())
            return cancel();
        const Step step = copyOne(source);
        if (step == Step::Stop)
            return m_result;
        if (step == Step::Skipped)
            m_done += source.size;
    }
    if (!flush())
        return m_result;
    m_ui.progress(QString(), m_total, m_total);
    return m_result;
}

bool FileCopyEngine::Run::collectSources(const QStringList& entries) {
    for (const QString& entry : entries) {
        QString folder;
        QString pattern;
        splitSource(entry, folder, pattern);
        const host::ResolvedPath resolved = host::resolve(folder);
        if (resolved.status == host::PathStatus::NotReady) {
            fail(CopyErrorKind::NotReady, copycode::NotReady, folder,
                 tr("Cannot copy from %1: the device is not ready.").arg(folder));
            return false;
        }
        if (resolved.status != host::PathStatus::Ok || pattern.isEmpty()) {
            fail(CopyErrorKind::PathNotFound, copycode::PathNotFound, entry,
                 tr("Cannot copy %1: the path cannot be found.").arg(entry));
            return false;
        }
        // A folder that is there but cannot be listed is not the same as one with no match.
        const int folderFd = m_io.openFolder(QFile::encodeName(resolved.hostPath));
        if (folderFd < 0 && folderFd != -ENOENT && folderFd != -ENOTDIR) {
            fail(CopyErrorKind::ReadFailed, copycode::AccessDenied, folder,
                 tr("Cannot copy from %1: the folder cannot be read.").arg(folder));
            return false;
        }
        if (folderFd >= 0)
            m_io.close(folderFd);
        const QDir dir(resolved.hostPath);
        const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
        for (const QString& name : names) {
            if (!winpath::matchesWildcard(pattern, name) || !winpath::isAddressableName(name))
                continue;
            const QString hostPath = dir.filePath(name);
            struct stat st {};
            if (::stat(QFile::encodeName(hostPath).constData(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            if (host::isHiddenHostFile(hostPath))
                continue;
            m_sources.push_back({name, hostPath, qint64(st.st_size), st.st_mtim});
        }
    }
    if (m_sources.empty()) {
        // Wine's shell quietly reports success here; an empty backup must not pass for a good one.
        const QString what = entries.value(0);
        fail(CopyErrorKind::NoMatch, copycode::FileNotFound, what,
             tr("Cannot copy %1: no file matches this name.").arg(what));
        return false;
    }
    std::sort(m_sources.begin(), m_sources.end(), [](const Source& a, const Source& b) {
        const int folded = a.name.compare(b.name, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.name < b.name;
    });
    return true;
}

bool FileCopyEngine::Run::prepareDestination() {
    const host::ResolvedPath resolved = host::resolve(m_destination);
    if (resolved.status == host::PathStatus::NotReady) {
        fail(CopyErrorKind::NotReady, copycode::NotReady, m_destination,
             tr("Cannot copy to %1: the device is not ready.").arg(m_destination));
        return false;
    }
    if (resolved.status != host::PathStatus::Ok) {
        fail(CopyErrorKind::PathNotFound, copycode::PathNotFound, m_destination,
             tr("Cannot copy to %1: the path cannot be found.").arg(m_destination));
        return false;
    }
    m_destHost = resolved.hostPath;
    const QByteArray host = QFile::encodeName(m_destHost);
    struct stat st {};
    if (::stat(host.constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            fail(CopyErrorKind::DestinationIsFile, copycode::BadFolder, m_destination,
                 tr("Cannot copy to %1: a file of that name exists where a folder is expected.").arg(m_destination));
            return false;
        }
    } else {
        if (!m_noConfirmMkdir && !m_ui.confirmCreateFolder(m_destination)) {
            m_result = {copycode::Cancelled, true};
            return false;
        }
        if (!QDir().mkpath(m_destHost)) {
            const int error = errno;
            if (error == EROFS || error == EACCES || error == EPERM || error == ENOSPC || error == EDQUOT) {
                failFromErrno(error, true, m_destination);
            } else {
                fail(
                    CopyErrorKind::CreateFolder, copycode::PathNotFound, m_destination,
                    tr("Cannot create the folder %1: %2.").arg(m_destination, QString::fromLocal8Bit(strerror(error))));
            }
            return false;
        }
    }
    m_dirFd = m_io.openFolder(host);
    if (m_dirFd < 0) {
        failFromErrno(-m_dirFd, false, m_destination);
        m_dirFd = -1;
        return false;
    }
    // Where a file-system sync may not reach the real storage (a FUSE server, a network share),
    // each file gets its own fsync.
    struct statfs fs {};
    if (::fstatfs(m_dirFd, &fs) == 0) {
        switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x65735546UL: // FUSE
        case 0x6969UL:     // NFS
        case 0xFE534D42UL: // SMB2
        case 0xFF534D42UL: // CIFS
        case 0x517BUL:     // SMB
            m_batchSync = false;
            break;
        default:
            break;
        }
    }
    return true;
}

void FileCopyEngine::Run::removeStaleTemps() {
    // A live copy holds a lock on its temporary file; one that nobody locks was left by a copy
    // that was killed, and is only a partial or unrenamed duplicate.
    const QStringList names =
        QDir(m_destHost)
            .entryList({QString::fromLatin1(CopyTempPrefix) + u'*'}, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!isCopyTempName(name))
            continue;
        const QByteArray path = hostBytes(name);
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

void FileCopyEngine::Run::indexDestination() {
    const QStringList names =
        QDir(m_destHost).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        m_exactNames.insert(name);
        m_foldedNames.insert(name.toCaseFolded(), name);
    }
}

QString FileCopyEngine::Run::targetNameFor(const QString& name) const {
    // Windows names ignore case: Hero.d2s replaces an existing hero.d2s rather than joining it.
    if (m_exactNames.contains(name))
        return name;
    return m_foldedNames.value(name.toCaseFolded(), name);
}

bool FileCopyEngine::Run::refuseSameFiles() {
    // Before anything is opened for writing: the same file under another spelling, a link, or the
    // same folder as source and destination.
    for (const Source& source : m_sources) {
        struct stat from {};
        struct stat to {};
        if (::stat(QFile::encodeName(source.hostPath).constData(), &from) != 0)
            continue;
        if (::stat(hostBytes(targetNameFor(source.name)).constData(), &to) != 0)
            continue;
        if (from.st_dev == to.st_dev && from.st_ino == to.st_ino) {
            fail(CopyErrorKind::SameFile, copycode::SameFile, destWindows(source.name),
                 tr("Cannot copy %1: the source and destination file names are the same.").arg(source.name));
            return false;
        }
    }
    return true;
}

FileCopyEngine::Run::Step FileCopyEngine::Run::copyOne(const Source& source) {
    QString targetName = targetNameFor(source.name);
    // A second source landing on a file this run already wrote must see it in place.
    if (m_pendingTargets.contains(targetName.toCaseFolded()) && !flush())
        return Step::Stop;

    struct stat existing {};
    if (::stat(hostBytes(targetName).constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            fail(CopyErrorKind::WriteFailed, copycode::DestIsFolder, destWindows(targetName),
                 tr("Cannot copy %1: a folder of that name exists in the destination.").arg(source.name));
            return Step::Stop;
        }
        if (!m_yesToAll) {
            ReplaceInfo info;
            info.name = targetName;
            info.destination = m_destination;
            info.existingSize = existing.st_size;
            info.existingModified = toDateTime(existing.st_mtim);
            info.newSize = source.size;
            info.newModified = toDateTime(source.modified);
            switch (m_ui.confirmReplace(info)) {
            case ReplaceAnswer::Yes:
                break;
            case ReplaceAnswer::YesToAll:
                m_yesToAll = true;
                break;
            case ReplaceAnswer::No:
                m_result.aborted = true;
                return Step::Skipped;
            case ReplaceAnswer::Cancel:
                cancel();
                return Step::Stop;
            }
        }
    }

    for (int attempt = 0;; ++attempt) {
        Pending pending;
        pending.targetName = targetName;
        pending.targetPath = hostBytes(targetName);
        const qint64 doneBefore = m_done;
        int side = 0; // 1 reading, 2 writing, 3 cancelled
        const int error = writeTemp(source, pending, side);
        if (error == 0) {
            m_pendingBytes += pending.size;
            m_pendingTargets.insert(targetName.toCaseFolded());
            m_pending.push_back(std::move(pending));
            if ((m_pendingBytes >= BatchBytes || int(m_pending.size()) >= BatchFiles) && !flush())
                return Step::Stop;
            return Step::Done;
        }
        m_done = doneBefore;
        if (side == 3) {
            cancel();
            return Step::Stop;
        }
        // Renaming what is already written frees the space of the files it replaces.
        if ((error == ENOSPC || error == EDQUOT) && attempt == 0 && !m_pending.empty()) {
            if (!flush())
                return Step::Stop;
            continue;
        }
        if (!flush())
            return Step::Stop;
        if (side == 1) {
            fail(CopyErrorKind::ReadFailed, copycode::ReadFault, source.name,
                 tr("Cannot copy %1: cannot read from the source file or disk (%2).")
                     .arg(source.name, QString::fromLocal8Bit(strerror(error))));
        } else {
            failFromErrno(error, true, destWindows(targetName));
        }
        return Step::Stop;
    }
}

// Writes the source into a new marked temporary file in the destination folder; on success the
// file is complete, stamped and still open in out.fd. Returns 0 or an errno; side tells where a
// failure came from. Nothing is left behind on failure.
int FileCopyEngine::Run::writeTemp(const Source& source, Pending& out, int& side) {
    side = 1;
    const int in = m_io.openRead(QFile::encodeName(source.hostPath));
    if (in < 0)
        return -in;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_io.close(in);
        return EINVAL;
    }

    side = 2;
    // Long names are shortened so that the temporary name still fits the 255-byte limit.
    QByteArray stem = QFile::encodeName(out.targetName).left(200);
    QByteArray tmpl = hostBytes(QString()) + CopyTempPrefix + stem + ".XXXXXX" + CopyTempSuffix;
    const int fd = m_io.createTemp(tmpl, int(std::strlen(CopyTempSuffix)));
    if (fd < 0) {
        m_io.close(in);
        return -fd;
    }
    ::flock(fd, LOCK_EX | LOCK_NB);
    out.fd = fd;
    out.tempPath = tmpl;

    auto abandon = [&](int error) {
        m_io.close(in);
        m_io.close(fd);
        m_io.unlink(tmpl);
        out.fd = -1;
        return error;
    };

    qint64 written = 0;
    const qint64 base = m_done;
    m_ui.progress(source.name, m_done, m_total);
    for (;;) {
        if (m_ui.cancelled()) {
            side = 3;
            return abandon(ECANCELED);
        }
        ssize_t n = 0;
        if (m_useCopyRange) {
            n = m_io.copyRange(in, fd, CopyChunk);
            if (n < 0 && isFallbackError(n)) {
                m_useCopyRange = false;
                continue;
            }
            if (n < 0) {
                // The in-kernel copy cannot say which side failed; the reason alone is shown.
                side = 2;
                return abandon(int(-n));
            }
            if (n == 0 && written < st.st_size) {
                // Some file systems answer 0 where they cannot copy in the kernel.
                m_useCopyRange = false;
                continue;
            }
        } else {
            if (m_buffer.empty())
                m_buffer.resize(BufferSize);
            side = 1;
            n = m_io.read(in, m_buffer.data(), m_buffer.size());
            if (n < 0)
                return abandon(int(-n));
            side = 2;
            for (ssize_t off = 0; off < n;) {
                const ssize_t w = m_io.write(fd, m_buffer.data() + off, size_t(n - off));
                if (w < 0)
                    return abandon(int(-w));
                if (w == 0)
                    return abandon(EIO);
                off += w;
            }
        }
        if (n == 0)
            break;
        written += n;
        m_done = base + std::min<qint64>(written, source.size);
        m_ui.progress(source.name, m_done, m_total);
    }
    m_done = base + source.size;

    side = 2;
    const struct timespec times[2] = {{0, UTIME_NOW}, st.st_mtim};
    const int stamped = m_io.setTimesAndMode(fd, times, st.st_mode & 0777);
    if (stamped < 0)
        return abandon(-stamped);
    m_io.close(in);
    out.size = written;
    return 0;
}

// Makes every written temporary file durable, then renames each over its target. For a batch, one
// file-system sync replaces an fsync per file: each fsync ends in a flush of the disk's cache, which
// dominates the copy of small files. syncfs reports a write-back error of any file of the batch
// (the whole batch is then dropped), so nothing is renamed before its data is safe.
bool FileCopyEngine::Run::flush() {
    if (m_pending.empty())
        return true;
    int error = 0;
    if (m_batchSync && m_pending.size() > 1) {
        const int synced = m_io.syncFileSystem(m_dirFd);
        if (synced < 0)
            error = -synced;
    } else {
        for (size_t k = 0; k < m_pending.size() && error == 0; ++k) {
            const int synced = m_io.sync(m_pending[k].fd);
            if (synced < 0)
                error = -synced;
        }
    }
    size_t i = 0;
    for (; i < m_pending.size() && error == 0; ++i) {
        Pending& p = m_pending[i];
        const int r = m_io.rename(p.tempPath, p.targetPath);
        m_io.close(p.fd);
        p.fd = -1;
        if (r < 0) {
            m_io.unlink(p.tempPath);
            error = -r;
            break;
        }
        m_exactNames.insert(p.targetName);
        m_foldedNames.insert(p.targetName.toCaseFolded(), p.targetName);
    }
    const QString failedName = error ? m_pending[std::min(i, m_pending.size() - 1)].targetName : QString();
    m_pending.erase(m_pending.begin(), m_pending.begin() + qsizetype(std::min(i, m_pending.size())));
    discardPending();
    m_io.sync(m_dirFd); // the renames themselves
    if (error != 0) {
        failFromErrno(error, true, destWindows(failedName));
        return false;
    }
    return true;
}

void FileCopyEngine::Run::discardPending() {
    for (Pending& p : m_pending) {
        if (p.fd >= 0)
            m_io.close(p.fd);
        m_io.unlink(p.tempPath);
    }
    m_pending.clear();
    m_pendingTargets.clear();
    m_pendingBytes = 0;
}

CopyResult FileCopyEngine::Run::cancel() {
    // Whole files written before the Cancel are kept, as the shell keeps what it copied.
    const bool flushed = flush();
    m_result.aborted = true;
    if (flushed)
        m_result.code = copycode::Cancelled;
    return m_result;
}

void FileCopyEngine::Run::fail(CopyErrorKind kind, int code, const QString& path, const QString& message) {
    m_result.code = code;
    m_ui.reportError({kind, path, message});
}

void FileCopyEngine::Run::failFromErrno(int error, bool writing, const QString& path) {
    const QString reason = QString::fromLocal8Bit(strerror(error));
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        fail(CopyErrorKind::DiskFull, copycode::DiskFull, path,
             tr("Cannot copy to %1: there is not enough free disk space.").arg(path));
        return;
    case EROFS:
        fail(CopyErrorKind::ReadOnly, copycode::WriteProtect, path,
             tr("Cannot copy to %1: the disk is write-protected.").arg(path));
        return;
    case EACCES:
    case EPERM:
        fail(CopyErrorKind::ReadOnly, copycode::AccessDenied, path,
             tr("Cannot copy to %1: access is denied; the folder is read-only.").arg(path));
        return;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
        fail(CopyErrorKind::NotReady, copycode::NotReady, path,
             tr("Cannot copy to %1: the device is not ready.").arg(path));
        return;
    default:
        fail(CopyErrorKind::WriteFailed, writing ? copycode::WriteFault : copycode::ReadFault, path,
             tr("Cannot copy to %1: %2.").arg(path, reason));
        return;
    }
}

} // namespace quillmere::copy
