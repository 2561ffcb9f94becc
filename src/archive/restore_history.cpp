#include "archive/restore_history.h"

#include "archive/shell_copy.h"
#include "copy/copy_errors.h"
#include "copy/destination_folder.h"
#include "copy/durable_file.h"
#include "copy/file_io.h"
#include "game/regedit.h"
#include "host/drive_map.h"
#include "snapshots/snapshot_store.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>

namespace quillmere::archive {

RestoreHistory::RestoreHistory(const QString& root, ShellFileCopy& copy)
    : m_root(root)
    , m_copy(copy) {}

QString RestoreHistory::defaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/restores");
}

std::optional<KeptRestore> RestoreHistory::keepBeforeRestore(const QString& character, const QString& saveFolder,
                                                             const QString& saveFolderHost, const QStringList& names,
                                                             QString* failure) {
    return keep(KeptRestore::Kind::Restore, character, saveFolder, saveFolderHost, names, failure);
}

std::optional<KeptRestore> RestoreHistory::keep(KeptRestore::Kind kind, const QString& character,
                                                const QString& saveFolder, const QString& saveFolderHost,
                                                const QStringList& names, QString* failure) {
    if (!snapshotFirst(kind, saveFolderHost, failure))
        return std::nullopt;
    copy::FileIo& io = m_copy.io();
    KeptRestore restore{newFolder(), kind, QDateTime::currentDateTime(), character, saveFolder, saveFolderHost, {},
                        {},          false};
    copy::FolderNames present;
    if (const int listed = present.read(io, QFile::encodeName(saveFolderHost)); listed < 0) {
        *failure = tr("%1 could not be read: %2.").arg(saveFolder, copy::reasonFor(-listed));
        return std::nullopt;
    }
    for (const QString& name : names) {
        const std::optional<QString> existing = present.existing(name);
        copy::FileStat found;
        if (existing && io.linkStatus(QFile::encodeName(saveFolderHost + u'/' + *existing), found) == 0 &&
            !found.isFile()) {
            // A file kept and put back in its place would replace the link, and lose what it leads to.
            *failure = tr("%1 in %2 is not a plain file (a link, or a folder): it is left as it is, and nothing was "
                          "changed.")
                           .arg(*existing, saveFolder);
            return std::nullopt;
        }
        (existing ? restore.kept : restore.added).append(existing.value_or(name));
    }
    restore.kept.removeDuplicates();
    restore.added.removeDuplicates();
    // The copy makes the folders, each synced into its parent.
    const bool kept = restore.kept.isEmpty() ? makeFolder(restore.folder, failure)
                                             : m_copy.copyHostFiles(saveFolderHost, restore.kept,
                                                                    restore.folder + u'/' + kKeptFilesFolder, failure);
    if (!kept && failure->isEmpty())
        *failure = tr("The folder %1 could not be made.").arg(restore.folder);
    if (kept)
        *failure = writeKeptRestore(io, restore);
    if (!kept || !failure->isEmpty()) {
        removeKeptRestore(io, restore);
        return std::nullopt;
    }
    trim();
    return restore;
}

bool RestoreHistory::snapshotFirst(KeptRestore::Kind kind, const QString& saveFolderHost, QString* failure) {
    const std::optional<snapshots::GameRef> game = m_snapshots ? snapshots::gameRefInUse() : std::nullopt;
    if (!game || QFileInfo(game->saveFolderHost).canonicalFilePath() != QFileInfo(saveFolderHost).canonicalFilePath())
        return true; // no history of that folder to keep
    const snapshots::SnapshotOutcome outcome = m_snapshots->take(
        *game, kind == KeptRestore::Kind::Restore ? QStringLiteral("restore") : QStringLiteral("undo"));
    if (outcome.status != snapshots::SnapshotOutcome::Status::Failed)
        return true;
    *failure = tr("A snapshot of the save folder could not be taken first: %1.").arg(outcome.failure);
    return false;
}

bool RestoreHistory::makeFolder(const QString& folder, QString* failure) {
    const int made = copy::makeFoldersDurably(m_copy.io(), QFile::encodeName(folder));
    if (made < 0)
        *failure = tr("The folder %1 could not be made: %2.").arg(folder, copy::reasonFor(-made));
    return made == 0;
}

QString RestoreHistory::newFolder() const {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
    QString folder = m_root + u'/' + stamp;
    for (int n = 2; QFileInfo::exists(folder) || QFileInfo(folder).isSymLink(); ++n)
        folder = m_root + u'/' + stamp + u'-' + QString::number(n);
    return folder;
}

// The folders of root that hold a record this program wrote, oldest first (their names are the
// times they were made). Links are passed over: what they lead to is not ours.
QStringList RestoreHistory::ownFolders() const {
    copy::FileIo& io = m_copy.io();
    const QByteArray root = QFile::encodeName(m_root);
    QByteArrayList names;
    if (io.listFolder(root, names) < 0)
        return {};
    std::sort(names.begin(), names.end());
    QStringList folders;
    for (const QByteArray& name : names) {
        copy::FileStat found;
        if (io.linkStatus(root + '/' + name, found) == 0 && found.isFolder())
            folders.append(QFile::decodeName(root + '/' + name));
    }
    return folders;
}

std::optional<KeptRestore> RestoreHistory::lastRestore() const {
    const QStringList folders = ownFolders();
    // Newest first.
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        std::optional<KeptRestore> restore = readKeptRestore(m_copy.io(), folders.at(i));
        if (!restore)
            continue; // one being written, or not ours
        if (restore->kind != KeptRestore::Kind::Restore || restore->undone)
            return std::nullopt;
        return restore;
    }
    return std::nullopt;
}

QString RestoreHistory::refusal(const KeptRestore& restore) const {
    const host::ResolvedPath save = host::resolve(regedit::saveFolder());
    return undoRefusal(m_copy.io(), restore, save.status == host::PathStatus::Ok ? save.hostPath : QString());
}

bool RestoreHistory::undo(const KeptRestore& restore, QString* failure) {
    // Whatever the data folder holds, an undo touches the chosen game's save folder only.
    if (*failure = refusal(restore); !failure->isEmpty())
        return false;
    const QStringList touched = restore.kept + restore.added;
    if (!keep(KeptRestore::Kind::Undo, restore.character, restore.saveFolder, restore.saveFolderHost, touched, failure))
        return false;
    if (!restore.kept.isEmpty() &&
        !m_copy.copyHostFiles(restore.folder + u'/' + kKeptFilesFolder, restore.kept, restore.saveFolderHost, failure))
        return false;
    if (!removeAdded(restore, failure))
        return false;
    KeptRestore done = restore;
    done.undone = true;
    *failure = writeKeptRestore(m_copy.io(), done);
    return failure->isEmpty();
}

bool RestoreHistory::removeAdded(const KeptRestore& restore, QString* failure) {
    copy::FileIo& io = m_copy.io();
    const QByteArray folder = QFile::encodeName(restore.saveFolderHost);
    for (const QString& name : restore.added) {
        const int removed = io.unlink(folder + '/' + QFile::encodeName(name));
        if (removed < 0 && removed != -ENOENT) {
            *failure =
                tr("%1 could not be removed from %2: %3.").arg(name, restore.saveFolder, copy::reasonFor(-removed));
            return false;
        }
    }
    // The removals are entries of the folder, durable once it is synced.
    if (const int synced = copy::syncFolderAt(io, folder); synced < 0) {
        *failure = tr("%1 could not be written to the disk: %2.").arg(restore.saveFolder, copy::reasonFor(-synced));
        return false;
    }
    return true;
}

// Keeps the newest kRestoresKept; an older one goes file by file, only what this program wrote.
void RestoreHistory::trim() {
    std::vector<KeptRestore> records;
    for (const QString& folder : ownFolders()) {
        std::optional<KeptRestore> restore = readKeptRestore(m_copy.io(), folder);
        if (restore && namesPlainFiles(*restore))
            records.push_back(std::move(*restore));
    }
    const qsizetype excess = qsizetype(records.size()) - kRestoresKept;
    for (qsizetype i = 0; i < excess; ++i)
        removeKeptRestore(m_copy.io(), records[std::size_t(i)]);
    if (excess > 0)
        copy::syncFolderAt(m_copy.io(), QFile::encodeName(m_root));
}

} // namespace quillmere::archive
