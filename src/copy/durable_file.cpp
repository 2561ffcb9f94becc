#include "copy/durable_file.h"

#include "copy/destination_folder.h"
#include "copy/temp_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

namespace quillmere::copy {

int writeAllTo(FileIo& io, int fd, const QByteArray& data) {
    for (qsizetype offset = 0; offset < data.size();) {
        const ssize_t written = io.write(fd, data.constData() + offset, std::size_t(data.size() - offset));
        if (written <= 0)
            return written < 0 ? int(written) : -EIO;
        offset += written;
    }
    return 0;
}

int writeFileDurably(FileIo& io, const QByteArray& folder, const QString& name, const QByteArray& data) {
    TempFile temp(io);
    if (const int created = temp.create(folder, name); created < 0)
        return created;
    if (const int written = writeAllTo(io, temp.fd(), data); written < 0)
        return written;
    if (const int synced = io.syncFile(temp.fd()); synced < 0)
        return synced;
    if (const int renamed = temp.publish(folder + '/' + QFile::encodeName(name)); renamed < 0)
        return renamed;
    return syncFolderAt(io, folder);
}

namespace {

// Reads to the end, at most limit bytes, into room for the size the file had when opened and a byte
// more, which tells that it grew; the room grows only when it did. 0 or -errno.
int readToEnd(FileIo& io, int fd, qint64 expected, qint64 limit, QByteArray& out) {
    out.resize(qsizetype(std::min(expected, limit)) + 1);
    qsizetype total = 0;
    while (total < out.size() || total <= limit) {
        if (total == out.size())
            out.resize(qsizetype(std::min<qint64>(qint64(out.size()) * 2, limit + 1)));
        const ssize_t n = io.read(fd, out.data() + total, std::size_t(out.size() - total));
        if (n < 0)
            return int(n);
        if (n == 0)
            break;
        total += n;
    }
    out.truncate(total);
    return total > limit ? -EFBIG : 0; // grew while it was read
}

} // namespace

int makeFoldersDurably(FileIo& io, const QByteArray& path) {
    QByteArrayList missing; // outermost first
    FileStat found;
    for (QByteArray level = path; level.size() > 1 && io.pathStatus(level, found) == -ENOENT;
         level = level.left(std::max<qsizetype>(level.lastIndexOf('/'), 1)))
        missing.prepend(level);
    for (const QByteArray& level : missing) {
        if (const int made = makeFolderDurably(io, level); made < 0 && made != -EEXIST)
            return made;
    }
    if (const int status = io.pathStatus(path, found); status < 0)
        return status;
    return found.isFolder() ? 0 : -ENOTDIR;
}

int readSmallFile(FileIo& io, const QByteArray& path, qint64 maxBytes, QByteArray& out) {
    out.clear();
    FileStat named;
    if (const int found = io.linkStatus(path, named); found < 0)
        return found;
    if (!named.isFile())
        return -ELOOP;
    const int fd = io.openRead(path);
    if (fd < 0)
        return fd;
    FileStat opened;
    int result = io.openStatus(fd, opened);
    if (result == 0 && !opened.isSameFile(named))
        result = -ELOOP; // replaced since it was looked at
    else if (result == 0 && opened.size > maxBytes)
        result = -EFBIG;
    if (result == 0)
        result = readToEnd(io, fd, opened.size, maxBytes, out);
    io.close(fd);
    if (result < 0)
        out.clear();
    return result;
}

int removeOwnFolder(FileIo& io, const QByteArray& path, const QByteArrayList& names) {
    FileStat folder;
    if (const int found = io.linkStatus(path, folder); found < 0)
        return found == -ENOENT ? 0 : found;
    if (!folder.isFolder())
        return -ENOTDIR; // a link stays a link, and what it leads to stays as it is
    QByteArrayList present;
    if (const int listed = io.listFolder(path, present); listed < 0)
        return listed;
    sweepStaleTemps(io, path, present);
    for (const QByteArray& name : names) {
        if (!present.contains(name))
            continue;
        const int removed = io.unlink(path + '/' + name); // a link itself, never its target
        if (removed < 0 && removed != -ENOENT)
            return removed;
    }
    const int gone = io.removeFolder(path);
    if (gone < 0)
        return gone == -EEXIST ? -ENOTEMPTY : gone;
    return 0;
}

} // namespace quillmere::copy
