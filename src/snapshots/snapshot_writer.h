#pragma once

#include "snapshots/game_ref.h"
#include "snapshots/manifest.h"
#include "snapshots/store_paths.h"

#include <QCoreApplication>
#include <QDateTime>

namespace quillmere::copy {
class FileIo;
}

namespace quillmere::snapshots {

class ContentWriter;
class GameHistory;
class HistoryCache;
class SaveState;

struct SnapshotOutcome {
    enum class Status {
        Taken,     // a new snapshot holds the save folder as it is
        Unchanged, // the newest snapshot already holds it: nothing was added
        Failed,    // see failure; the store holds what it held before
    };
    Status status = Status::Failed;
    QString id;       // of the snapshot taken, or of the newest one when unchanged
    qint64 files = 0; // the files the snapshot holds
    QString failure;  // why it failed, in words
    QList<Skipped> skipped;
};

// Takes one snapshot of a game's save folder into a store whose lock the caller holds. The save
// folder is only ever read. Contents come first, each synced and named; the snapshot's record is
// written last, synced and renamed into place, so that a snapshot appears whole or not at all.
class SnapshotWriter final {
    Q_DECLARE_TR_FUNCTIONS(Snapshots)
public:
    SnapshotWriter(copy::FileIo& io, const StorePaths& paths)
        : m_io(io)
        , m_paths(paths) {}

    // cache holds the game's history as last read, and gets the new snapshot.
    SnapshotOutcome take(const GameRef& game, const QString& reason, const QDateTime& now, HistoryCache& cache);

private:
    bool prepare(const GameRef& game, SnapshotOutcome& outcome);
    // The folder's files into state, which starts as the previous snapshot's; contentsChanged
    // tells whether any file's content differs from it, or is gone.
    bool readFolder(const GameRef& game, ContentWriter& contents, SaveState& state, SnapshotOutcome& outcome,
                    bool* contentsChanged);
    int writeManifest(ContentWriter& contents, const QByteArray& folder, const Manifest& manifest);
    void summarize(SaveState& state, const SaveState* previous);
    QByteArray headOf(const QByteArray& sha256) const;
    QString freeId(const QByteArray& folder, const QDateTime& now, const QString& after) const;
    SnapshotOutcome failed(SnapshotOutcome outcome, int error) const;

    copy::FileIo& m_io;
    StorePaths m_paths;
};

} // namespace quillmere::snapshots
