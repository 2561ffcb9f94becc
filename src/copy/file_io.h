#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <ctime>

#include <sys/types.h>

namespace quillmere::copy {

// What the copy needs to know of a file.
struct FileStat {
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    nlink_t links = 0;
    qint64 size = 0;
    timespec modified{};
    timespec changed{};

    bool isFolder() const;
    bool isFile() const;
    bool isSameFile(const FileStat& other) const { return device == other.device && inode == other.inode; }
};

// A name in a folder with what linkStatus says of it; status < 0 when that failed.
struct FolderEntry {
    QByteArray name;
    FileStat stat;
    int status = 0;
};

// Every call the copy makes to the system, so that a test can fail any of them with any reason, or
// act between two of them as another program would. Paths are host paths in the file system's
// encoding; results are >= 0 on success and -errno on failure. The default is plain POSIX (Linux).
// syncFile is also called from helper threads, several at once.
class FileIo {
public:
    virtual ~FileIo() = default;

    virtual int openRead(const QByteArray& path);
    virtual int openFolder(const QByteArray& path);
    virtual int makeFolder(const QByteArray& path);
    // Every name in a folder but "." and "..", as the file system spells it.
    virtual int listFolder(const QByteArray& path, QByteArrayList& names);
    // The same, each name with its status as a link: read relative to the open folder, which spares
    // the walk of the whole path for each name in a folder of a thousand saves. A name gone since
    // the folder was read is not listed.
    virtual int listFolderStatus(const QByteArray& path, QList<FolderEntry>& entries);
    virtual int pathStatus(const QByteArray& path, FileStat& out); // follows links
    virtual int linkStatus(const QByteArray& path, FileStat& out); // the link itself
    virtual int openStatus(int fd, FileStat& out);

    // A new file in the folder without a name yet (O_TMPFILE); -EOPNOTSUPP and the like where the
    // file system cannot make one.
    virtual int createUnnamed(const QByteArray& folder);
    // A new file under a name that must not exist yet.
    virtual int createNew(const QByteArray& path);
    // An exclusive lock without waiting; -EWOULDBLOCK when someone else holds it.
    virtual int lock(int fd);
    // Gives a file made by createUnnamed its first name.
    virtual int linkUnnamed(int fd, const QByteArray& path);

    // A descriptor of its own, read-only, on the file fd is open on: it reads what any later reader
    // of the file gets, where on some FUSE drivers fd itself reads its own writes back as zeros.
    // path is the file's name; empty for one made by createUnnamed, reached then through /proc.
    virtual int reopenRead(int fd, const QByteArray& path);

    virtual ssize_t read(int fd, void* buffer, size_t size);
    virtual ssize_t readAt(int fd, void* buffer, size_t size, qint64 offset);
    virtual ssize_t write(int fd, const void* buffer, size_t size);
    // Advice only, whose failure changes nothing: the file will be read from start to end; and
    // the range just written may go to the disk now, so that the sync later has little left to do.
    virtual void adviseSequential(int fd);
    virtual void startWriteback(int fd, qint64 offset, qint64 length);
    virtual int setMode(int fd, mode_t mode);
    virtual int setModified(int fd, const timespec& modified);
    virtual int syncFile(int fd);
    virtual int syncFolder(int fd);
    virtual int rename(const QByteArray& from, const QByteArray& to);
    virtual int unlink(const QByteArray& path);
    // Removes an empty folder; never a link, never what a folder holds.
    virtual int removeFolder(const QByteArray& path);
    virtual int close(int fd);

    // The wait before a source that changed is read again.
    virtual void pause(int milliseconds);
};

FileIo& defaultFileIo();

} // namespace quillmere::copy
