#include "app/select_game_dialog.h"

#include "controls/placement.h"

#include <QListWidget>
#include <QPushButton>

namespace quillmere::app {

using controls::place;

// Select Game may open before the main window exists, so it is a window of its own, with the
// program's icon and a place in the taskbar.
SelectGameDialog::SelectGameDialog(const QList<games::Game>& games, int highlighted, QWidget* owner)
    : FixedDialog(owner, "frmSelectGame", tr("Select Game"), {9000, 3900}, Caption::Standard) {
    m_lstGames = place(new QListWidget(this), "lstGames", {120, 120, 8760, 3015});
    m_lstGames->setAccessibleName(tr("Games found"));
    m_lstGames->setSelectionMode(QAbstractItemView::SingleSelection);
    // Long paths lose their middle rather than their ends; the tooltip has them whole.
    m_lstGames->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstGames->setTextElideMode(Qt::ElideMiddle);
    m_lstGames->setSpacing(2);
    fillGames(games, highlighted);

    m_cmdOK = place(new QPushButton(tr("OK"), this), "cmdOK", {6300, 3255, 1215, 495});
    m_cmdOK->setDefault(true);
    m_cmdOK->setEnabled(!games.isEmpty());
    m_cmdCancel = place(new QPushButton(tr("Cancel"), this), "cmdCancel", {7665, 3255, 1215, 495});

    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lstGames, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    m_lstGames->setFocus();
}

void SelectGameDialog::fillGames(const QList<games::Game>& games, int highlighted) {
    for (const games::Game& game : games) {
        // Where it is: the prefix on this machine, and the save folder as the game names it.
        const QString where = tr("Prefix: %1\nSave folder: %2").arg(game.prefix, game.saveFolder);
        auto* row = new QListWidgetItem(game.name() + QLatin1Char('\n') + where, m_lstGames);
        row->setToolTip(where);
    }
    if (!games.isEmpty())
        m_lstGames->setCurrentRow(highlighted >= 0 && highlighted < games.size() ? highlighted : 0);
}

int SelectGameDialog::highlightedRow() const {
    return m_lstGames->currentRow();
}

std::optional<int> SelectGameDialog::ask(const QList<games::Game>& games, int highlighted, QWidget* owner) {
    SelectGameDialog dialog(games, highlighted, owner);
    if (dialog.exec() != QDialog::Accepted || dialog.highlightedRow() < 0)
        return std::nullopt;
    return dialog.highlightedRow();
}

} // namespace quillmere::app
