#pragma once

#include "controls/fixed_dialog.h"
#include "game/games.h"

#include <optional>

class QListWidget;
class QPushButton;

namespace quillmere::app {

// frmSelectGame: the games found, one row each with its name, its prefix and its save folder; OK
// (the default button, or a double-click on a row) takes the highlighted one.
class SelectGameDialog final : public controls::FixedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectGameDialog)
public:
    SelectGameDialog(const QList<games::Game>& games, int highlighted, QWidget* owner);

    int highlightedRow() const;

    // Shows the window modally: the row taken with OK, nothing on Cancel.
    static std::optional<int> ask(const QList<games::Game>& games, int highlighted, QWidget* owner);

private:
    void fillGames(const QList<games::Game>& games, int highlighted);

    QListWidget* m_lstGames = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quillmere::app
