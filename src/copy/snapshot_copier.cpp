#include "copy/snapshot_copier.h"

#include <QCryptographicHash>

#include <cerrno>
#include <ctime>
#include <optional>

namespace quillmere::copy {

namespace {

// Small enough to stay in the processor's cache between the read, the hash and the write. Larger
// writes are slower, not faster: the kernel backs each with a folio of its size, and large ones are
// costly to find.
constexpr std::size_t BufferSize = std::size_t(128) << 10;
// The disk takes each such stretch of a large copy while the rest is read, rather than all of it
// at the sync.
constexpr qint64 WritebackBytes = qint64(8) << 20;
constexpr int SnapshotTries = 5;
constexpr int RetryPauseMs = 100;
// A file system stamps changes with a coarse clock (a few milliseconds). A change within this
// window could be followed by another that leaves the same stamp, so such a file is read only once
// it has been quiet for longer.
constexpr qint64 QuietNs = 50'000'000;

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool sameSnapshot(const FileStat& a, const FileStat& b) {
    return a.isSameFile(b) && a.size == b.size && sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
}

bool changedJustNow(const FileStat& file) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 age =
        (qint64(now.tv_sec) - file.changed.tv_sec) * 1'000'000'000 + (now.tv_nsec - file.changed.tv_nsec);
    return age >= 0 && age < QuietNs;
}

// What media without Unix permissions or times answer (FAT, exFAT, many FUSE file systems): the
// copy's data is what counts there.
bool isRefusal(int error) {
    return error == -EPERM || error == -ENOSYS || error == -EOPNOTSUPP;
}

class Descriptor final {
public:
    Descriptor(FileIo& io, int fd)
        : m_io(io)
        , m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            m_io.close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    FileIo& m_io;
    int m_fd;
};

} // namespace

SnapshotCopier::SnapshotCopier(FileIo& io, CopyProgress& progress)
    : m_io(io)
    , m_progress(progress)
    , m_buffer(BufferSize) {}

CopyStep SnapshotCopier::copy(const SourceFile& source, const QByteArray& folder, const QString& targetName,
                              WrittenCopy& out) {
    for (int attempt = 0; attempt < SnapshotTries; ++attempt) {
        if (attempt > 0)
            m_io.pause(RetryPauseMs);
        const CopyStep step = copyOnce(source, folder, targetName, out);
        if (step.status != CopyStep::SourceChanged)
            return step;
    }
    return {CopyStep::SourceChanged, 0};
}

CopyStep SnapshotCopier::copyOnce(const SourceFile& source, const QByteArray& folder, const QString& targetName,
                                  WrittenCopy& out) {
    const int in = m_io.openRead(source.hostPath);
    if (in < 0)
        return {CopyStep::ReadFailed, -in};
    const Descriptor closeIn(m_io, in);
    FileStat before;
    if (const int found = m_io.openStatus(in, before); found < 0)
        return {CopyStep::ReadFailed, -found};
    if (!before.isFile())
        return {CopyStep::ReadFailed, EINVAL};
    if (changedJustNow(before))
        return {CopyStep::SourceChanged, 0};

    out = WrittenCopy(m_io);
    if (const int created = out.temp.create(folder, targetName); created < 0)
        return {CopyStep::WriteFailed, -created};
    const CopyStep pumped = pump(in, before, source.name, out);
    if (pumped.status != CopyStep::Done)
        return pumped;

    // The same file, unchanged, and still the one under the name: else read again.
    FileStat after;
    FileStat named;
    if (const int found = m_io.openStatus(in, after); found < 0)
        return {CopyStep::ReadFailed, -found};
    if (!sameSnapshot(before, after) || out.size != after.size || m_io.pathStatus(source.hostPath, named) != 0 ||
        !named.isSameFile(after))
        return {CopyStep::SourceChanged, 0};
    if (const int stamped = stamp(out.temp.fd(), after); stamped < 0)
        return {CopyStep::WriteFailed, -stamped};
    return {CopyStep::Done, 0};
}

CopyStep SnapshotCopier::pump(int in, const FileStat& before, const QString& name, WrittenCopy& out) {
    m_hash.reset();
    std::optional<QCryptographicHash> sha256;
    if (m_computeSha256)
        sha256.emplace(QCryptographicHash::Sha256);
    m_io.adviseSequential(in);
    qint64 flushed = 0;
    m_progress.inFile(name, 0);
    for (;;) {
        if (m_progress.cancelled())
            return {CopyStep::Cancelled, 0};
        const ssize_t n = m_io.read(in, m_buffer.data(), m_buffer.size());
        if (n < 0)
            return {CopyStep::ReadFailed, int(-n)};
        if (n == 0)
            break;
        m_hash.add(m_buffer.data(), std::size_t(n));
        if (sha256)
            sha256->addData(QByteArrayView(m_buffer.data(), n));
        if (const int written = writeAll(out.temp.fd(), n); written < 0)
            return {CopyStep::WriteFailed, -written};
        out.size += n;
        // A file that grows while it is read has changed; no need to read it to its new end.
        if (out.size > before.size)
            return {CopyStep::SourceChanged, 0};
        if (out.size - flushed >= WritebackBytes) {
            m_io.startWriteback(out.temp.fd(), flushed, out.size - flushed);
            flushed = out.size;
        }
        m_progress.inFile(name, out.size);
    }
    out.hash = m_hash.result();
    if (sha256)
        out.sha256 = sha256->result().toHex();
    return {CopyStep::Done, 0};
}

// The first size bytes of the buffer: 0 or -errno.
int SnapshotCopier::writeAll(int fd, qint64 size) {
    for (qint64 offset = 0; offset < size;) {
        const ssize_t written = m_io.write(fd, m_buffer.data() + offset, std::size_t(size - offset));
        if (written <= 0)
            return written < 0 ? int(written) : -EIO;
        offset += written;
    }
    return 0;
}

int SnapshotCopier::stamp(int fd, const FileStat& snapshot) {
    const int moded = m_io.setMode(fd, snapshot.mode & 0777);
    if (moded < 0 && !isRefusal(moded))
        return moded;
    const int timed = m_io.setModified(fd, snapshot.modified);
    return timed < 0 && !isRefusal(timed) ? timed : 0;
}

int SnapshotCopier::verify(const WrittenCopy& copy) {
    const int fd = copy.temp.reopenRead();
    if (fd < 0)
        return fd;
    const Descriptor closeFd(m_io, fd);
    FileStat written;
    FileStat opened;
    if (const int found = m_io.openStatus(copy.temp.fd(), written); found < 0)
        return found;
    if (const int found = m_io.openStatus(fd, opened); found < 0)
        return found;
    if (!opened.isSameFile(written))
        return 0; // the name leads elsewhere now: a later reader would not get this copy
    qint64 size = 0;
    if (const int read = hashReadBack(fd, size); read < 0)
        return read;
    return size == copy.size && m_hash.result() == copy.hash ? 1 : 0;
}

// Hashes the whole file fd into m_hash and counts its bytes: 0 or -errno.
int SnapshotCopier::hashReadBack(int fd, qint64& size) {
    m_io.adviseSequential(fd);
    m_hash.reset();
    for (;;) {
        const ssize_t n = m_io.readAt(fd, m_buffer.data(), m_buffer.size(), size);
        if (n < 0)
            return int(n);
        if (n == 0)
            return 0;
        m_hash.add(m_buffer.data(), std::size_t(n));
        size += n;
        m_progress.stillWorking();
    }
}

} // namespace quillmere::copy
