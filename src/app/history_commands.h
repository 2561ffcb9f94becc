#pragma once

#include <QString>

#include <cstdio>

namespace quillmere::games {
struct Game;
}

namespace quillmere::snapshots {
class SnapshotStore;
}

namespace quillmere::app {

// The history from the command line, for a timer, cron or the user, without a display. Each prints
// to out and returns the exit status.

// --snapshot: one snapshot of each game, a line for each: name, save folder, and "kept N files",
// "unchanged" or "failed: REASON". 1 when any failed.
// reason is what the records say took them.
int takeSnapshots(snapshots::SnapshotStore& store, const QList<games::Game>& games, const QString& reason,
                  std::FILE* out);
// --history: one line per snapshot, newest first, of the games of prefix (every game when empty):
// game, time, id, files, pinned, characters.
int printHistory(const snapshots::SnapshotStore& store, const QString& prefix, std::FILE* out);
// --verify-history: every stored content read again against its hash; a line for each that is
// damaged or missing, and 1 when any is.
int verifyHistory(const snapshots::SnapshotStore& store, std::FILE* out);

} // namespace quillmere::app
