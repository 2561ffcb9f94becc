#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// The games a Wine prefix holds, each one save folder the user can pick, and the one in use.
namespace quillmere::games {

enum class Edition {
    Classic,     // Diablo II up to 1.14
    Resurrected, // Diablo II: Resurrected
};

struct Game {
    Edition edition = Edition::Classic;
    // The save folder is the registry's, read afresh at every use; otherwise saveFolder is fixed.
    bool fromRegistry = false;
    QString prefix;     // host path of the prefix
    QString saveFolder; // Windows form; for a registry game, what the registry named when listed
    QString mod;        // the mod folder of a Resurrected game; empty for the game itself

    // "Diablo II", "Diablo II: Resurrected", or the latter with its mod.
    QString name() const;
    // The same game of the same prefix, whatever its save folder holds now.
    bool sameAs(const Game& other) const;

    Q_DECLARE_TR_FUNCTIONS(Game)
};

// Every save folder of one prefix: Diablo II by its registry values; Diablo II 1.14's default
// C:\users\<user>\Saved Games\Diablo II\ when it holds characters; Diablo II: Resurrected's
// C:\users\<user>\Saved Games\Diablo II Resurrected\ and each of its mods\<mod>\ folders that
// holds characters. A folder reached twice is listed once.
QList<Game> gamesInPrefix(const QString& prefix);

// The cores looking through many prefixes may take: all, or all but one, which a window starting up
// beside the search needs more (on two cores, sharing both made start-up slower, not the search faster).
enum class LookingCores { All, AllButOne };
QList<Game> gamesInPrefixes(const QStringList& prefixes, LookingCores cores = LookingCores::All);

// The game the program works on, and with it the prefix: every save-folder reader, the registry,
// the drives and the game's start follow it at once.
void useGame(const Game& game);
// No game: the prefix is the one given (empty for the environment's), the save folder the
// registry's.
void useNoGame(const QString& prefix = {});
std::optional<Game> gameInUse();

// D2R.exe in the folder that the 32-bit uninstall entry of Diablo II: Resurrected names, else in
// its default folder; empty when neither holds it.
QString resurrectedProgram();

} // namespace quillmere::games
