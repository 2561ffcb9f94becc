#include "snapshots/snapshot_store.h"

#include "copy/copy_errors.h"
#include "copy/durable_file.h"
#include "snapshots/store_lock.h"

#include <QCryptographicHash>
#include <QHash>
#include <QStandardPaths>

#include <algorithm>

#include <cerrno>

namespace quillmere::snapshots {

SnapshotStore::SnapshotStore(const QString& root, copy::FileIo& io)
    : m_io(io)
    , m_root(root)
    , m_paths{QFile::encodeName(root)} {}

QString SnapshotStore::defaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/history");
}

QString SnapshotStore::lockFailure(int error) const {
    if (error == -EWOULDBLOCK)
        return tr("another Quillmere is writing the history in %1; try again when it is done").arg(m_root);
    return tr("the history in %1 cannot be written: %2").arg(m_root, copy::reasonFor(-error));
}

SnapshotOutcome SnapshotStore::take(const GameRef& game, const QString& reason, const QDateTime& now) {
    SnapshotOutcome outcome;
    if (const int made = copy::makeFoldersDurably(m_io, m_paths.root); made < 0) {
        outcome.failure = lockFailure(made);
        return outcome;
    }
    const StoreLock lock(m_io, m_paths.root, m_lockWait);
    if (lock.result() < 0) {
        outcome.failure = lockFailure(lock.result());
        return outcome;
    }
    const std::lock_guard cached(m_cacheMutex);
    outcome = SnapshotWriter(m_io, m_paths).take(game, reason, now, m_cache);
    if (outcome.status != SnapshotOutcome::Status::Taken)
        return outcome;
    const QByteArray folder = m_paths.gameFolder(game);
    const GameHistory* kept = m_cache.kept(folder);
    const PruneOutcome pruned =
        Pruner(m_io, m_paths).pruneAfterSnapshot(kept ? *kept : m_cache.history(m_io, folder), folder, now);
    if (pruned.snapshotsRemoved > 0)
        m_cache.forget(); // records rewritten and removed: read anew next time
    return outcome;
}

PruneOutcome SnapshotStore::prune(const QDateTime& now, QString* failure) {
    const StoreLock lock(m_io, m_paths.root, m_lockWait);
    if (lock.result() < 0) {
        if (failure)
            *failure = lockFailure(lock.result());
        return {};
    }
    return Pruner(m_io, m_paths).prune(now);
}

GameHistory SnapshotStore::history(const GameRef& game) const {
    return GameHistory::read(m_io, m_paths.gameFolder(game));
}

bool SnapshotStore::hasSnapshots(const GameRef& game) const {
    QByteArrayList names;
    m_io.listFolder(m_paths.gameFolder(game), names);
    return std::any_of(names.cbegin(), names.cend(), isRecordName);
}

QList<GameHistory> SnapshotStore::histories() const {
    QList<GameHistory> all;
    for (const QByteArray& folder : Pruner::gameFolders(m_io, m_paths))
        all.append(GameHistory::read(m_io, folder));
    return all;
}

bool SnapshotStore::setPinned(const GameRef& game, const QString& id, bool pinned, QString* failure) {
    const StoreLock lock(m_io, m_paths.root, m_lockWait);
    if (lock.result() < 0) {
        *failure = lockFailure(lock.result());
        return false;
    }
    const GameHistory held = history(game);
    for (const GameHistory::Entry& entry : held.entries()) {
        if (!entry.manifest || entry.manifest->id != id)
            continue;
        Manifest changed = *entry.manifest;
        changed.pinned = pinned;
        const int written =
            copy::writeFileDurably(m_io, m_paths.gameFolder(game), entry.fileName, formatManifest(changed));
        if (written < 0)
            *failure = lockFailure(written);
        return written == 0;
    }
    *failure = tr("the snapshot %1 is no longer in the history").arg(id);
    return false;
}

int SnapshotStore::checkContent(const QByteArray& sha256) const {
    const int fd = m_io.openRead(m_paths.contentPath(sha256));
    if (fd < 0)
        return fd;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(qsizetype(1) << 16, Qt::Uninitialized);
    ssize_t n = 0;
    while ((n = m_io.read(fd, buffer.data(), std::size_t(buffer.size()))) > 0)
        hash.addData(QByteArrayView(buffer.constData(), n));
    m_io.close(fd);
    if (n < 0)
        return int(n);
    return hash.result().toHex() == sha256 ? 1 : 0;
}

VerifyOutcome SnapshotStore::verify() const {
    VerifyOutcome outcome;
    QHash<QByteArray, QStringList> namesOf;
    for (const GameHistory& history : histories()) {
        for (const GameHistory::Entry& entry : history.entries()) {
            if (!entry.manifest) {
                outcome.damagedRecords.append(entry.fileName);
                continue;
            }
            for (const FileEntry& file : entry.manifest->written) {
                QStringList& names = namesOf[file.sha256];
                if (!names.contains(file.name))
                    names.append(file.name);
            }
        }
    }
    for (auto it = namesOf.cbegin(); it != namesOf.cend(); ++it) {
        ++outcome.contentsChecked;
        const int checked = checkContent(it.key());
        if (checked != 1)
            outcome.damaged.append({it.key(), it.value(), checked == -ENOENT});
    }
    return outcome;
}

} // namespace quillmere::snapshots
