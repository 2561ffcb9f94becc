#include "copy/file_io.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::copy {

namespace {

int negErrno(int result) {
    return result < 0 ? -errno : result;
}

// Retries what a signal interrupted.
template <typename Call> auto retried(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result < 0 ? decltype(result)(-errno) : result;
}

void fill(const struct stat& st, FileStat& out) {
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.mode = st.st_mode;
    out.links = st.st_nlink;
    out.size = st.st_size;
    out.modified = st.st_mtim;
    out.changed = st.st_ctim;
}

} // namespace

bool FileStat::isFolder() const {
    return S_ISDIR(mode);
}

bool FileStat::isFile() const {
    return S_ISREG(mode);
}

int FileIo::openRead(const QByteArray& path) {
    // Non-blocking, so a FIFO that slipped in cannot hang the open.
    return negErrno(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

int FileIo::openFolder(const QByteArray& path) {
    return negErrno(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

int FileIo::makeFolder(const QByteArray& path) {
    return negErrno(::mkdir(path.constData(), 0777));
}

int FileIo::listFolder(const QByteArray& path, QByteArrayList& names) {
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return -errno;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    const int error = errno;
    ::closedir(dir);
    return -error;
}

int FileIo::listFolderStatus(const QByteArray& path, QList<FolderEntry>& entries) {
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return -errno;
    const int folder = ::dirfd(dir);
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            error = errno;
            break;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        FolderEntry found{name, {}, 0};
        struct stat st {};
        if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            fill(st, found.stat);
        else if (errno == ENOENT)
            continue;
        else
            found.status = -errno;
        entries.append(std::move(found));
    }
    ::closedir(dir);
    return -error;
}

int FileIo::pathStatus(const QByteArray& path, FileStat& out) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return -errno;
    fill(st, out);
    return 0;
}

int FileIo::linkStatus(const QByteArray& path, FileStat& out) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return -errno;
    fill(st, out);
    return 0;
}

int FileIo::openStatus(int fd, FileStat& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -errno;
    fill(st, out);
    return 0;
}

int FileIo::createUnnamed(const QByteArray& folder) {
    return negErrno(::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
}

int FileIo::createNew(const QByteArray& path) {
    return negErrno(::open(path.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600));
}

int FileIo::lock(int fd) {
    return retried([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); });
}

int FileIo::linkUnnamed(int fd, const QByteArray& path) {
    // The way linkat(2) names an O_TMPFILE file without needing CAP_DAC_READ_SEARCH.
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return negErrno(::linkat(AT_FDCWD, self, AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW));
}

int FileIo::reopenRead(int fd, const QByteArray& path) {
    if (!path.isEmpty())
        return negErrno(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return negErrno(::open(self, O_RDONLY | O_CLOEXEC));
}

ssize_t FileIo::read(int fd, void* buffer, size_t size) {
    return retried([=] { return ::read(fd, buffer, size); });
}

ssize_t FileIo::readAt(int fd, void* buffer, size_t size, qint64 offset) {
    return retried([=] { return ::pread(fd, buffer, size, off_t(offset)); });
}

ssize_t FileIo::write(int fd, const void* buffer, size_t size) {
    return retried([=] { return ::write(fd, buffer, size); });
}

void FileIo::adviseSequential(int fd) {
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void FileIo::startWriteback(int fd, qint64 offset, qint64 length) {
    ::sync_file_range(fd, off_t(offset), off_t(length), SYNC_FILE_RANGE_WRITE);
}

int FileIo::setMode(int fd, mode_t mode) {
    return negErrno(::fchmod(fd, mode));
}

int FileIo::setModified(int fd, const timespec& modified) {
    const timespec times[2] = {{0, UTIME_NOW}, modified};
    return negErrno(::futimens(fd, times));
}

int FileIo::syncFile(int fd) {
    return retried([fd] { return ::fsync(fd); });
}

int FileIo::syncFolder(int fd) {
    return retried([fd] { return ::fsync(fd); });
}

int FileIo::rename(const QByteArray& from, const QByteArray& to) {
    return negErrno(::rename(from.constData(), to.constData()));
}

int FileIo::unlink(const QByteArray& path) {
    return negErrno(::unlink(path.constData()));
}

int FileIo::removeFolder(const QByteArray& path) {
    return negErrno(::rmdir(path.constData()));
}

int FileIo::close(int fd) {
    // Linux frees the descriptor even when close reports EINTR: never retried.
    return negErrno(::close(fd));
}

void FileIo::pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

FileIo& defaultFileIo() {
    static FileIo io;
    return io;
}

} // namespace quillmere::copy
