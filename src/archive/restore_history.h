#pragma once

#include "archive/kept_restore.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmere::snapshots {
class SnapshotStore;
}

namespace quillmere::archive {

class ShellFileCopy;

// The kept restores behind "Undo Last Restore".
class RestoreHistory final {
    Q_DECLARE_TR_FUNCTIONS(RestoreHistory)
public:
    static constexpr int kRestoresKept = 20;

    // root is a host folder of the program's own, made when first needed.
    RestoreHistory(const QString& root, ShellFileCopy& copy);
    // The program's data folder's "restores".
    static QString defaultRoot();

    // Takes a snapshot of the save folder into store before every restore and undo, so that the
    // history holds what they replace as well. The caller keeps it alive.
    void setSnapshots(snapshots::SnapshotStore* store) { m_snapshots = store; }

    // Before a restore of the files names from a backup into saveFolder (whose host path is
    // saveFolderHost): keeps the files they will replace. Nothing, with *failure set, when they
    // could not all be kept; the restore must then not start.
    std::optional<KeptRestore> keepBeforeRestore(const QString& character, const QString& saveFolder,
                                                 const QString& saveFolderHost, const QStringList& names,
                                                 QString* failure);

    // The restore "Undo Last Restore" would undo: the newest kept one, when it is a restore not yet
    // undone.
    std::optional<KeptRestore> lastRestore() const;

    // Why restore cannot be undone now (its record does not fit the chosen game's save folder):
    // empty when it can.
    QString refusal(const KeptRestore& restore) const;

    // Puts the kept files back and removes the files the restore added, after keeping the save
    // folder's present versions of all of them. False, with *failure set, when that went wrong or
    // the record was refused; the save folder then holds whole files only.
    bool undo(const KeptRestore& restore, QString* failure);

private:
    std::optional<KeptRestore> keep(KeptRestore::Kind kind, const QString& character, const QString& saveFolder,
                                    const QString& saveFolderHost, const QStringList& names, QString* failure);
    bool makeFolder(const QString& folder, QString* failure);
    bool snapshotFirst(KeptRestore::Kind kind, const QString& saveFolderHost, QString* failure);
    QString newFolder() const;
    bool removeAdded(const KeptRestore& restore, QString* failure);
    QStringList ownFolders() const;
    void trim();

    QString m_root;
    ShellFileCopy& m_copy;
    snapshots::SnapshotStore* m_snapshots = nullptr;
};

} // namespace quillmere::archive
