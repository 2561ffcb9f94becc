#include "recording_io.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <unistd.h>

namespace quillmere::crash {

namespace {

QByteArray resolved(const QByteArray& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.constData(), buffer) ? QByteArray(buffer) : path;
}

} // namespace

RecordingIo::RecordingIo(const QByteArray& root)
    : m_root(resolved(root)) {
    m_log.root = m_root;
}

CrashLog RecordingIo::log() const {
    const std::lock_guard lock(m_mutex);
    return m_log;
}

void RecordingIo::markReported() {
    const std::lock_guard lock(m_mutex);
    m_log.reportedAt = qsizetype(m_log.steps.size());
}

QByteArray RecordingIo::relative(const QByteArray& path, bool resolveLeaf, QByteArray* outside) const {
    QByteArray full;
    if (resolveLeaf) {
        full = resolved(path);
    } else {
        const qsizetype cut = path.lastIndexOf('/');
        full = cut < 0 ? resolved(".") + '/' + path : resolved(cut == 0 ? "/" : path.left(cut)) + path.mid(cut);
    }
    if (full == m_root)
        return {};
    if (full.startsWith(m_root + '/'))
        return full.mid(m_root.size() + 1);
    *outside = path;
    return full;
}

Step RecordingIo::at(Step::Kind kind, const QByteArray& path, bool resolveLeaf) const {
    Step step;
    step.kind = kind;
    step.path = relative(path, resolveLeaf, &step.outside);
    return step;
}

int RecordingIo::fileOf(int fd) const {
    const std::lock_guard lock(m_mutex);
    return m_files.value(fd, 0);
}

int RecordingIo::newFile(int fd) {
    const std::lock_guard lock(m_mutex);
    m_files.insert(fd, ++m_made);
    return m_made;
}

void RecordingIo::append(Step step) {
    const std::lock_guard lock(m_mutex);
    m_log.steps.push_back(std::move(step));
}

int RecordingIo::openFolder(const QByteArray& path) {
    const int fd = FileIo::openFolder(path);
    if (fd >= 0) {
        QByteArray outside;
        QByteArray folder = relative(path, true, &outside);
        const std::lock_guard lock(m_mutex);
        m_folders.insert(fd, outside.isEmpty() ? folder : QByteArray("\n") + outside);
    }
    return fd;
}

int RecordingIo::makeFolder(const QByteArray& path) {
    Step step = at(Step::Kind::MakeFolder, path);
    const int made = FileIo::makeFolder(path);
    if (made == 0)
        append(std::move(step));
    return made;
}

int RecordingIo::createUnnamed(const QByteArray& folder) {
    if (noUnnamed)
        return -EOPNOTSUPP;
    Step step = at(Step::Kind::CreateUnnamed, folder, true);
    const int fd = FileIo::createUnnamed(folder);
    if (fd >= 0) {
        step.file = newFile(fd);
        append(std::move(step));
    }
    return fd;
}

int RecordingIo::createNew(const QByteArray& path) {
    Step step = at(Step::Kind::CreateFile, path);
    const int fd = FileIo::createNew(path);
    if (fd >= 0) {
        step.file = newFile(fd);
        append(std::move(step));
    }
    return fd;
}

int RecordingIo::linkUnnamed(int fd, const QByteArray& path) {
    Step step = at(Step::Kind::Link, path);
    step.file = fileOf(fd);
    const int linked = FileIo::linkUnnamed(fd, path);
    if (linked == 0)
        append(std::move(step));
    return linked;
}

ssize_t RecordingIo::write(int fd, const void* buffer, size_t size) {
    Step step;
    step.kind = Step::Kind::Write;
    step.file = fileOf(fd);
    step.offset = qint64(::lseek(fd, 0, SEEK_CUR));
    const ssize_t written = FileIo::write(fd, buffer, size);
    if (written > 0) {
        step.data = QByteArray(static_cast<const char*>(buffer), qsizetype(written));
        append(std::move(step));
    }
    return written;
}

int RecordingIo::setMode(int fd, mode_t mode) {
    Step step;
    step.kind = Step::Kind::SetMode;
    step.file = fileOf(fd);
    step.mode = mode;
    const int set = FileIo::setMode(fd, mode);
    if (set == 0)
        append(std::move(step));
    return set;
}

int RecordingIo::setModified(int fd, const timespec& modified) {
    Step step;
    step.kind = Step::Kind::SetModified;
    step.file = fileOf(fd);
    step.modified = modified;
    const int set = FileIo::setModified(fd, modified);
    if (set == 0)
        append(std::move(step));
    return set;
}

int RecordingIo::syncFile(int fd) {
    Step step;
    step.kind = Step::Kind::SyncFile;
    step.file = fileOf(fd);
    const int synced = FileIo::syncFile(fd);
    if (synced == 0)
        append(std::move(step));
    return synced;
}

int RecordingIo::syncFolder(int fd) {
    Step step;
    step.kind = Step::Kind::SyncFolder;
    {
        const std::lock_guard lock(m_mutex);
        const QByteArray folder = m_folders.value(fd, QByteArray("\n?"));
        if (folder.startsWith('\n'))
            step.outside = folder.mid(1);
        else
            step.path = folder;
    }
    const int synced = FileIo::syncFolder(fd);
    if (synced == 0)
        append(std::move(step));
    return synced;
}

int RecordingIo::rename(const QByteArray& from, const QByteArray& to) {
    Step step = at(Step::Kind::Rename, from);
    step.to = relative(to, false, &step.outside);
    const int renamed = FileIo::rename(from, to);
    if (renamed == 0)
        append(std::move(step));
    return renamed;
}

int RecordingIo::unlink(const QByteArray& path) {
    Step step = at(Step::Kind::Unlink, path);
    const int removed = FileIo::unlink(path);
    if (removed == 0)
        append(std::move(step));
    return removed;
}

int RecordingIo::removeFolder(const QByteArray& path) {
    Step step = at(Step::Kind::RemoveFolder, path);
    const int removed = FileIo::removeFolder(path);
    if (removed == 0)
        append(std::move(step));
    return removed;
}

int RecordingIo::close(int fd) {
    {
        // Forgotten before the descriptor is free for another open.
        const std::lock_guard lock(m_mutex);
        m_files.remove(fd);
        m_folders.remove(fd);
    }
    return FileIo::close(fd);
}

} // namespace quillmere::crash
