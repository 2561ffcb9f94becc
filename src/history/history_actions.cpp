#include "history/history_actions.h"

#include "archive/restore_history.h"
#include "archive/save_guard.h"
#include "archive/shell_copy.h"
#include "controls/message_box.h"
#include "copy/destination_folder.h"
#include "copy/source_files.h"
#include "host/drive_map.h"
#include "snapshots/snapshot_store.h"
#include "winpath/windows_path.h"

#include <QFile>
#include <QFileInfo>

namespace quillmere::history {

namespace {

class ActionText {
    Q_DECLARE_TR_FUNCTIONS(History)
public:
    static void failure(const QString& text) { controls::msgBox(text, controls::MsgStyle::Critical, tr("Failure!")); }
    static void success(const QString& text) {
        controls::msgBox(text, controls::MsgStyle::Information, tr("Success!"));
    }
    static QString nameOf(const VersionRow& version) {
        return version.character.isStash() ? tr("Shared stash") : version.character.name;
    }
};

std::vector<copy::HostSource> sourcesOf(const VersionRow& version, const snapshots::SnapshotStore& store) {
    std::vector<copy::HostSource> sources;
    for (const snapshots::FileEntry& file : version.character.files)
        sources.push_back(
            {QFile::decodeName(store.contentPath(file.sha256)), file.name, QString::fromLatin1(file.sha256)});
    return sources;
}

bool refuseDamaged(const VersionRow& version, const snapshots::SnapshotStore& store, const QString& action) {
    const QString damaged = firstDamagedFile(version, store);
    if (damaged.isEmpty())
        return false;
    ActionText::failure(ActionText::tr("Nothing was %1: the stored copy of %2 is damaged (its contents no longer "
                                       "match their hash), so this version cannot be used.")
                            .arg(action, damaged));
    return true;
}

// Asks first when the character in the save folder is the newer one; true to go on.
bool confirmGoingBackwards(const VersionRow& version, const QString& saveFolderHost, copy::FileIo& io) {
    const snapshots::CharacterVersion& stored = version.character;
    if (stored.isStash() || stored.file.isEmpty())
        return true;
    copy::FolderNames present;
    present.read(io, QFile::encodeName(saveFolderHost));
    const std::optional<QString> existing = present.existing(stored.file);
    if (!existing)
        return true;
    const archive::CharacterVersion current = archive::readCharacterVersion(saveFolderHost + u'/' + *existing);
    qint64 savedNs = 0;
    for (const snapshots::FileEntry& file : stored.files)
        savedNs = file.name == stored.file ? file.modifiedNs : savedNs;
    const archive::CharacterVersion older =
        archive::characterVersionOf(stored.summary, QDateTime::fromMSecsSinceEpoch(savedNs / 1'000'000));
    if (!archive::goesBackwards(current, older))
        return true;
    return controls::msgBox(archive::backwardsQuestion(stored.name, current, older, archive::BackwardsFrom::History),
                            controls::MsgStyle::WarningDefaultNo,
                            ActionText::tr("Restore...")) == controls::MsgAnswer::Yes;
}

QString hostFolderOf(const QString& windowsFolder) {
    const host::ResolvedPath resolved = host::resolve(windowsFolder);
    return resolved.status == host::PathStatus::Ok && QFileInfo(resolved.hostPath).isDir() ? resolved.hostPath
                                                                                           : QString();
}

} // namespace

QString firstDamagedFile(const VersionRow& version, const snapshots::SnapshotStore& store) {
    for (const snapshots::FileEntry& file : version.character.files) {
        if (store.checkContent(file.sha256) != 1)
            return file.name;
    }
    return {};
}

bool restoreVersion(const snapshots::GameRef& game, const VersionRow& version, snapshots::SnapshotStore& store,
                    archive::RestoreHistory& restores, archive::ShellFileCopy& fileCopy) {
    const QString saveFolderHost = hostFolderOf(game.saveFolder);
    if (saveFolderHost.isEmpty()) {
        ActionText::failure(ActionText::tr("The save folder %1 is gone: nothing was restored.").arg(game.saveFolder));
        return false;
    }
    if (refuseDamaged(version, store, ActionText::tr("restored")) ||
        !confirmGoingBackwards(version, saveFolderHost, fileCopy.io()))
        return false;
    QStringList names;
    for (const snapshots::FileEntry& file : version.character.files)
        names << file.name;
    QString failure;
    const std::optional<archive::KeptRestore> kept =
        restores.keepBeforeRestore(ActionText::nameOf(version), game.saveFolder, saveFolderHost, names, &failure);
    if (!kept) {
        ActionText::failure(ActionText::tr("Nothing was restored: the files in the save folder that the restore would "
                                           "replace could not be kept so that the restore can be undone.\n\n%1")
                                .arg(failure));
        return false;
    }
    if (!fileCopy.copyStoredFiles(sourcesOf(version, store), saveFolderHost, archive::ReplaceQuestions::Replace)) {
        QString undone;
        restores.undo(*kept, &undone); // whatever was put in place goes back
        ActionText::failure(ActionText::tr("An error occurred while restoring your character!"));
        return false;
    }
    ActionText::success(ActionText::tr("All character(s) were successfully restored!"));
    return true;
}

bool exportVersion(const VersionRow& version, const QString& folder, snapshots::SnapshotStore& store,
                   archive::ShellFileCopy& fileCopy) {
    if (refuseDamaged(version, store, ActionText::tr("exported")))
        return false;
    const QString target = winpath::joinWindowsPath(folder, ActionText::nameOf(version));
    const bool made = !hostFolderOf(target).isEmpty() || fileCopy.createFolder(target);
    const QString host = hostFolderOf(target);
    if (!made || host.isEmpty() ||
        !fileCopy.copyStoredFiles(sourcesOf(version, store), host, archive::ReplaceQuestions::Ask)) {
        ActionText::failure(ActionText::tr("An error occurred while exporting the version!"));
        return false;
    }
    ActionText::success(ActionText::tr("The version was successfully exported!"));
    return true;
}

} // namespace quillmere::history
