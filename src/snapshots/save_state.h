#pragma once

#include "snapshots/manifest.h"

#include <QHash>
#include <QSet>

namespace quillmere::snapshots {

// Every file of a save folder as one snapshot holds it, and what the heads of its character files
// said: a history's snapshots, replayed from the first, each applied to the state before it.
class SaveState {
public:
    void apply(const Manifest& manifest);
    // Leaves out names whose record was lost with a damaged snapshot.
    void forget(const QStringList& names);

    // By name, in no order.
    const QHash<QString, FileEntry>& files() const { return m_files; }
    const FileEntry* file(const QString& name) const;
    // What the head of the character file name said; nothing for a file that is not one.
    std::optional<game::CharacterSummary> summaryOf(const QString& name) const;
    qint64 totalBytes() const;

    // Sets written, removed and summaries of out to the change from `from` to this state.
    void changesFrom(const SaveState& from, Manifest& out) const;
    bool operator==(const SaveState& other) const { return m_files == other.m_files; }

    void put(const FileEntry& file, const std::optional<game::CharacterSummary>& summary);
    void reserve(qsizetype files);

    // The names of one group's files (see groupOf), in no order.
    QStringList namesIn(const QString& group) const { return m_groups.value(group); }
    QStringList groups() const { return m_groups.keys(); }

private:
    void remove(const QString& name);

    QHash<QString, FileEntry> m_files;
    QHash<QString, game::CharacterSummary> m_summaries;
    QHash<QString, QStringList> m_groups;
};

// A character file: its name ends in ".d2s", in any letter case.
bool isCharacterFile(const QString& name);
// The shared stash of every character: Resurrected's SharedStash*.d2i, the stash mods' *.sss.
bool isStashFile(const QString& name);
// The group a file belongs to: the shared stash ("") for a stash file, else its character, named by
// the file's name before the last dot, case-folded ("hero" for Hero.MA0): a character's own files
// are the files of its group, never those of Heroine.
QString groupOf(const QString& fileName);

// One character of a snapshot, or the entry for the shared stash.
struct CharacterVersion {
    QString name;       // as its character file spells it; empty for the shared stash
    QString file;       // its character file; empty for the shared stash
    QByteArray version; // the same for the same contents of its own files, whatever their times
    QList<FileEntry> files;
    game::CharacterSummary summary;

    bool isStash() const { return name.isEmpty(); }
};

// The characters of a state by name, then the shared stash when it holds any of it.
QList<CharacterVersion> charactersOf(const SaveState& state);
// The groups whose versions changes of these names may alter.
QSet<QString> groupsChangedBy(const QStringList& names);
// One group's character or stash entry as the state holds it: nothing when the group holds no
// character file (or, for the stash, no file).
std::optional<CharacterVersion> characterIn(const SaveState& state, const QString& group);

} // namespace quillmere::snapshots
