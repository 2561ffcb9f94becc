#pragma once

#include "forwarding_io.h"

#include <QSet>

#include <mutex>

namespace quillmere::crash {

// A copy that renames its files into place before their data is synced: each sync is put off until
// the file is closed, which the copy does after the rename.
class SyncAfterRenameIo final : public ForwardingIo {
public:
    using ForwardingIo::ForwardingIo;

    int syncFile(int fd) override {
        const std::lock_guard lock(m_mutex);
        m_putOff.insert(fd);
        return 0;
    }
    int close(int fd) override {
        bool putOff = false;
        {
            const std::lock_guard lock(m_mutex);
            putOff = m_putOff.remove(fd);
        }
        if (putOff)
            m_inner.syncFile(fd);
        return m_inner.close(fd);
    }

private:
    std::mutex m_mutex;
    QSet<int> m_putOff;
};

// A copy that leaves out the folder sync after its renames: they are never made durable.
class NoFolderSyncAfterRenameIo final : public ForwardingIo {
public:
    using ForwardingIo::ForwardingIo;

    int rename(const QByteArray& from, const QByteArray& to) override {
        m_renamed = true;
        return m_inner.rename(from, to);
    }
    int syncFolder(int fd) override {
        if (m_renamed) {
            m_renamed = false;
            return 0;
        }
        return m_inner.syncFolder(fd);
    }

private:
    bool m_renamed = false;
};

} // namespace quillmere::crash
