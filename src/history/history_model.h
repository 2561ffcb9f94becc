#pragma once

#include "snapshots/game_history.h"
#include "snapshots/save_state.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace quillmere::copy {
class FileIo;
}

namespace quillmere::history {

// One version of a character, or of the shared stash, as the first snapshot that held it has it.
struct VersionRow {
    QString snapshotId;
    QDateTime taken;
    bool pinned = false;
    snapshots::CharacterVersion character;
};

// A character of the history (or the shared stash entry), with each version it had, newest first:
// a snapshot in which it did not change adds none.
struct CharacterRow {
    QString group; // snapshots::groupOf
    QString name;  // as its newest version spells it; empty for the stash
    bool inSaveFolder = true;
    QList<VersionRow> versions;

    bool isStash() const { return group.isEmpty(); }
    // "Hero", "Hero (deleted)", "Shared stash".
    QString display() const;
};

// What the History window lists for one game.
struct HistoryModel {
    QList<CharacterRow> characters; // by name, the stash last
    int snapshots = 0;
    QDateTime newest;
    int skipped = 0;  // damaged records, and snapshots that cannot be rebuilt because of them
    qint64 bytes = 0; // what the game's history takes in the store

    // groupsNow: the groups the save folder holds a character of now ("" for the stash).
    static HistoryModel build(const snapshots::GameHistory& history, const QSet<QString>& groupsNow);
    const CharacterRow* find(const QString& group) const;
};

// The groups the save folder holds a character (or any stash file) of now; empty when unreadable.
QSet<QString> groupsInFolder(copy::FileIo& io, const QString& saveFolderHost);

// The character of one group as the save folder holds it now, its contents hashed as the store
// hashes them; nothing when the folder holds none.
std::optional<snapshots::CharacterVersion> characterNow(copy::FileIo& io, const QString& saveFolderHost,
                                                        const QString& group);

// How a version differs from the character now: "same as now", "level 85 now, 84 here", "other
// contents now, same level", "not in the save folder now".
QString comparedWithNow(const snapshots::CharacterVersion& version,
                        const std::optional<snapshots::CharacterVersion>& now);

class HistoryText {
    Q_DECLARE_TR_FUNCTIONS(History)
};

} // namespace quillmere::history
