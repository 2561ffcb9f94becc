#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmere::archive {

class ShellFileCopy;

// What a restore replaced and added in the save folder, kept so that it can be undone: a folder
// per restore under the program's data folder, holding the replaced files byte for byte with their
// times and a record of the rest.
struct KeptRestore {
    enum class Kind {
        Restore, // kept before a restore; what "Undo Last Restore" undoes
        Undo,    // kept before an undo, so that undoing loses nothing either
    };

    QString folder; // host path of this restore's own folder
    Kind kind = Kind::Restore;
    QDateTime made;
    QString character;
    QString saveFolder;     // Windows form, as the user knows it
    QString saveFolderHost; // where the files were: the undo goes there even after another game was chosen
    QStringList kept;       // the save folder's files the restore replaced, under their names there
    QStringList added;      // the files the restore added
    bool undone = false;
};

class RestoreHistory final {
    Q_DECLARE_TR_FUNCTIONS(RestoreHistory)
public:
    static constexpr int kRestoresKept = 20;

    // root is a host folder of the program's own, made when first needed.
    RestoreHistory(const QString& root, ShellFileCopy& copy);
    // The program's data folder's "restores".
    static QString defaultRoot();

    // Before a restore of the files names from a backup into saveFolder (whose host path is
    // saveFolderHost): keeps the files they will replace. Nothing, with *failure set, when they
    // could not all be kept; the restore must then not start.
    std::optional<KeptRestore> keepBeforeRestore(const QString& character, const QString& saveFolder,
                                                 const QString& saveFolderHost, const QStringList& names,
                                                 QString* failure);

    // The restore "Undo Last Restore" would undo: the newest kept one, when it is a restore not yet
    // undone.
    std::optional<KeptRestore> lastRestore() const;

    // Puts the kept files back and removes the files the restore added, after keeping the save
    // folder's present versions of all of them. False, with *failure set, when that went wrong; the
    // save folder then holds whole files only.
    bool undo(const KeptRestore& restore, QString* failure);

private:
    std::optional<KeptRestore> keep(KeptRestore::Kind kind, const QString& character, const QString& saveFolder,
                                    const QString& saveFolderHost, const QStringList& names, QString* failure);
    QString newFolder() const;
    bool removeAdded(const KeptRestore& restore, QString* failure);
    void trim() const;

    QString m_root;
    ShellFileCopy& m_copy;
};

} // namespace quillmere::archive
