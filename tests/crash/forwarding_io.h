#pragma once

#include "copy/file_io.h"

namespace quillmere::crash {

// The copy's calls passed on to another FileIo, so that a fault can change some of them.
class ForwardingIo : public copy::FileIo {
public:
    explicit ForwardingIo(copy::FileIo& inner)
        : m_inner(inner) {}

    int openRead(const QByteArray& path) override { return m_inner.openRead(path); }
    int openFolder(const QByteArray& path) override { return m_inner.openFolder(path); }
    int makeFolder(const QByteArray& path) override { return m_inner.makeFolder(path); }
    int listFolder(const QByteArray& path, QByteArrayList& names) override { return m_inner.listFolder(path, names); }
    int listFolderStatus(const QByteArray& path, QList<copy::FolderEntry>& entries) override {
        return m_inner.listFolderStatus(path, entries);
    }
    int pathStatus(const QByteArray& path, copy::FileStat& out) override { return m_inner.pathStatus(path, out); }
    int linkStatus(const QByteArray& path, copy::FileStat& out) override { return m_inner.linkStatus(path, out); }
    int openStatus(int fd, copy::FileStat& out) override { return m_inner.openStatus(fd, out); }
    int createUnnamed(const QByteArray& folder) override { return m_inner.createUnnamed(folder); }
    int createNew(const QByteArray& path) override { return m_inner.createNew(path); }
    int lock(int fd) override { return m_inner.lock(fd); }
    int linkUnnamed(int fd, const QByteArray& path) override { return m_inner.linkUnnamed(fd, path); }
    int reopenRead(int fd, const QByteArray& path) override { return m_inner.reopenRead(fd, path); }
    ssize_t read(int fd, void* buffer, size_t size) override { return m_inner.read(fd, buffer, size); }
    ssize_t readAt(int fd, void* buffer, size_t size, qint64 offset) override {
        return m_inner.readAt(fd, buffer, size, offset);
    }
    ssize_t write(int fd, const void* buffer, size_t size) override { return m_inner.write(fd, buffer, size); }
    void adviseSequential(int fd) override { m_inner.adviseSequential(fd); }
    void startWriteback(int fd, qint64 offset, qint64 length) override { m_inner.startWriteback(fd, offset, length); }
    int setMode(int fd, mode_t mode) override { return m_inner.setMode(fd, mode); }
    int setModified(int fd, const timespec& modified) override { return m_inner.setModified(fd, modified); }
    int syncFile(int fd) override { return m_inner.syncFile(fd); }
    int syncFolder(int fd) override { return m_inner.syncFolder(fd); }
    int rename(const QByteArray& from, const QByteArray& to) override { return m_inner.rename(from, to); }
    int unlink(const QByteArray& path) override { return m_inner.unlink(path); }
    int removeFolder(const QByteArray& path) override { return m_inner.removeFolder(path); }
    int close(int fd) override { return m_inner.close(fd); }
    void pause(int milliseconds) override { m_inner.pause(milliseconds); }

protected:
    copy::FileIo& m_inner;
};

} // namespace quillmere::crash
