#include "snapshots/history_cache.h"

#include "copy/file_io.h"

#include <QFile>

#include <algorithm>

namespace quillmere::snapshots {

QList<HistoryCache::Stamp> HistoryCache::stampsOf(copy::FileIo& io, const QByteArray& folder) {
    QByteArrayList names;
    io.listFolder(folder, names);
    std::sort(names.begin(), names.end());
    QList<Stamp> stamps;
    for (const QByteArray& name : names) {
        copy::FileStat found;
        if (!name.endsWith(kManifestSuffix) || name.startsWith('.') || io.linkStatus(folder + '/' + name, found) < 0)
            continue;
        stamps.append({name, found.size, qint64(found.modified.tv_sec) * 1'000'000'000 + found.modified.tv_nsec,
                       quint64(found.inode)});
    }
    return stamps;
}

const GameHistory& HistoryCache::history(copy::FileIo& io, const QByteArray& folder) {
    QList<Stamp> stamps = stampsOf(io, folder);
    if (folder != m_folder || stamps != m_stamps) {
        m_history = GameHistory::read(io, folder);
        m_latest = m_history.latest();
        m_stamps = std::move(stamps);
        m_folder = folder;
    }
    return m_history;
}

void HistoryCache::written(copy::FileIo& io, const QString& fileName, const Manifest& manifest,
                           const SaveState& state) {
    if (m_folder.isEmpty())
        return;
    m_history.append(fileName, manifest);
    m_latest = GameHistory::Latest{manifest, state};
    m_stamps = stampsOf(io, m_folder);
}

} // namespace quillmere::snapshots
