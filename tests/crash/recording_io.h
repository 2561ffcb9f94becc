#pragma once

#include "crash_log.h"

#include "copy/file_io.h"

#include <QHash>

#include <mutex>

namespace quillmere::crash {

// The plain file calls on a real tree, logging every one that changed the disk below root, with
// its data, once it returned: a sync counts from its return, when its data is surely on the disk.
// Paths are logged with their folders' links resolved, relative to root; files by the number the
// log gives them when they are made, an unnamed one included.
class RecordingIo : public copy::FileIo {
public:
    explicit RecordingIo(const QByteArray& root);

    // As on a medium without unnamed files (O_TMPFILE): the copy names its temporary files at once.
    bool noUnnamed = false;

    CrashLog log() const;
    // The operation has just told the user it succeeded.
    void markReported();

    int openFolder(const QByteArray& path) override;
    int makeFolder(const QByteArray& path) override;
    int createUnnamed(const QByteArray& folder) override;
    int createNew(const QByteArray& path) override;
    int linkUnnamed(int fd, const QByteArray& path) override;
    ssize_t write(int fd, const void* buffer, size_t size) override;
    int setMode(int fd, mode_t mode) override;
    int setModified(int fd, const timespec& modified) override;
    int syncFile(int fd) override;
    int syncFolder(int fd) override;
    int rename(const QByteArray& from, const QByteArray& to) override;
    int unlink(const QByteArray& path) override;
    int removeFolder(const QByteArray& path) override;
    int close(int fd) override;

private:
    // The path's folder with its links resolved, then its name; relative to root when below it.
    QByteArray relative(const QByteArray& path, bool resolveLeaf, QByteArray* outside) const;
    Step at(Step::Kind kind, const QByteArray& path, bool resolveLeaf = false) const;
    int fileOf(int fd) const;
    int newFile(int fd);
    void append(Step step);

    QByteArray m_root;
    mutable std::mutex m_mutex;
    CrashLog m_log;
    QHash<int, int> m_files;          // open descriptor -> the file it writes
    QHash<int, QByteArray> m_folders; // open folder -> its path, resolved, when opened
    int m_made = 0;
};

} // namespace quillmere::crash
