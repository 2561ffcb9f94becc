#include "snapshots/snapshot_writer.h"

#include "copy/copy_errors.h"
#include "copy/destination_folder.h"
#include "copy/durable_file.h"
#include "copy/file_io.h"
#include "copy/temp_file.h"
#include "snapshots/content_writer.h"
#include "snapshots/game_history.h"
#include "snapshots/history_cache.h"
#include "snapshots/save_folder_scan.h"

#include <QTimeZone>

#include <cerrno>

namespace quillmere::snapshots {

namespace {

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// rsync's quick check: the same size, time and inode as the snapshot before is the same file.
bool isUnchanged(const FileEntry* before, const ScannedFile& file) {
    return before && before->size == file.stat.size && before->modifiedNs == nanoseconds(file.stat.modified) &&
           before->inode == quint64(file.stat.inode);
}

// Forgets what the state holds that is gone from the folder, or left out this time; whether any.
bool forgetGone(const FolderScan& scan, const QStringList& leftOut, SaveState& state) {
    QSet<QString> present;
    present.reserve(scan.files.size());
    for (const ScannedFile& file : scan.files)
        present.insert(file.name);
    for (const QString& name : leftOut)
        present.remove(name);
    QStringList gone;
    for (const FileEntry& file : state.files()) {
        if (!present.contains(file.name))
            gone.append(file.name);
    }
    state.forget(gone);
    return !gone.isEmpty();
}

} // namespace

SnapshotOutcome SnapshotWriter::failed(SnapshotOutcome outcome, int error) const {
    outcome.status = SnapshotOutcome::Status::Failed;
    outcome.failure = tr("the history in %1 cannot be written: %2")
                          .arg(QFile::decodeName(m_paths.root), copy::reasonFor(error < 0 ? -error : error));
    return outcome;
}

bool SnapshotWriter::prepare(const GameRef& game, SnapshotOutcome& outcome) {
    for (const QByteArray& folder : {m_paths.objects(), m_paths.gameFolder(game)}) {
        if (const int made = copy::makeFoldersDurably(m_io, folder); made < 0) {
            outcome = failed(outcome, made);
            return false;
        }
    }
    // What a killed snapshot left of its record is swept as the history is read; of its contents,
    // by the pruning (the objects folder is long to list).
    return true;
}

SnapshotOutcome SnapshotWriter::take(const GameRef& game, const QString& reason, const QDateTime& now,
                                     HistoryCache& cache) {
    SnapshotOutcome outcome;
    if (!prepare(game, outcome))
        return outcome;
    const QByteArray folder = m_paths.gameFolder(game);
    const GameHistory& history = cache.history(m_io, folder);
    const std::optional<GameHistory::Latest>& latest = cache.latest();
    const SaveState* previous = latest ? &latest->state : nullptr;
    SaveState state = previous ? *previous : SaveState(); // unchanged files stay as they are
    ContentWriter contents(m_io, m_paths.objects());
    bool contentsChanged = false;
    if (!readFolder(game, contents, state, outcome, &contentsChanged))
        return outcome;
    // After damage a snapshot stands on its own, so that it does not depend on what is damaged.
    const bool chained = latest && history.isSound();
    outcome.files = state.files().size();
    if (chained && !contentsChanged) {
        outcome.status = SnapshotOutcome::Status::Unchanged;
        outcome.id = latest->manifest.id;
        return outcome;
    }
    summarize(state, previous);

    Manifest manifest;
    manifest.id = freeId(folder, now, latest ? latest->manifest.id : QString());
    manifest.taken = now;
    manifest.reason = reason;
    manifest.game = game;
    manifest.skipped = outcome.skipped;
    if (chained) {
        manifest.parent = latest->manifest.id;
        manifest.parentChanged = latest->manifest.changedNames();
    }
    state.changesFrom(chained ? latest->state : SaveState(), manifest);
    if (const int written = writeManifest(contents, folder, manifest); written < 0)
        return failed(outcome, written);
    outcome.status = SnapshotOutcome::Status::Taken;
    outcome.id = manifest.id;
    cache.written(m_io, manifest.id + QLatin1String(kManifestSuffix), manifest, state);
    return outcome;
}

// The record goes to the disk in one sync with the contents it names, and is named only once they
// are: whatever a crash keeps, a record that is there names contents that are.
int SnapshotWriter::writeManifest(ContentWriter& contents, const QByteArray& folder, const Manifest& manifest) {
    copy::TempFile record(m_io);
    const QString name = manifest.id + QLatin1String(kManifestSuffix);
    if (const int created = record.create(folder, name); created < 0)
        return created;
    if (const int written = copy::writeAllTo(m_io, record.fd(), formatManifest(manifest)); written < 0)
        return written;
    if (const int published = contents.publish(&record); published < 0)
        return published;
    if (const int renamed = record.publish(folder + '/' + QFile::encodeName(name)); renamed < 0)
        return renamed;
    return copy::syncFolderAt(m_io, folder);
}

bool SnapshotWriter::readFolder(const GameRef& game, ContentWriter& contents, SaveState& state,
                                SnapshotOutcome& outcome, bool* contentsChanged) {
    const FolderScan scan = scanSaveFolder(m_io, game.saveFolderHost);
    if (scan.error < 0) {
        outcome.failure =
            scan.error == -ENOENT || scan.error == -ENOTDIR
                ? tr("the save folder %1 is gone").arg(game.saveFolder)
                : tr("the save folder %1 cannot be read: %2").arg(game.saveFolder, copy::reasonFor(-scan.error));
        return false;
    }
    outcome.skipped = scan.skipped;
    // Names are unique in a listing: when every name the state held was seen, none is gone, and
    // the set of what is present is needed only when some are.
    const qsizetype heldBefore = state.files().size();
    qsizetype seenBefore = 0;
    bool changed = false;
    QStringList leftOut;
    for (const ScannedFile& file : scan.files) {
        // The state starts as the previous snapshot's, and each name is put at most once.
        const FileEntry* before = state.file(file.name);
        seenBefore += before ? 1 : 0;
        if (isUnchanged(before, file))
            continue;
        FileEntry entry;
        std::optional<game::CharacterSummary> summary;
        QString why;
        switch (contents.add(file, entry, &summary, &why)) {
        case ContentWriter::Added::Stored:
            changed = changed || !before || before->sha256 != entry.sha256;
            state.put(entry, summary);
            break;
        case ContentWriter::Added::LeftOut:
            outcome.skipped.append({file.name, why});
            if (before)
                leftOut.append(file.name);
            break;
        case ContentWriter::Added::Failed:
            outcome.failure = tr("the history in %1 cannot be written: %2").arg(QFile::decodeName(m_paths.root), why);
            return false;
        }
    }
    if (leftOut.isEmpty() && seenBefore == heldBefore) {
        *contentsChanged = changed;
        return true;
    }
    *contentsChanged = forgetGone(scan, leftOut, state) || changed;
    return true;
}

// What the heads of the character files say, read from the stored contents: the saves themselves
// may have changed since.
void SnapshotWriter::summarize(SaveState& state, const SaveState* previous) {
    QList<std::pair<FileEntry, game::CharacterSummary>> found;
    for (const FileEntry& file : state.files()) {
        if (!isCharacterFile(file.name) || state.summaryOf(file.name))
            continue;
        const FileEntry* before = previous ? previous->file(file.name) : nullptr;
        std::optional<game::CharacterSummary> summary;
        if (before && before->sha256 == file.sha256)
            summary = previous->summaryOf(file.name);
        found.append({file, summary ? *summary : game::summarizeCharacterHead(headOf(file.sha256))});
    }
    for (const auto& [file, summary] : found)
        state.put(file, summary);
}

QByteArray SnapshotWriter::headOf(const QByteArray& sha256) const {
    QByteArray head;
    const int fd = m_io.openRead(m_paths.contentPath(sha256));
    if (fd < 0)
        return head;
    head.resize(game::HEXengine::kKeptBytes);
    const ssize_t n = m_io.read(fd, head.data(), std::size_t(head.size()));
    head.truncate(n > 0 ? n : 0);
    m_io.close(fd);
    return head;
}

// A time later than the newest snapshot's, so that ids sort as the history runs even when the clock
// was put back, and one no record holds yet.
QString SnapshotWriter::freeId(const QByteArray& folder, const QDateTime& now, const QString& after) const {
    QDateTime at = now.toUTC();
    QDateTime last = QDateTime::fromString(after.left(19), QStringLiteral("yyyyMMdd'T'HHmmss.zzz"));
    last.setTimeZone(QTimeZone::utc());
    if (last.isValid() && at <= last)
        at = last.addMSecs(1);
    for (;; at = at.addMSecs(1)) {
        QString id = snapshotId(at);
        copy::FileStat found;
        if (m_io.linkStatus(folder + '/' + QFile::encodeName(id + QLatin1String(kManifestSuffix)), found) == -ENOENT)
            return id;
    }
}

} // namespace quillmere::snapshots
