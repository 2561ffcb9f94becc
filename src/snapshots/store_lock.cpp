#include "snapshots/store_lock.h"

#include "copy/file_io.h"

#include <cerrno>

namespace quillmere::snapshots {

namespace {

constexpr int kPollMs = 50;

} // namespace

StoreLock::StoreLock(copy::FileIo& io, const QByteArray& folder, std::chrono::milliseconds wait)
    : m_io(io) {
    m_fd = io.openFolder(folder);
    if (m_fd < 0) {
        m_result = m_fd;
        return;
    }
    for (auto waited = std::chrono::milliseconds(0);; waited += std::chrono::milliseconds(kPollMs)) {
        m_result = io.lock(m_fd);
        if (m_result != -EWOULDBLOCK || waited >= wait)
            break;
        io.pause(kPollMs);
    }
    if (m_result < 0) {
        io.close(m_fd);
        m_fd = -1;
    }
}

StoreLock::~StoreLock() {
    if (m_fd >= 0)
        m_io.close(m_fd); // closing the last descriptor lets the lock go
}

} // namespace quillmere::snapshots
