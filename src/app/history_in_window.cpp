#include "app/history_in_window.h"

#include "app/main_window.h"
#include "history/history_window.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/snapshot_store.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

namespace quillmere::app {

namespace {

constexpr int kFailureShownMs = 20000;
constexpr int kOpeningSnapshotDelayMs = 2000;

} // namespace

HistoryInWindow::HistoryInWindow(MainWindow& window, snapshots::SnapshotStore& store,
                                 snapshots::AutoSnapshots& automatic, archive::RestoreHistory& restores,
                                 archive::ShellFileCopy& fileCopy)
    : QObject(&window)
    , m_window(window)
    , m_store(store)
    , m_automatic(automatic)
    , m_restores(restores)
    , m_fileCopy(fileCopy) {
    addMenuItem();
    connect(&m_automatic, &snapshots::AutoSnapshots::snapshotFailed, this, &HistoryInWindow::showFailure);
    connect(&m_automatic, &snapshots::AutoSnapshots::snapshotTaken, this, &HistoryInWindow::updateMenuItem);
    // After the window's own handler, which puts the game chosen in use.
    if (auto* selectGame = window.findChild<QAction*>(QStringLiteral("mnuFile_SelectGame")))
        connect(selectGame, &QAction::triggered, this, [this] {
            m_automatic.followGameInUse();
            m_automatic.takeNow(QStringLiteral("start"));
            updateMenuItem();
        });
    m_automatic.followGameInUse();
    updateMenuItem();
    window.installEventFilter(this);
}

// The snapshot of the opening window waits until the window has been drawn, and two seconds more: the
// window must not share the disk and the processor with it while it opens and draws its first
// frames.
bool HistoryInWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::Paint) {
        m_window.removeEventFilter(this);
        QTimer::singleShot(kOpeningSnapshotDelayMs, this, [this] { m_automatic.takeNow(QStringLiteral("start")); });
    }
    return QObject::eventFilter(watched, event);
}

// Below Undo Last Restore, the other way back to an earlier character.
void HistoryInWindow::addMenuItem() {
    auto* file = m_window.findChild<QMenu*>(QStringLiteral("mnuFile"));
    auto* undo = m_window.findChild<QAction*>(QStringLiteral("mnuFile_UndoRestore"));
    if (!file || !undo)
        return;
    const QList<QAction*> items = file->actions();
    const qsizetype at = items.indexOf(undo) + 1;
    m_menuItem = new QAction(tr("&History..."), file);
    m_menuItem->setObjectName(QStringLiteral("mnuFile_History"));
    file->insertAction(at < items.size() ? items.at(at) : nullptr, m_menuItem);
    connect(m_menuItem, &QAction::triggered, this, &HistoryInWindow::mnuFile_History_Click);
    // Another copy of the program, or its timer, may have taken the first snapshot meanwhile.
    connect(file, &QMenu::aboutToShow, this, &HistoryInWindow::updateMenuItem);
}

void HistoryInWindow::updateMenuItem() {
    if (!m_menuItem)
        return;
    const std::optional<snapshots::GameRef> game = m_automatic.game();
    m_menuItem->setEnabled(game && m_store.hasSnapshots(*game));
}

void HistoryInWindow::mnuFile_History_Click() {
    const std::optional<snapshots::GameRef> game = m_automatic.game();
    if (!game)
        return;
    {
        history::HistoryWindow window(*game, m_store, m_restores, m_fileCopy, &m_automatic, &m_window);
        window.exec();
    }
    // A restore from the history changed the save folder the window lists.
    m_window.cmdRefresh_Click();
}

void HistoryInWindow::showFailure(const QString& reason) {
    if (auto* bar = m_window.findChild<QStatusBar*>(QStringLiteral("StatusBar")))
        bar->showMessage(tr("No snapshot of the save folder could be taken: %1.").arg(reason), kFailureShownMs);
}

} // namespace quillmere::app
