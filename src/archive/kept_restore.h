#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmere::copy {
class FileIo;
}

namespace quillmere::archive {

// What a restore replaced and added in the save folder, kept so that it can be undone: a folder
// per restore under the program's data folder, holding the replaced files byte for byte with their
// times ("files/") and this record of the rest ("restore.json").
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
    QString saveFolderHost; // where the files were
    QStringList kept;       // the save folder's files the restore replaced, under their names there
    QStringList added;      // the files the restore added
    bool undone = false;
};

inline constexpr char kRecordName[] = "restore.json";
inline constexpr char kKeptFilesFolder[] = "files";

// A name of a file directly in a folder: no separator of either system, not "." or "..", no NUL.
bool isPlainFileName(const QString& name);

// Every name the record gives is a plain file name: only such a record can be one this program wrote.
bool namesPlainFiles(const KeptRestore& restore);

// The record in folder: a plain file (not a link) that parses, made at a valid time, for a save
// folder. Read through io; its names are checked where they are used.
std::optional<KeptRestore> readKeptRestore(copy::FileIo& io, const QString& folder);
// Writes restore's record into its folder, whole or not at all. Empty, or the reason it failed.
QString writeKeptRestore(copy::FileIo& io, const KeptRestore& restore);

// Why restore must not be undone into the save folder whose host path is saveFolderHost (the
// chosen game's): empty when it may. The record must be for that very folder (links resolved),
// and every kept file must be a plain file of the restore's own folder.
QString undoRefusal(copy::FileIo& io, const KeptRestore& restore, const QString& saveFolderHost);

// Removes the folder of a kept restore: its kept files, its record and the folder itself, nothing
// else and never through a link. False when something stays (what the program did not write).
bool removeKeptRestore(copy::FileIo& io, const KeptRestore& restore);

class KeptRestoreText {
    Q_DECLARE_TR_FUNCTIONS(RestoreHistory)
};

} // namespace quillmere::archive
