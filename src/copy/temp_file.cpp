#include "copy/temp_file.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <utility>

namespace quillmere::copy {

namespace {

// Leaves room for the prefix and the suffix within the 255-byte limit of a name.
constexpr qsizetype MaxStemBytes = 200;
constexpr int NameTries = 100;

QByteArray stemFor(const QString& targetName) {
    QByteArray stem = QFile::encodeName(targetName);
    if (stem.size() > MaxStemBytes) {
        // Cut before a character, never inside one: a name that is not valid UTF-8 is one no
        // listing can spell back.
        qsizetype cut = MaxStemBytes;
        while (cut > 0 && (static_cast<unsigned char>(stem.at(cut)) & 0xC0) == 0x80)
            --cut;
        stem.truncate(cut);
    }
    return stem;
}

bool lacksUnnamedFiles(int error) {
    return error == -EOPNOTSUPP || error == -EISDIR || error == -EINVAL || error == -ENOSYS;
}

} // namespace

bool isTempName(const QByteArray& name) {
    return name.startsWith(TempPrefix) && name.endsWith(TempSuffix);
}

TempFile::TempFile(TempFile&& other) noexcept
    : m_io(other.m_io)
    , m_fd(std::exchange(other.m_fd, -1))
    , m_folder(std::move(other.m_folder))
    , m_stem(std::move(other.m_stem))
    , m_path(std::exchange(other.m_path, QByteArray())) {}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        discard();
        m_io = other.m_io;
        m_fd = std::exchange(other.m_fd, -1);
        m_folder = std::move(other.m_folder);
        m_stem = std::move(other.m_stem);
        m_path = std::exchange(other.m_path, QByteArray());
    }
    return *this;
}

int TempFile::create(const QByteArray& folder, const QString& targetName) {
    discard();
    m_folder = folder;
    m_stem = stemFor(targetName);
    const int fd = m_io->createUnnamed(folder);
    if (fd >= 0) {
        // Nobody can reach the file before it has a name, so this lock cannot be contended; where it
        // fails the file system has no locks, and no sweep can take the file either.
        m_io->lock(fd);
        m_fd = fd;
        return 0;
    }
    return lacksUnnamedFiles(fd) ? createNamed() : fd;
}

QByteArray TempFile::freshPath() const {
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    // The system's generator: a process-wide one repeats itself in every process forked after it.
    quint64 bits = QRandomGenerator::system()->generate64();
    QByteArray unique(6, 'X');
    for (char& c : unique) {
        c = Letters[bits % (sizeof Letters - 1)];
        bits /= sizeof Letters - 1;
    }
    return m_folder + '/' + TempPrefix + m_stem + '.' + unique + TempSuffix;
}

int TempFile::createNamed() {
    for (int attempt = 0; attempt < NameTries; ++attempt) {
        const QByteArray path = freshPath();
        const int fd = m_io->createNew(path);
        if (fd == -EEXIST)
            continue;
        if (fd < 0)
            return fd;
        if (holdsLock(fd, path)) {
            m_fd = fd;
            m_path = path;
            return 0;
        }
        m_io->close(fd); // another copy's sweep took it and removes it
    }
    return -EEXIST;
}

// Between its creation and this lock, the sweep of another copy may have taken the file: it is
// ours only when the lock holds and the name still leads to it.
bool TempFile::holdsLock(int fd, const QByteArray& path) {
    if (m_io->lock(fd) == -EWOULDBLOCK)
        return false;
    // Any other failure: a file system without locks, where no sweep can lock the file either.
    FileStat opened;
    FileStat named;
    return m_io->openStatus(fd, opened) == 0 && opened.links > 0 && m_io->linkStatus(path, named) == 0 &&
           opened.isSameFile(named);
}

int TempFile::nameUnnamed() {
    for (int attempt = 0; attempt < NameTries; ++attempt) {
        const QByteArray path = freshPath();
        const int linked = m_io->linkUnnamed(m_fd, path);
        if (linked == -EEXIST)
            continue;
        if (linked < 0)
            return linked;
        m_path = path;
        return 0;
    }
    return -EEXIST;
}

int TempFile::publish(const QByteArray& target) {
    // A name first, since only a rename can replace a file in one step.
    const int named = m_path.isEmpty() ? nameUnnamed() : 0;
    const int renamed = named < 0 ? named : m_io->rename(m_path, target);
    if (renamed < 0) {
        discard();
        return renamed;
    }
    m_path.clear();
    m_io->close(std::exchange(m_fd, -1)); // the data was synced and checked before
    return 0;
}

void TempFile::discard() {
    // Removed while still locked, so that no sweep sees it half-gone.
    if (!m_path.isEmpty())
        m_io->unlink(std::exchange(m_path, QByteArray()));
    if (m_fd >= 0)
        m_io->close(std::exchange(m_fd, -1));
}

void sweepStaleTemps(FileIo& io, const QByteArray& folder, const QByteArrayList& names) {
    for (const QByteArray& name : names) {
        if (!isTempName(name))
            continue;
        const QByteArray path = folder + '/' + name;
        FileStat named;
        if (io.linkStatus(path, named) != 0 || !named.isFile())
            continue;
        const int fd = io.openRead(path);
        if (fd < 0)
            continue;
        // A live copy holds its lock until the file is renamed or removed.
        FileStat opened;
        if (io.lock(fd) == 0 && io.openStatus(fd, opened) == 0 && io.linkStatus(path, named) == 0 &&
            opened.isSameFile(named))
            io.unlink(path);
        io.close(fd);
    }
}

} // namespace quillmere::copy
