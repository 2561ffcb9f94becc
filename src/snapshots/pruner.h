#pragma once

#include "snapshots/store_paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>
#include <QStringList>

namespace quillmere::copy {
class FileIo;
}

namespace quillmere::snapshots {

class GameHistory;
class SaveState;

struct PruneOutcome {
    int snapshotsRemoved = 0;
    int contentsRemoved = 0;
    QStringList notes; // what was passed over, and why
};

// The retention pass of a store whose lock the caller holds: each game's snapshots that the rule
// drops go, those after them are rewritten as changes of the ones kept, and then every content no
// snapshot names any more. Records are rewritten and made durable before any is removed, and
// records removed before contents, so that a crash at any moment leaves every listed snapshot
// whole. A history with a damaged record is left as it is, and then no content is removed at all:
// what the damaged record named is not known.
class Pruner final {
    Q_DECLARE_TR_FUNCTIONS(Snapshots)
public:
    Pruner(copy::FileIo& io, const StorePaths& paths)
        : m_io(io)
        , m_paths(paths) {}

    // Every game's history, then every content no snapshot names.
    PruneOutcome prune(const QDateTime& now);
    // One game's history, as just read or written; the contents only when a snapshot went.
    PruneOutcome pruneAfterSnapshot(const GameHistory& history, const QByteArray& folder, const QDateTime& now);

    // The real folders of games/ (never a link), each a game's history.
    static QByteArrayList gameFolders(copy::FileIo& io, const StorePaths& paths);
    // The contents the snapshots of every history name; nothing when a record is damaged.
    static std::optional<QSet<QByteArray>> namedContents(copy::FileIo& io, const StorePaths& paths);

private:
    bool pruneGame(const GameHistory& history, const QByteArray& folder, const QDateTime& now, PruneOutcome& outcome);
    void removeUnnamedContents(PruneOutcome& outcome);

    copy::FileIo& m_io;
    StorePaths m_paths;
};

// Whether a state holds one group's character (or, for the stash, any of it).
bool holdsGroup(const SaveState& state, const QString& group);

} // namespace quillmere::snapshots
