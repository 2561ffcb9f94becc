#include "archive/restore_history.h"

#include "archive/shell_copy.h"
#include "copy/copy_errors.h"
#include "copy/destination_folder.h"
#include "copy/file_io.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>

namespace quillmere::archive {

namespace {

const QString kRecordName = QStringLiteral("restore.json");
const QString kFilesFolder = QStringLiteral("files");

QJsonObject toJson(const KeptRestore& restore) {
    return {
        {QStringLiteral("kind"), restore.kind == KeptRestore::Kind::Restore ? "restore" : "undo"},
        {QStringLiteral("made"), restore.made.toString(Qt::ISODateWithMs)},
        {QStringLiteral("character"), restore.character},
        {QStringLiteral("saveFolder"), restore.saveFolder},
        {QStringLiteral("saveFolderHost"), restore.saveFolderHost},
        {QStringLiteral("kept"), QJsonArray::fromStringList(restore.kept)},
        {QStringLiteral("added"), QJsonArray::fromStringList(restore.added)},
        {QStringLiteral("undone"), restore.undone},
    };
}

QStringList stringsOf(const QJsonValue& value) {
    QStringList strings;
    for (const auto& item : value.toArray())
        strings.append(item.toString());
    return strings;
}

std::optional<KeptRestore> readRecord(const QString& folder) {
    QFile file(folder + u'/' + kRecordName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    KeptRestore restore;
    restore.folder = folder;
    restore.kind = json.value(QStringLiteral("kind")).toString() == QLatin1String("restore")
                       ? KeptRestore::Kind::Restore
                       : KeptRestore::Kind::Undo;
    restore.made = QDateTime::fromString(json.value(QStringLiteral("made")).toString(), Qt::ISODateWithMs);
    restore.character = json.value(QStringLiteral("character")).toString();
    restore.saveFolder = json.value(QStringLiteral("saveFolder")).toString();
    restore.saveFolderHost = json.value(QStringLiteral("saveFolderHost")).toString();
    restore.kept = stringsOf(json.value(QStringLiteral("kept")));
    restore.added = stringsOf(json.value(QStringLiteral("added")));
    restore.undone = json.value(QStringLiteral("undone")).toBool();
    if (restore.saveFolderHost.isEmpty() || !restore.made.isValid())
        return std::nullopt; // not a record this program wrote
    return restore;
}

bool writeRecord(const KeptRestore& restore, QString* failure) {
    QSaveFile file(restore.folder + u'/' + kRecordName);
    if (file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(toJson(restore)).toJson()) >= 0 && file.commit())
        return true;
    *failure = RestoreHistory::tr("The record of the restore could not be written in %1: %2.")
                   .arg(restore.folder, file.errorString());
    return false;
}

// The kept restores' folders, oldest first: their names are the times they were made.
QStringList entryFolders(const QString& root) {
    QStringList names = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (QString& name : names)
        name.prepend(root + u'/');
    return names;
}

} // namespace

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
    KeptRestore restore{newFolder(), kind, QDateTime::currentDateTime(), character, saveFolder, saveFolderHost, {},
                        {},          false};
    copy::FolderNames present;
    if (const int listed = present.read(m_copy.io(), QFile::encodeName(saveFolderHost)); listed < 0) {
        *failure = tr("%1 could not be read: %2.").arg(saveFolder, copy::reasonFor(-listed));
        return std::nullopt;
    }
    for (const QString& name : names) {
        if (const std::optional<QString> existing = present.existing(name))
            restore.kept.append(*existing);
        else
            restore.added.append(name);
    }
    restore.kept.removeDuplicates();
    restore.added.removeDuplicates();
    // The copy makes the folders, each synced into its parent.
    const bool kept = restore.kept.isEmpty() ? QDir().mkpath(restore.folder)
                                             : m_copy.copyHostFiles(saveFolderHost, restore.kept,
                                                                    restore.folder + u'/' + kFilesFolder, failure);
    if (!kept && failure->isEmpty())
        *failure = tr("The folder %1 could not be made.").arg(restore.folder);
    if (!kept || !writeRecord(restore, failure)) {
        QDir(restore.folder).removeRecursively();
        return std::nullopt;
    }
    trim();
    return restore;
}

QString RestoreHistory::newFolder() const {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
    QString folder = m_root + u'/' + stamp;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = m_root + u'/' + stamp + u'-' + QString::number(n);
    return folder;
}

std::optional<KeptRestore> RestoreHistory::lastRestore() const {
    const QStringList folders = entryFolders(m_root);
    // Newest first.
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        std::optional<KeptRestore> restore = readRecord(folders.at(i));
        if (!restore)
            continue; // one being written, or not ours
        if (restore->kind != KeptRestore::Kind::Restore || restore->undone)
            return std::nullopt;
        return restore;
    }
    return std::nullopt;
}

bool RestoreHistory::undo(const KeptRestore& restore, QString* failure) {
    const QStringList touched = restore.kept + restore.added;
    if (!keep(KeptRestore::Kind::Undo, restore.character, restore.saveFolder, restore.saveFolderHost, touched, failure))
        return false;
    if (!restore.kept.isEmpty() &&
        !m_copy.copyHostFiles(restore.folder + u'/' + kFilesFolder, restore.kept, restore.saveFolderHost, failure))
        return false;
    if (!removeAdded(restore, failure))
        return false;
    KeptRestore done = restore;
    done.undone = true;
    return writeRecord(done, failure);
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

void RestoreHistory::trim() const {
    const QStringList folders = entryFolders(m_root);
    for (qsizetype i = 0; i < folders.size() - kRestoresKept; ++i)
        QDir(folders.at(i)).removeRecursively();
}

} // namespace quillmere::archive
