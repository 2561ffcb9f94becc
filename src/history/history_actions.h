#pragma once

#include "history/history_model.h"
#include "snapshots/game_ref.h"

namespace quillmere::archive {
class RestoreHistory;
class ShellFileCopy;
} // namespace quillmere::archive

namespace quillmere::snapshots {
class SnapshotStore;
}

namespace quillmere::history {

// Puts one version of a character (or of the shared stash) back into the game's save folder, its
// own files only, through the restore's safeguards: every stored content checked against its hash
// first, the warning when it goes backwards, the files it replaces kept so that Undo Last Restore
// takes it back, and the safe copy. A copy that fails is undone at once, so that the save folder is
// never left partly restored. Tells the user how it went; true when it was restored.
bool restoreVersion(const snapshots::GameRef& game, const VersionRow& version, snapshots::SnapshotStore& store,
                    archive::RestoreHistory& restores, archive::ShellFileCopy& fileCopy);

// Copies a version's files into the Windows folder folder's subfolder named after the character,
// asking before it replaces a file there. Tells the user how it went; true when exported.
bool exportVersion(const VersionRow& version, const QString& folder, snapshots::SnapshotStore& store,
                   archive::ShellFileCopy& fileCopy);

// The first of a version's files whose stored content is missing or no longer matches its hash;
// empty when every one is whole.
QString firstDamagedFile(const VersionRow& version, const snapshots::SnapshotStore& store);

} // namespace quillmere::history
