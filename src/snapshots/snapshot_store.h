#pragma once

#include "copy/file_io.h"
#include "snapshots/game_history.h"
#include "snapshots/history_cache.h"
#include "snapshots/pruner.h"
#include "snapshots/snapshot_writer.h"
#include "snapshots/store_paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <mutex>

namespace quillmere::snapshots {

// A content the store no longer holds whole, and where it is needed.
struct DamagedContent {
    QByteArray sha256;
    QStringList files; // the names it is stored for
    bool missing = false;
};

struct VerifyOutcome {
    qint64 contentsChecked = 0;
    QList<DamagedContent> damaged;
    QStringList damagedRecords; // manifests that cannot be read
};

// The snapshot store in the program's data folder: every game's history of its save folder, each
// content stored once. Writers (taking a snapshot, pinning, pruning) hold the store's lock, and a
// second one waits for it a while; readers need none, since every record appears whole.
class SnapshotStore final {
    Q_DECLARE_TR_FUNCTIONS(Snapshots)
public:
    explicit SnapshotStore(const QString& root, copy::FileIo& io = copy::defaultFileIo());
    // The data folder's "history".
    static QString defaultRoot();

    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }
    const QString& root() const { return m_root; }
    copy::FileIo& io() const { return m_io; }

    // A snapshot of the game's save folder, then the retention pass.
    SnapshotOutcome take(const GameRef& game, const QString& reason,
                         const QDateTime& now = QDateTime::currentDateTime());
    PruneOutcome prune(const QDateTime& now = QDateTime::currentDateTime(), QString* failure = nullptr);

    GameHistory history(const GameRef& game) const;
    // Whether the game has a record of a snapshot, without reading any: for a menu item.
    bool hasSnapshots(const GameRef& game) const;
    // Every game's history, by its folder.
    QList<GameHistory> histories() const;
    bool setPinned(const GameRef& game, const QString& id, bool pinned, QString* failure);

    QByteArray contentPath(const QByteArray& sha256) const { return m_paths.contentPath(sha256); }
    // 1 when the content is there and matches its hash, 0 when it does not, -errno when unreadable.
    int checkContent(const QByteArray& sha256) const;
    // Reads every content the snapshots name again against its hash.
    VerifyOutcome verify() const;

    // Why the lock could not be had, in words.
    QString lockFailure(int error) const;

private:
    copy::FileIo& m_io;
    QString m_root;
    StorePaths m_paths;
    std::chrono::milliseconds m_lockWait{std::chrono::seconds(30)};
    std::mutex m_cacheMutex; // the window's thread and the automatic snapshots' share the store
    HistoryCache m_cache;
};

} // namespace quillmere::snapshots
