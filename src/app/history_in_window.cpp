#include "app/history_in_window.h"

#include "app/main_window.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/snapshot_store.h"

#include <QAction>
#include <QStatusBar>

namespace quillmere::app {

namespace {

constexpr int kFailureShownMs = 20000;

} // namespace

HistoryInWindow::HistoryInWindow(MainWindow& window, snapshots::SnapshotStore& store,
                                 snapshots::AutoSnapshots& automatic)
    : QObject(&window)
    , m_window(window)
    , m_store(store)
    , m_automatic(automatic) {
    connect(&m_automatic, &snapshots::AutoSnapshots::snapshotFailed, this, &HistoryInWindow::showFailure);
    // After the window's own handler, which puts the game chosen in use.
    if (auto* selectGame = window.findChild<QAction*>(QStringLiteral("mnuFile_SelectGame")))
        connect(selectGame, &QAction::triggered, this, [this] {
            m_automatic.followGameInUse();
            m_automatic.takeNow(QStringLiteral("start"));
        });
    m_automatic.followGameInUse();
    m_automatic.takeNow(QStringLiteral("start"));
}

void HistoryInWindow::showFailure(const QString& reason) {
    if (auto* bar = m_window.findChild<QStatusBar*>(QStringLiteral("StatusBar")))
        bar->showMessage(tr("No snapshot of the save folder could be taken: %1.").arg(reason), kFailureShownMs);
}

} // namespace quillmere::app
