#pragma once

#include <QObject>

namespace quillmere::snapshots {
class AutoSnapshots;
class SnapshotStore;
} // namespace quillmere::snapshots

namespace quillmere::app {

class MainWindow;

// What the history adds to the main window: snapshots that take themselves while it is open,
// following the game chosen, one taken as it opens, and a failed one told on its status bar, never
// in a box that would stop the player.
class HistoryInWindow final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryInWindow)
public:
    HistoryInWindow(MainWindow& window, snapshots::SnapshotStore& store, snapshots::AutoSnapshots& automatic);

private:
    void showFailure(const QString& reason);

    MainWindow& m_window;
    snapshots::SnapshotStore& m_store;
    snapshots::AutoSnapshots& m_automatic;
};

} // namespace quillmere::app
