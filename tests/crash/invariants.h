#pragma once

#include "file_tree.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmere::crash {

// One way a state left by a crash breaks what the program promises.
struct Violation {
    enum class Kind {
        TargetEmpty,   // a file the operation writes is there but empty
        TargetTorn,    // ... holds neither its old nor its new content
        TargetLost,    // ... is gone, though it was there before and after
        NotDurable,    // after the operation reported success, a file lacks its new content
        SourceChanged, // a file the operation only reads is not as it was
        TempListed,    // the program lists a file it did not have before or after: a temporary one
        KeptRestore,   // a kept restore does not read back whole, or Undo offers one it should not
        History,       // the snapshot store does not read back whole
        Listing,       // the program cannot list or preview the characters
    };
    Kind kind = Kind::TargetTorn;
    QString what;
};

QString kindName(Violation::Kind kind);

// What the snapshot store holds, read as the program reads it.
struct StoreView {
    QMap<QString, QStringList> snapshots; // game key and id -> "name sha256" of each file it holds
    QStringList problems;
};

// The restore Undo Last Restore offers: its folder and whether it was undone; nothing for none.
using OfferedUndo = std::optional<QString>;

// Where an operation works, relative to the recorded root.
struct Places {
    QByteArray root;        // absolute
    QByteArrayList sources; // folders it only reads
    QByteArrayList listed;  // folders whose characters the program lists and previews
    QByteArray store;       // the snapshot store; empty when there is none
    QByteArray restores;    // the kept restores; empty when there are none
    QString saveFolderHost; // the save folder an undo goes to
    QByteArrayList named;   // the names its steps made, replaced or removed
};

StoreView readStore(const QString& root);
OfferedUndo readOfferedUndo(const QString& restores);

// What every state a crash may leave must hold, learnt from the trees before and after the
// operation and from the store and the kept restores as the program read them then. Every file
// whose content the operation changed, and every name its steps made, replaced or removed but a
// temporary file's, is a target: it must hold its old or its new content.
class Invariants {
public:
    Invariants() = default;
    Invariants(Places places, FileTree before, FileTree after, StoreView storeBefore, StoreView storeAfter,
               OfferedUndo undoBefore, OfferedUndo undoAfter);

    const Places& places() const { return m_places; }
    // state is written out at the root already: the program's own readers read it from there.
    QList<Violation> check(const FileTree& state, bool afterReport) const;

private:
    void checkTargets(const FileTree& state, bool afterReport, QList<Violation>& found) const;
    void checkSources(const FileTree& state, QList<Violation>& found) const;
    void checkListing(QList<Violation>& found) const;
    void checkStore(bool afterReport, QList<Violation>& found) const;
    void checkKeptRestores(const FileTree& state, bool afterReport, QList<Violation>& found) const;
    QString absolute(const QByteArray& relative) const;

    Places m_places;
    FileTree m_before;
    FileTree m_after;
    QByteArrayList m_targets;
    StoreView m_storeBefore;
    StoreView m_storeAfter;
    OfferedUndo m_undoBefore;
    OfferedUndo m_undoAfter;
};

} // namespace quillmere::crash
