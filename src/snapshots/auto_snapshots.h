#pragma once

#include "snapshots/game_ref.h"
#include "snapshots/snapshot_writer.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>
#include <thread>

namespace quillmere::snapshots {

class SnapshotStore;

// Snapshots that take themselves while the program is open: after the save folder of the game in
// use changed and then stayed quiet for a while (the game writes on save-and-exit, Resurrected
// also while playing). Each runs on a thread of its own, so that the window never waits for one;
// what it did is told through the signals, on the thread this object lives on.
class AutoSnapshots final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AutoSnapshots)
public:
    explicit AutoSnapshots(SnapshotStore& store, std::chrono::milliseconds quiet = std::chrono::seconds(5),
                           QObject* parent = nullptr);
    // Waits for a snapshot still being taken: it is never cut short.
    ~AutoSnapshots() override;

    // Watches the save folder of the game in use now (again, after another game was chosen).
    void followGameInUse();
    std::optional<GameRef> game() const { return m_game; }
    // A snapshot of the game followed, soon, in the background.
    void takeNow(const QString& reason);
    bool isBusy() const { return m_worker.joinable(); }

signals:
    void snapshotTaken(const QString& id);
    void snapshotFailed(const QString& reason);

private:
    void watchFolder();
    void changed();
    void finished(const SnapshotOutcome& outcome);

    SnapshotStore& m_store;
    std::optional<GameRef> m_game;
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    std::thread m_worker;
    QString m_pending; // the reason of a snapshot asked for while one is being taken
};

} // namespace quillmere::snapshots
