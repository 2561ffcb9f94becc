#pragma once

#include <QString>

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

} // namespace quillmere::snapshots
