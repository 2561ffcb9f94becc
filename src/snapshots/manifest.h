#pragma once

#include "game/character_file.h"
#include "snapshots/game_ref.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmere::snapshots {

// One file of a save folder as a snapshot holds it. Its contents are stored once, named by their
// SHA-256; size, time and inode let the next snapshot take an unchanged file without reading it.
struct FileEntry {
    QString name;      // as the save folder spells it
    QByteArray sha256; // lowercase hex
    qint64 size = 0;
    qint64 modifiedNs = 0; // since the epoch
    quint64 inode = 0;
    quint32 mode = 0; // permission bits

    bool operator==(const FileEntry&) const = default;
};

// A file of the save folder a snapshot left out, and why.
struct Skipped {
    QString name;
    QString reason;
    bool operator==(const Skipped&) const = default;
};

// What a character file's head said when it was stored.
struct StoredSummary {
    QString name; // of the character file
    game::CharacterSummary summary;
};

// The record of one snapshot. A snapshot is a change of its parent (the snapshot before it): it
// names only the files written or removed since, so that a hundred snapshots in which one
// character changes cost a hundred small records; the first of a history has no parent and names
// every file. The record is written last, whole, under its id: a snapshot exists once it does.
struct Manifest {
    QString id;     // the time it was taken, UTC, sortable: "20261209T140203.123Z"
    QString parent; // empty for the first
    QDateTime taken;
    QString reason; // what took it: "game exit", "quiet", "restore", "undo", "command line"
    bool pinned = false;
    GameRef game;
    qint64 fileCount = 0; // of the whole snapshot
    qint64 totalBytes = 0;
    QList<FileEntry> written;       // added or changed since the parent
    QStringList removed;            // gone since the parent
    QList<StoredSummary> summaries; // of the character files among written
    QStringList parentChanged;      // what the parent wrote or removed: what a damaged parent costs
    QList<Skipped> skipped;

    QByteArray gameLine; // the game as read, for the next record of the history to share

    // The names this snapshot changes, written or removed.
    QStringList changedNames() const;
};

QByteArray formatManifest(const Manifest& manifest);
// Nothing when the bytes are not a whole manifest: cut short, altered, or of another format.
// previous, the record read before it, lends it the game they share.
std::optional<Manifest> parseManifest(QByteArrayView bytes, const Manifest* previous = nullptr);

// Snapshot ids sort as their times do: "20261209T140203.123Z".
QString snapshotId(const QDateTime& taken);

} // namespace quillmere::snapshots
