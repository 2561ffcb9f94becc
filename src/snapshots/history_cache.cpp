#include "snapshots/history_cache.h"

#include "copy/file_io.h"
#include "copy/temp_file.h"

#include <QFile>

#include <algorithm>

namespace quillmere::snapshots {

HistoryCache::Stamp HistoryCache::stampOf(const QByteArray& name, const copy::FileStat& found) {
    return {name, found.size, qint64(found.modified.tv_sec) * 1'000'000'000 + found.modified.tv_nsec,
            quint64(found.inode)};
}

// The records' stamps, in name order; what a killed snapshot left of its record is swept on the way,
// from the same listing.
QList<HistoryCache::Stamp> HistoryCache::stampsOf(copy::FileIo& io, const QByteArray& folder) {
    QList<copy::FolderEntry> entries;
    io.listFolderStatus(folder, entries);
    QByteArrayList temps;
    QList<Stamp> stamps;
    for (const copy::FolderEntry& entry : entries) {
        if (copy::isTempName(entry.name))
            temps.append(entry.name);
        else if (entry.status == 0 && isRecordName(entry.name))
            stamps.append(stampOf(entry.name, entry.stat));
    }
    copy::sweepStaleTemps(io, folder, temps);
    std::sort(stamps.begin(), stamps.end(), [](const Stamp& a, const Stamp& b) { return a.name < b.name; });
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

// Written under the store's lock, so the only change to the folder since it was listed is this
// record: its stamp is added rather than the folder listed again.
void HistoryCache::written(copy::FileIo& io, const QString& fileName, const Manifest& manifest,
                           const SaveState& state) {
    if (m_folder.isEmpty())
        return;
    const QByteArray name = QFile::encodeName(fileName);
    copy::FileStat found;
    if (io.linkStatus(m_folder + '/' + name, found) < 0) {
        forget(); // read anew next time
        return;
    }
    m_history.append(fileName, manifest);
    m_latest = GameHistory::Latest{manifest, state};
    const Stamp stamp = stampOf(name, found);
    const auto at = std::lower_bound(m_stamps.begin(), m_stamps.end(), stamp,
                                     [](const Stamp& a, const Stamp& b) { return a.name < b.name; });
    if (at != m_stamps.end() && at->name == name)
        *at = stamp;
    else
        m_stamps.insert(at, stamp);
}

} // namespace quillmere::snapshots
