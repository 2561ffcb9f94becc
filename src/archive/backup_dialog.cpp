#include "archive/backup_dialog.h"

#include "archive/shell_copy.h"
#include "controls/classic_frame.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/twips.h"
#include "game/d2s_engine.h"
#include "game/regedit.h"
#include "winpath/windows_path.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace quillmere::archive {

using controls::twipsRect;

BackupDialog::BackupDialog(const QString& selectedFileName, ShellFileCopy& fileCopy)
    : ArchiveDialog("frmBackup", tr("Backup..."), QSize(4680, 3765))
    , m_selectedFileName(selectedFileName)
    , m_fileCopy(fileCopy) {
    m_frame1 = new QGroupBox(tr("Directory Selection"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipsRect(120, 120, 3495, 3015));
    controls::useClassicFrame(m_frame1);

    auto* label1 = new QLabel(tr("Please select where you would like to backup your character:"), m_frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(twipsRect(120, 360, 2415, 495));
    label1->setWordWrap(true);
    label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    createLists(m_frame1, QRect(120, 840, 2175, 315), QRect(120, 1200, 2175, 1665));

    m_cmdOK = addButton("cmdOK", tr("&OK"), QRect(2520, 960, 975, 495));
    m_cmdCancel = addButton("cmdCancel", tr("&Cancel"), QRect(2520, 1560, 975, 495));
    m_cmdCancel->setDefault(true);
    addRedNote(tr("*It is recommended that you backup to a removable type of media, and store it in a safe place."),
               QRect(120, 3240, 4455, 495));

    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_cmdOK);
    setTabOrder(m_cmdOK, m_cmdCancel);
    m_drive1->setFocus();

    connect(m_cmdOK, &QPushButton::clicked, this, &BackupDialog::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void BackupDialog::cmdOK_Click() {
    // No save folder is a failure, not a copy from the current drive's root.
    const QString saveFolder = regedit::saveFolder();
    const QString name = d2sEngine::fileTitle(m_selectedFileName);
    // A drive root is told by the path alone, so the target never gets two separators.
    const QString target = winpath::joinWindowsPath(m_dir1->path(), name);
    const bool copied = !saveFolder.isEmpty() && (d2sEngine::folderExists(target) || m_fileCopy.createFolder(target)) &&
                        m_fileCopy.run(winpath::joinWindowsPath(saveFolder, name + QStringLiteral("*.*")), target);
    reportCopy(copied, tr("All character(s) were successfully backed up!"),
               tr("An error occurred while backing up your character!"));
}

} // namespace quillmere::archive
