#pragma once

#include <QObject>

class QAction;

namespace quillmere::archive {
class RestoreHistory;
class ShellFileCopy;
} // namespace quillmere::archive

namespace quillmere::snapshots {
class AutoSnapshots;
class SnapshotStore;
} // namespace quillmere::snapshots

namespace quillmere::app {

class MainWindow;

// What the history adds to the main window: File > History..., offered once the chosen game has a
// snapshot; snapshots that take themselves while the window is open, following the game chosen,
// one taken as it opens (once it has been drawn); and a failed one told on its status bar, never
// in a box that would stop the player.
class HistoryInWindow final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryInWindow)
public:
    // Everything given stays the caller's.
    HistoryInWindow(MainWindow& window, snapshots::SnapshotStore& store, snapshots::AutoSnapshots& automatic,
                    archive::RestoreHistory& restores, archive::ShellFileCopy& fileCopy);

    void mnuFile_History_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addMenuItem();
    void updateMenuItem();
    void showFailure(const QString& reason);

    MainWindow& m_window;
    snapshots::SnapshotStore& m_store;
    snapshots::AutoSnapshots& m_automatic;
    archive::RestoreHistory& m_restores;
    archive::ShellFileCopy& m_fileCopy;
    QAction* m_menuItem = nullptr;
};

} // namespace quillmere::app
