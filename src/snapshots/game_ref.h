#pragma once

#include <QString>

#include <optional>

namespace quillmere::snapshots {

// A game as the history knows it: a save folder of a prefix. Each has a history of its own.
struct GameRef {
    QString name;           // "Diablo II", "Diablo II: Resurrected", or the latter with its mod
    QString prefix;         // host path of the prefix
    QString saveFolder;     // Windows form, as the user knows it
    QString saveFolderHost; // where the files are read

    // The folder of its history in the store: stable for the same prefix and save folder.
    QString key() const;
    bool operator==(const GameRef&) const = default;
};

// The game in use (game/games.h) as the history knows it, its save folder read afresh (no host
// path when it cannot be reached); nothing when it has no save folder at all.
std::optional<GameRef> gameRefInUse();

} // namespace quillmere::snapshots
