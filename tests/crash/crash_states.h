#pragma once

// The states a power cut may leave, built from the log of an operation's file calls.
//
// The model, for a POSIX file system on Linux (conservative: it allows more than ext4, XFS or btrfs
// do). A power cut between two steps of the log leaves on the disk:
// - For each file, everything it held when it was last synced before the cut (its data, mode and
//   time), or at the start of the log when it was not synced since. Each write after that sync may
//   be absent, partly present or whole, in whole 4096-byte blocks: every block a later write touched
//   holds either its synced bytes or its last written ones, each block on its own; the size is
//   either the synced one or the last one, and what lies past the synced size in a block not kept
//   reads as zeros. A mode or time set after the sync is kept or lost with the others set after it.
// - For each folder, its entries as they were when it was last synced before the cut (or at the
//   start), then any number of the changes made to it since, in the order they were made: creating
//   a file, naming one (link), renaming within the folder, unlinking, making or removing a folder.
//   Each folder keeps its changes independently of every other folder. A folder whose own entry was
//   not kept is lost with all it holds; a file kept under no name is lost.
// - Nothing else. A file's sync does not make its name durable, a folder's sync not its files' data.
// Steps the model cannot place are refused with the reason: a rename between two folders (it
// changes two at once), of a folder, a path outside the recorded root or through a link, a name made
// twice or removed when absent, a write to a file the log did not make. A log that changes nothing
// is refused too: it proves nothing. So is one whose replay does not end in the tree the operation
// left, which would mean that some change went around the recording.

#include "crash_log.h"
#include "file_tree.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace quillmere::crash {

class CrashModel;

class CrashStates {
public:
    ~CrashStates();
    CrashStates(CrashStates&&) noexcept;
    CrashStates& operator=(CrashStates&&) noexcept;

    // The log replayed over the tree it started from. Nothing, with *error saying why, when the
    // log cannot be replayed, changes nothing, or does not end in `last`.
    static std::optional<CrashStates> build(const FileTree& first, const CrashLog& log, const FileTree& last,
                                            QString* error);

    // Cut points: before the first step (0) up to after the last (steps()).
    qsizetype steps() const;
    // Whether the operation had told the user it succeeded before the cut at point.
    bool afterReport(qsizetype point) const;
    const Step& step(qsizetype index) const;

    struct Count {
        quint64 possible = 0; // the choices the model allows at the point (saturates)
        quint64 visited = 0;  // distinct states among those visited
        bool sampled = false; // more than the limit: a sample drawn with a fixed seed
    };
    // Visits the distinct states a cut at point may leave: all of them when the model allows at most
    // limit choices, else limit of them drawn with a fixed seed, the two extremes (nothing pending
    // kept, everything kept) among them. `kept` says in words what was kept.
    using Visit = std::function<void(const FileTree& state, const QString& kept)>;
    Count visit(qsizetype point, quint64 limit, const Visit& each) const;

private:
    explicit CrashStates(std::unique_ptr<CrashModel> model);
    std::unique_ptr<CrashModel> m_model;
};

} // namespace quillmere::crash
