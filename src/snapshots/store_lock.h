#pragma once

#include <QByteArray>

#include <chrono>

namespace quillmere::copy {
class FileIo;
}

namespace quillmere::snapshots {

// Only one writer of a store at a time, among processes and threads alike: an exclusive lock on
// the store's folder, held while the object lives.
class StoreLock final {
public:
    StoreLock(copy::FileIo& io, const QByteArray& folder, std::chrono::milliseconds wait);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // 0 when held; -EWOULDBLOCK when another held it all the time we waited; else -errno.
    int result() const { return m_result; }

private:
    copy::FileIo& m_io;
    int m_fd = -1;
    int m_result = 0;
};

} // namespace quillmere::snapshots
