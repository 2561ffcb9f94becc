#include "app/game_choice.h"

#include "app/select_game_dialog.h"
#include "controls/message_box.h"
#include "host/prefix_discovery.h"
#include "host/wine_prefix.h"

#include <QDir>
#include <QSettings>

namespace quillmere::app {

namespace {

// The settings' names for the parts of a game.
const QString kPrefix = QStringLiteral("Game/Prefix");
const QString kEdition = QStringLiteral("Game/Edition");
const QString kFromRegistry = QStringLiteral("Game/FromRegistry");
const QString kSaveFolder = QStringLiteral("Game/SaveFolder");
const QString kMod = QStringLiteral("Game/Mod");

int indexOf(const QList<games::Game>& list, const std::optional<games::Game>& game) {
    for (int i = 0; game && i < list.size(); ++i) {
        if (list[i].sameAs(*game))
            return i;
    }
    return -1;
}

} // namespace

GameChoice::GameChoice(GameSearch search, QString settingsFile)
    : m_search(std::move(search))
    , m_settingsFile(std::move(settingsFile)) {}

QString GameChoice::defaultSettingsFile(const QString& home, const QProcessEnvironment& environment) {
    QString config = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(config))
        config = home + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/quillmere/quillmere.conf"));
}

QList<games::Game> GameChoice::candidates(games::LookingCores cores) const {
    if (!m_search.namedPrefix.isEmpty())
        return games::gamesInPrefix(m_search.namedPrefix);
    return games::gamesInPrefixes(host::discoverPrefixes(m_search.home, m_search.environment), cores);
}

std::optional<games::Game> GameChoice::remembered() const {
    const QSettings settings(m_settingsFile, QSettings::IniFormat);
    const QString prefix = settings.value(kPrefix).toString();
    if (prefix.isEmpty())
        return std::nullopt;
    games::Game game;
    game.prefix = prefix;
    game.edition = settings.value(kEdition).toString() == QStringLiteral("Resurrected") ? games::Edition::Resurrected
                                                                                        : games::Edition::Classic;
    game.fromRegistry = settings.value(kFromRegistry).toBool();
    game.saveFolder = settings.value(kSaveFolder).toString();
    game.mod = settings.value(kMod).toString();
    return game;
}

void GameChoice::remember(const games::Game& game) const {
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    settings.setValue(kPrefix, game.prefix);
    settings.setValue(kEdition, game.edition == games::Edition::Resurrected ? QStringLiteral("Resurrected")
                                                                            : QStringLiteral("Classic"));
    settings.setValue(kFromRegistry, game.fromRegistry);
    settings.setValue(kSaveFolder, game.saveFolder);
    settings.setValue(kMod, game.mod);
}

StartUpGames GameChoice::findAtStartUp(const std::optional<games::Game>& lastChosen) const {
    StartUpGames result;
    result.lastChosen = lastChosen;
    if (m_search.namedPrefix.isEmpty() && lastChosen) {
        // The remembered game as its prefix holds it now, unless the prefix or the game has gone.
        const QList<games::Game> there = games::gamesInPrefix(lastChosen->prefix);
        const int index = indexOf(there, lastChosen);
        if (index >= 0) {
            result.remembered = there[index];
            return result;
        }
        result.rememberedLost = true;
    }
    // The window starts up meanwhile.
    result.found = candidates(games::LookingCores::AllButOne);
    return result;
}

QString GameChoice::chooseAtStartUp(const StartUpGames& games, QWidget* owner) {
    if (games.remembered) {
        games::useGame(*games.remembered);
        return {};
    }
    // A named prefix with several games asks only until a choice among them is remembered.
    const int last = indexOf(games.found, games.lastChosen);
    if (!m_search.namedPrefix.isEmpty() && last >= 0)
        games::useGame(games.found[last]);
    else
        chooseAmong(games.found, owner);
    return games.rememberedLost ? tr("The game chosen last time was not found.") : QString();
}

void GameChoice::chooseAmong(const QList<games::Game>& found, QWidget* owner) {
    if (found.isEmpty()) {
        games::useNoGame(m_search.namedPrefix);
        return;
    }
    if (found.size() == 1) {
        games::useGame(found.first());
        return;
    }
    const std::optional<int> chosen = SelectGameDialog::ask(found, 0, owner);
    games::useGame(found[chosen.value_or(0)]);
    if (chosen)
        remember(found[*chosen]);
}

bool GameChoice::chooseAgain(QWidget* owner) {
    const QList<games::Game> found = candidates();
    if (found.isEmpty()) {
        controls::msgBox(tr("No Diablo II save folder was found in the Wine prefixes."),
                         controls::MsgStyle::Information, tr("Select Game"));
        return false;
    }
    const std::optional<int> chosen = SelectGameDialog::ask(found, qMax(0, indexOf(found, games::gameInUse())), owner);
    if (!chosen)
        return false;
    games::useGame(found[*chosen]);
    remember(found[*chosen]);
    return true;
}

} // namespace quillmere::app
