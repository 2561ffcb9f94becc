#include "snapshots/auto_snapshots.h"

#include "snapshots/snapshot_store.h"

#include <QDir>

namespace quillmere::snapshots {

namespace {

const QString kQuietReason = QStringLiteral("quiet");

} // namespace

AutoSnapshots::AutoSnapshots(SnapshotStore& store, std::chrono::milliseconds quiet, QObject* parent)
    : QObject(parent)
    , m_store(store) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quiet);
    connect(&m_quiet, &QTimer::timeout, this, [this] { takeNow(kQuietReason); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFolder(); // files come and go
        changed();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        watchFolder(); // a file replaced by a rename is watched no more
        changed();
    });
}

AutoSnapshots::~AutoSnapshots() {
    if (m_worker.joinable())
        m_worker.join();
}

void AutoSnapshots::followGameInUse() {
    m_game = gameRefInUse();
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_quiet.stop();
    watchFolder();
}

// The folder tells of names that come and go; only its files tell of saves written in place.
void AutoSnapshots::watchFolder() {
    if (!m_game || m_game->saveFolderHost.isEmpty())
        return;
    const QString folder = m_game->saveFolderHost;
    if (!m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        files << folder + u'/' + name;
    const QStringList watched = m_watcher.files();
    QStringList fresh;
    for (const QString& file : std::as_const(files)) {
        if (!watched.contains(file))
            fresh << file;
    }
    if (!fresh.isEmpty())
        m_watcher.addPaths(fresh);
}

void AutoSnapshots::changed() {
    m_quiet.start(); // again from the start: the game may still be writing
}

void AutoSnapshots::takeNow(const QString& reason) {
    if (!m_game)
        return;
    if (m_worker.joinable()) {
        m_pending = reason; // after the one being taken
        return;
    }
    m_worker = std::thread([this, game = *m_game, reason] {
        const SnapshotOutcome outcome = m_store.take(game, reason);
        QMetaObject::invokeMethod(
            this, [this, outcome] { finished(outcome); }, Qt::QueuedConnection);
    });
}

void AutoSnapshots::finished(const SnapshotOutcome& outcome) {
    m_worker.join();
    if (outcome.status == SnapshotOutcome::Status::Taken)
        emit snapshotTaken(outcome.id);
    else if (outcome.status == SnapshotOutcome::Status::Failed)
        emit snapshotFailed(outcome.failure);
    if (!m_pending.isEmpty())
        takeNow(std::exchange(m_pending, QString()));
}

} // namespace quillmere::snapshots
