#include "archive/kept_restore.h"

#include "copy/copy_errors.h"
#include "copy/durable_file.h"
#include "copy/file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>

namespace quillmere::archive {

namespace {

// A record names a few dozen files; anything far larger is not one.
constexpr qint64 kMaxRecordBytes = qint64(1) << 20;

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

// Every item a string; nothing when any is not.
std::optional<QStringList> stringsOf(const QJsonValue& value) {
    QStringList strings;
    for (const auto& item : value.toArray()) {
        if (!item.isString())
            return std::nullopt;
        strings.append(item.toString());
    }
    return strings;
}

bool allPlain(const QStringList& names) {
    return std::all_of(names.cbegin(), names.cend(), isPlainFileName);
}

QByteArrayList encoded(const QStringList& names) {
    QByteArrayList bytes;
    for (const QString& name : names)
        bytes.append(QFile::encodeName(name));
    return bytes;
}

// The folder with its links resolved, or empty when it is not there.
QString realFolder(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() ? info.canonicalFilePath() : QString();
}

} // namespace

bool namesPlainFiles(const KeptRestore& restore) {
    return allPlain(restore.kept) && allPlain(restore.added);
}

bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/') &&
           !name.contains(u'\\') && !name.contains(QChar(0));
}

std::optional<KeptRestore> readKeptRestore(copy::FileIo& io, const QString& folder) {
    QByteArray bytes;
    if (copy::readSmallFile(io, QFile::encodeName(folder + u'/' + QLatin1String(kRecordName)), kMaxRecordBytes, bytes) <
        0)
        return std::nullopt;
    const QJsonObject json = QJsonDocument::fromJson(bytes).object();
    KeptRestore restore;
    restore.folder = folder;
    restore.kind = json.value(QStringLiteral("kind")).toString() == QLatin1String("restore")
                       ? KeptRestore::Kind::Restore
                       : KeptRestore::Kind::Undo;
    restore.made = QDateTime::fromString(json.value(QStringLiteral("made")).toString(), Qt::ISODateWithMs);
    restore.character = json.value(QStringLiteral("character")).toString();
    restore.saveFolder = json.value(QStringLiteral("saveFolder")).toString();
    restore.saveFolderHost = json.value(QStringLiteral("saveFolderHost")).toString();
    const std::optional<QStringList> kept = stringsOf(json.value(QStringLiteral("kept")));
    const std::optional<QStringList> added = stringsOf(json.value(QStringLiteral("added")));
    restore.undone = json.value(QStringLiteral("undone")).toBool();
    if (restore.saveFolderHost.isEmpty() || !restore.made.isValid() || !kept || !added)
        return std::nullopt; // not a record at all
    restore.kept = *kept;
    restore.added = *added;
    return restore;
}

QString writeKeptRestore(copy::FileIo& io, const KeptRestore& restore) {
    const int written = copy::writeFileDurably(io, QFile::encodeName(restore.folder), QLatin1String(kRecordName),
                                               QJsonDocument(toJson(restore)).toJson());
    if (written == 0)
        return {};
    return KeptRestoreText::tr("The record of the restore could not be written in %1: %2.")
        .arg(restore.folder, copy::reasonFor(-written));
}

QString undoRefusal(copy::FileIo& io, const KeptRestore& restore, const QString& saveFolderHost) {
    const QString record = restore.folder + u'/' + QLatin1String(kRecordName);
    if (saveFolderHost.isEmpty())
        return KeptRestoreText::tr("The game chosen now has no save folder to undo the restore of %1 in. Nothing "
                                   "was changed.")
            .arg(record);
    const QString recorded = realFolder(restore.saveFolderHost);
    if (recorded.isEmpty() || recorded != realFolder(saveFolderHost))
        return KeptRestoreText::tr("%1 is the record of a restore into %2, which is not the save folder of the game "
                                   "chosen now (%3). Nothing was changed.")
            .arg(record, restore.saveFolderHost, saveFolderHost);
    for (const QStringList* names : {&restore.kept, &restore.added}) {
        for (const QString& name : *names) {
            if (!isPlainFileName(name))
                return KeptRestoreText::tr("%1 names \"%2\", which is not a file of the save folder. Nothing was "
                                           "changed.")
                    .arg(record, name);
        }
    }
    for (const QString& name : restore.kept) {
        copy::FileStat kept;
        const QString path = restore.folder + u'/' + QLatin1String(kKeptFilesFolder) + u'/' + name;
        if (io.linkStatus(QFile::encodeName(path), kept) != 0 || !kept.isFile())
            return KeptRestoreText::tr("%1 names the kept file %2, which is missing or not a plain file. Nothing was "
                                       "changed.")
                .arg(record, path);
    }
    return {};
}

bool removeKeptRestore(copy::FileIo& io, const KeptRestore& restore) {
    const QByteArray folder = QFile::encodeName(restore.folder);
    // The record goes last: a folder whose kept files could not all go stays recognisably ours.
    if (copy::removeOwnFolder(io, folder + '/' + kKeptFilesFolder, encoded(restore.kept)) != 0)
        return false;
    return copy::removeOwnFolder(io, folder, {QByteArray(kRecordName)}) == 0;
}

} // namespace quillmere::archive
