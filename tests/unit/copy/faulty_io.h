#pragma once

#include "copy/file_io.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <mutex>

#include <unistd.h>

namespace quillmere::test {

// The plain file calls, with the faults a test asks for, a record of the calls that make a copy
// durable, and hooks through which a test acts as another program between two calls.
//
// The record names temporary files "temp1", "temp2", ... in the order they are made: "create temp1",
// "write temp1" (once per file), "sync temp1", "verify temp1" (its read back through a descriptor of
// its own), "rename temp1 Hero.d2s",
// "syncFolder Hero" (a folder by its last component), "makeFolder Hero".
class FaultyIo : public copy::FileIo {
public:
    // Faults: 0 leaves the call alone, else the errno it fails with.
    int createError = 0;     // both ways of making a temporary file
    bool noUnnamed = false;  // a file system without O_TMPFILE
    qint64 failWriteAt = -1; // bytes written in all before writes fail with writeError
    int writeError = EIO;
    qint64 failReadAt = -1; // bytes read from sources in all before reads fail with EIO
    int syncFileError = 0;
    int syncFolderError = 0;
    int renameError = 0;
    int modeError = 0;
    int timesError = 0;
    int listError = 0;
    int unlinkTempError = 0;  // removing a temporary file, also a stale one
    QByteArray statErrorPath; // pathStatus of this path fails with statError
    int statError = EIO;
    QByteArray unreadableFolder;            // opening this folder fails with EACCES
    std::function<void(int fd)> beforeSync; // runs before a file's data sync, on the syncing thread
    std::function<void(const QByteArray& path)> onSourceOpened;
    std::function<void(int readCount)> onSourceRead; // before each read of a source, counted from 1
    std::function<void(int milliseconds)> onPause;   // before the pause
    int lockDelayUs = 0; // widens the window between a temporary file's creation and its lock
    // A temporary file's writes read back as zeros through the descriptor that wrote them, as on
    // fusefat; through any other they read right.
    bool zerosThroughWriter = false;
    qint64 readBackFlipAt = -1; // the byte at this offset reads back changed through a fresh descriptor

    QStringList calls() const {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }

    int openRead(const QByteArray& path) override {
        const int fd = FileIo::openRead(path);
        if (fd >= 0 && !isTemp(path)) {
            m_sourceFds.insert(fd);
            if (onSourceOpened)
                onSourceOpened(path);
        }
        return fd;
    }
    int openFolder(const QByteArray& path) override {
        if (!unreadableFolder.isEmpty() && path == unreadableFolder)
            return -EACCES;
        const int fd = FileIo::openFolder(path);
        if (fd >= 0)
            remember(m_folders, fd, path.mid(path.lastIndexOf('/') + 1));
        return fd;
    }
    int makeFolder(const QByteArray& path) override {
        record("makeFolder " + path.mid(path.lastIndexOf('/') + 1));
        return FileIo::makeFolder(path);
    }
    int listFolder(const QByteArray& path, QByteArrayList& names) override {
        return listError ? -listError : FileIo::listFolder(path, names);
    }
    int listFolderStatus(const QByteArray& path, QList<copy::FolderEntry>& entries) override {
        return listError ? -listError : FileIo::listFolderStatus(path, entries);
    }
    int pathStatus(const QByteArray& path, copy::FileStat& out) override {
        return !statErrorPath.isEmpty() && path == statErrorPath ? -statError : FileIo::pathStatus(path, out);
    }
    int createUnnamed(const QByteArray& folder) override {
        if (noUnnamed)
            return -EOPNOTSUPP;
        if (createError)
            return -createError;
        return newTemp(FileIo::createUnnamed(folder), QByteArray());
    }
    int createNew(const QByteArray& path) override {
        if (createError)
            return -createError;
        return newTemp(FileIo::createNew(path), path);
    }
    int lock(int fd) override {
        if (lockDelayUs > 0 && tempOf(fd) != "?")
            ::usleep(useconds_t(lockDelayUs));
        return FileIo::lock(fd);
    }
    int linkUnnamed(int fd, const QByteArray& path) override {
        const int linked = FileIo::linkUnnamed(fd, path);
        if (linked == 0) {
            const std::lock_guard lock(m_mutex);
            m_tempByPath.insert(path, m_temps.value(fd));
        }
        return linked;
    }
    int reopenRead(int fd, const QByteArray& path) override {
        const int fresh = FileIo::reopenRead(fd, path);
        if (fresh >= 0) {
            const std::lock_guard lock(m_mutex);
            m_temps.insert(fresh, m_temps.value(fd, "?"));
            m_readBacks.insert(fresh);
        }
        return fresh;
    }
    ssize_t read(int fd, void* buffer, size_t size) override {
        if (!m_sourceFds.contains(fd))
            return FileIo::read(fd, buffer, size);
        if (onSourceRead)
            onSourceRead(++m_sourceReads);
        if (failReadAt >= 0 && m_read + qint64(size) > failReadAt) {
            if (m_read >= failReadAt)
                return -EIO;
            size = size_t(failReadAt - m_read);
        }
        const ssize_t n = FileIo::read(fd, buffer, size);
        m_read += n > 0 ? n : 0;
        return n;
    }
    ssize_t readAt(int fd, void* buffer, size_t size, qint64 offset) override {
        const bool readBack = isReadBack(fd);
        if (offset == 0 && readBack)
            record("verify " + tempOf(fd));
        const ssize_t n = FileIo::readAt(fd, buffer, size, offset);
        auto* bytes = static_cast<char*>(buffer);
        if (n > 0 && zerosThroughWriter && !readBack && tempOf(fd) != "?")
            std::fill(bytes, bytes + n, '\0');
        if (readBack && readBackFlipAt >= offset && readBackFlipAt < offset + n)
            bytes[readBackFlipAt - offset] ^= 1;
        return n;
    }
    ssize_t write(int fd, const void* buffer, size_t size) override {
        if (!m_written.contains(fd))
            record("write " + tempOf(fd));
        if (failWriteAt >= 0 && m_writtenAll + qint64(size) > failWriteAt) {
            if (m_writtenAll >= failWriteAt)
                return -writeError;
            size = size_t(failWriteAt - m_writtenAll);
        }
        const ssize_t n = FileIo::write(fd, buffer, size);
        m_written.insert(fd);
        m_writtenAll += n > 0 ? n : 0;
        return n;
    }
    int setMode(int fd, mode_t mode) override { return modeError ? -modeError : FileIo::setMode(fd, mode); }
    int setModified(int fd, const timespec& modified) override {
        return timesError ? -timesError : FileIo::setModified(fd, modified);
    }
    int syncFile(int fd) override {
        if (beforeSync)
            beforeSync(fd);
        record("sync " + tempOf(fd));
        return syncFileError ? -syncFileError : FileIo::syncFile(fd);
    }
    int syncFolder(int fd) override {
        record("syncFolder " + m_folders.value(fd));
        return syncFolderError ? -syncFolderError : FileIo::syncFolder(fd);
    }
    int rename(const QByteArray& from, const QByteArray& to) override {
        QByteArray temp;
        {
            const std::lock_guard lock(m_mutex);
            temp = m_tempByPath.value(from, from);
        }
        record("rename " + temp + ' ' + to.mid(to.lastIndexOf('/') + 1));
        return renameError ? -renameError : FileIo::rename(from, to);
    }
    int unlink(const QByteArray& path) override {
        if (unlinkTempError && isTemp(path))
            return -unlinkTempError;
        return FileIo::unlink(path);
    }
    int close(int fd) override {
        {
            const std::lock_guard lock(m_mutex);
            m_temps.remove(fd);
            m_readBacks.remove(fd);
            m_folders.remove(fd);
            m_sourceFds.remove(fd);
            m_written.remove(fd);
        }
        return FileIo::close(fd);
    }
    void pause(int milliseconds) override {
        if (onPause)
            onPause(milliseconds);
        FileIo::pause(milliseconds);
    }

    static bool isTemp(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1).startsWith(".quillmere-"); }

private:
    void record(const QByteArray& call) {
        const std::lock_guard lock(m_mutex);
        m_calls.append(QString::fromUtf8(call));
    }
    void remember(QHash<int, QByteArray>& map, int fd, const QByteArray& name) {
        const std::lock_guard lock(m_mutex);
        map.insert(fd, name);
    }
    bool isReadBack(int fd) {
        const std::lock_guard lock(m_mutex);
        return m_readBacks.contains(fd);
    }
    QByteArray tempOf(int fd) {
        const std::lock_guard lock(m_mutex);
        return m_temps.value(fd, "?");
    }
    int newTemp(int fd, const QByteArray& path) {
        if (fd < 0)
            return fd;
        const QByteArray name = "temp" + QByteArray::number(++m_tempCount);
        remember(m_temps, fd, name);
        if (!path.isEmpty()) {
            const std::lock_guard lock(m_mutex);
            m_tempByPath.insert(path, name);
        }
        record("create " + name);
        return fd;
    }

    mutable std::mutex m_mutex;
    QStringList m_calls;
    QHash<int, QByteArray> m_temps;   // open temporary file -> its record name
    QSet<int> m_readBacks;            // those of m_temps opened to read the file back
    QHash<int, QByteArray> m_folders; // open folder -> its last component
    QHash<QByteArray, QByteArray> m_tempByPath;
    QSet<int> m_sourceFds;
    QSet<int> m_written;
    int m_tempCount = 0;
    int m_sourceReads = 0;
    qint64 m_read = 0;
    qint64 m_writtenAll = 0;
};

} // namespace quillmere::test
