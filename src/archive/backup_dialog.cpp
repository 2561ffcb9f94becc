#include "archive/backup_dialog.h"

#include "archive/save_guard.h"
#include "archive/shell_copy.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/placement.h"
#include "game/d2s_engine.h"
#include "game/regedit.h"
#include "winpath/windows_path.h"

#include <QPushButton>

namespace quillmere::archive {

ArchiveDialog::Layout BackupDialog::layout() {
    return {
        .client = {4680, 3765},
        .frameCaption = tr("Directory Selection"),
        .frame = {120, 120, 3495, 3015},
        .instruction = tr("Please select where you would like to backup your character:"),
        .label1 = {120, 360, 2415, 495},
        .instructionWraps = true,
        .drive1 = {120, 840, 2175, 315},
        .dir1 = {120, 1200, 2175, 1665},
        .cmdOK = {2520, 960, 975, 495},
        .cmdCancel = {2520, 1560, 975, 495},
        .note = tr("*It is recommended that you backup to a removable type of media, and store it in a safe place."),
        .label2 = {120, 3240, 4455, 495},
    };
}

BackupDialog::BackupDialog(const QString& selectedFileName, ShellFileCopy& fileCopy)
    : ArchiveDialog("frmBackup", tr("Backup..."), layout())
    , m_selectedFileName(selectedFileName)
    , m_fileCopy(fileCopy) {
    applyEnterRule({m_drive1, m_dir1});
    controls::setTabChain({m_drive1, m_dir1, m_cmdOK, m_cmdCancel});
    m_drive1->setFocus();
    connect(m_cmdOK, &QPushButton::clicked, this, &BackupDialog::cmdOK_Click);
}

void BackupDialog::cmdOK_Click() {
    // No save folder is a failure, not a copy from the current drive's root.
    const QString saveFolder = regedit::saveFolder();
    const QString name = d2sEngine::fileTitle(m_selectedFileName);
    // A drive root is told by the path alone, so the target never gets two separators.
    const QString target = winpath::joinWindowsPath(m_dir1->path(), name);
    const QString sourcePattern = winpath::joinWindowsPath(saveFolder, name + QStringLiteral("*.*"));
    if (!saveFolder.isEmpty() && !confirmBackupOfProblems(checkSaves(m_fileCopy.io(), sourcePattern)))
        return;
    const bool copied = !saveFolder.isEmpty() && (d2sEngine::folderExists(target) || m_fileCopy.createFolder(target)) &&
                        m_fileCopy.run(sourcePattern, target);
    reportCopy(copied, tr("All character(s) were successfully backed up!"),
               tr("An error occurred while backing up your character!"));
}

} // namespace quillmere::archive
