#pragma once

#include "game/games.h"

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

// What start-up decides on, found without any window, so that it can be looked for while the
// application starts.
struct StartUpGames {
    std::optional<games::Game> lastChosen; // as remembered
    std::optional<games::Game> remembered; // the one chosen last time, as its prefix holds it now
    bool rememberedLost = false;           // one was remembered, and it has gone
    QList<games::Game> found;              // the candidates, when the remembered game does not do
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
    QList<games::Game> candidates(games::LookingCores cores = games::LookingCores::All) const;

    // The looking part of start-up, given the game remembered: reads prefixes and hives, and
    // neither settings nor windows, so that it can run on a helper thread. It leaves a core to the
    // window starting up meanwhile.
    StartUpGames findAtStartUp(const std::optional<games::Game>& lastChosen) const;
    // Puts a game in use at start-up. One game is taken without a question; with several the
    // window asks (OK remembers the choice, Cancel starts on the first). Returns what the user
    // should be told about it, empty when nothing.
    QString chooseAtStartUp(const StartUpGames& games, QWidget* owner = nullptr);
    QString chooseAtStartUp(QWidget* owner = nullptr) { return chooseAtStartUp(findAtStartUp(remembered()), owner); }
    // "Select Game...": true when a game was chosen, which is then in use and remembered.
    bool chooseAgain(QWidget* owner);

    std::optional<games::Game> remembered() const;
    void remember(const games::Game& game) const;

private:
    void chooseAmong(const QList<games::Game>& found, QWidget* owner);

    GameSearch m_search;
    QString m_settingsFile;
};

} // namespace quillmere::app
