#include "snapshots/pruner.h"

#include "copy/destination_folder.h"
#include "copy/durable_file.h"
#include "copy/file_io.h"
#include "copy/temp_file.h"
#include "snapshots/game_history.h"
#include "snapshots/retention.h"

#include <QHash>

#include <algorithm>

namespace quillmere::snapshots {

namespace {

bool isContentName(const QByteArray& name) {
    return name.size() == 64 && std::all_of(name.cbegin(), name.cend(),
                                            [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// What the rule needs of each snapshot. Only the last snapshot to hold a character names it, which
// is all the rule asks about holding: found from the changes alone, without going through every
// character of every snapshot.
QList<RetentionItem> retentionItems(const GameHistory& history) {
    QList<RetentionItem> items;
    QHash<QString, qsizetype> holding; // group -> the newest snapshot that holds it, while it does
    history.replay([&](const Manifest& m, const SaveState& state, const QStringList& lost) {
        QSet<QString> groups;
        if (m.parent.isEmpty() || !lost.isEmpty()) {
            groups = QSet<QString>(holding.keyBegin(), holding.keyEnd());
            for (const QString& group : state.groups())
                groups.insert(group);
        } else {
            groups = groupsChangedBy(m.changedNames());
        }
        for (const QString& group : std::as_const(groups)) {
            const auto held = holding.constFind(group);
            if (!holdsGroup(state, group) && held != holding.cend()) {
                items[*held].holds.append(group); // the last to hold it
                holding.erase(held);
            }
        }
        items.append({m.id, m.taken, m.pinned, {}});
        for (const QString& group : std::as_const(groups)) {
            if (holdsGroup(state, group))
                holding.insert(group, items.size() - 1);
        }
    });
    for (auto it = holding.cbegin(); it != holding.cend(); ++it)
        items[it.value()].holds.append(it.key());
    return items;
}

} // namespace

bool holdsGroup(const SaveState& state, const QString& group) {
    const QStringList names = state.namesIn(group);
    return group.isEmpty() ? !names.isEmpty() : std::any_of(names.cbegin(), names.cend(), isCharacterFile);
}

QByteArrayList Pruner::gameFolders(copy::FileIo& io, const StorePaths& paths) {
    QByteArrayList names;
    io.listFolder(paths.games(), names);
    std::sort(names.begin(), names.end());
    QByteArrayList folders;
    for (const QByteArray& name : names) {
        copy::FileStat found;
        if (io.linkStatus(paths.games() + '/' + name, found) == 0 && found.isFolder())
            folders.append(paths.games() + '/' + name);
    }
    return folders;
}

std::optional<QSet<QByteArray>> Pruner::namedContents(copy::FileIo& io, const StorePaths& paths) {
    QSet<QByteArray> named;
    for (const QByteArray& folder : gameFolders(io, paths)) {
        const GameHistory history = GameHistory::read(io, folder);
        for (const GameHistory::Entry& entry : history.entries()) {
            if (!entry.manifest)
                return std::nullopt;
            for (const FileEntry& file : entry.manifest->written)
                named.insert(file.sha256);
        }
    }
    return named;
}

PruneOutcome Pruner::prune(const QDateTime& now) {
    PruneOutcome outcome;
    bool sound = true;
    for (const QByteArray& folder : gameFolders(m_io, m_paths))
        sound = pruneGame(GameHistory::read(m_io, folder), folder, now, outcome) && sound;
    if (sound)
        removeUnnamedContents(outcome);
    return outcome;
}

PruneOutcome Pruner::pruneAfterSnapshot(const GameHistory& history, const QByteArray& folder, const QDateTime& now) {
    PruneOutcome outcome;
    // Contents are freed only by snapshots that go; those a killed snapshot left go with them.
    if (pruneGame(history, folder, now, outcome) && outcome.snapshotsRemoved > 0)
        removeUnnamedContents(outcome);
    return outcome;
}

bool Pruner::pruneGame(const GameHistory& history, const QByteArray& folder, const QDateTime& now,
                       PruneOutcome& outcome) {
    if (!history.isSound()) {
        outcome.notes << tr("%1 holds a damaged snapshot: nothing of it was pruned").arg(QFile::decodeName(folder));
        return false;
    }
    // Most snapshots drop none: the times alone tell, without rebuilding any snapshot.
    QList<RetentionItem> byTime;
    for (const GameHistory::Entry& entry : history.entries())
        byTime.append({entry.manifest->id, entry.manifest->taken, entry.manifest->pinned, {}});
    if (keptByRetention(byTime, now).size() == byTime.size())
        return true;
    const QList<RetentionItem> items = retentionItems(history);
    const QSet<QString> kept = keptByRetention(items, now);
    if (kept.size() == items.size())
        return true;
    QList<Manifest> rewritten;
    QStringList removed;
    SaveState keptState; // held only where a snapshot after it goes, for the next one kept to stand on
    QString keptId;
    QStringList keptChanges;
    qsizetype index = 0;
    history.replay([&](const Manifest& m, const SaveState& state, const QStringList&) {
        const bool nextGoes = index + 1 < items.size() && !kept.contains(items[index + 1].id);
        ++index;
        if (!kept.contains(m.id)) {
            removed.append(m.id);
            return;
        }
        Manifest changed = m;
        if (m.parent != keptId) {
            changed.parent = keptId;
            state.changesFrom(keptState, changed);
        }
        changed.parentChanged = keptChanges;
        if (changed.parent != m.parent || changed.parentChanged != m.parentChanged)
            rewritten.append(changed);
        keptState = nextGoes ? state : SaveState();
        keptId = m.id;
        keptChanges = changed.changedNames();
    });
    for (const Manifest& m : std::as_const(rewritten)) {
        if (copy::writeFileDurably(m_io, folder, m.id + QLatin1String(kManifestSuffix), formatManifest(m)) < 0) {
            outcome.notes << tr("%1 could not be rewritten: nothing of it was pruned").arg(m.id);
            return false;
        }
    }
    // Newest first: a removal cut short at any point leaves each record that stays with its parent.
    for (qsizetype i = removed.size() - 1; i >= 0; --i) {
        if (m_io.unlink(folder + '/' + QFile::encodeName(removed[i] + QLatin1String(kManifestSuffix))) == 0)
            ++outcome.snapshotsRemoved;
    }
    return copy::syncFolderAt(m_io, folder) == 0 || removed.isEmpty();
}

void Pruner::removeUnnamedContents(PruneOutcome& outcome) {
    const std::optional<QSet<QByteArray>> named = namedContents(m_io, m_paths);
    if (!named)
        return;
    QByteArrayList names;
    if (m_io.listFolder(m_paths.objects(), names) < 0)
        return;
    copy::sweepStaleTemps(m_io, m_paths.objects(), names);
    for (const QByteArray& name : names) {
        if (isContentName(name) && !named->contains(name) && m_io.unlink(m_paths.contentPath(name)) == 0)
            ++outcome.contentsRemoved;
    }
    if (outcome.contentsRemoved > 0)
        copy::syncFolderAt(m_io, m_paths.objects());
}

} // namespace quillmere::snapshots
