#pragma once

#include "support/games.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

class QWidget;

namespace quillmere::app {

// Where the games come from, settled at start-up.
struct GameSearch {
    QString namedPrefix; // --prefix, else $WINEPREFIX; empty when the user names none
    QString home;        // the home folder discovery looks in
    QProcessEnvironment environment;
};

// Which game the program works on: the named prefix's, else the one chosen last time while it
// still exists, else one of those found by discovery; asked for with "Select Game" when there are
// several, and remembered in the settings file.
class GameChoice final {
    Q_DECLARE_TR_FUNCTIONS(GameChoice)
public:
    GameChoice(GameSearch search, QString settingsFile);

    // The settings file below the XDG config folder: $XDG_CONFIG_HOME, else ~/.config.
    static QString defaultSettingsFile(const QString& home, const QProcessEnvironment& environment);

    // The games to choose among: the named prefix's, else those of every prefix discovered.
    QList<games::Game> candidates() const;

    // Puts a game in use at start-up. One game is taken without a question; with several the
    // window asks (OK remembers the choice, Cancel starts on the first). Returns what the user
    // should be told about it, empty when nothing.
    QString chooseAtStartUp(QWidget* owner = nullptr);
    // "Select Game...": true when a game was chosen, which is then in use and remembered.
    bool chooseAgain(QWidget* owner);

    std::optional<games::Game> remembered() const;
    void remember(const games::Game& game) const;

private:
    std::optional<games::Game> rememberedInUse() const;
    void chooseAmong(const QList<games::Game>& found, QWidget* owner);

    GameSearch m_search;
    QString m_settingsFile;
};

} // namespace quillmere::app
