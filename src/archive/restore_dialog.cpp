#include "archive/restore_dialog.h"

#include "archive/shell_copy.h"
#include "character/preview_panel.h"
#include "controls/classic_frame.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/file_list_box.h"
#include "controls/message_box.h"
#include "controls/twips.h"
#include "game/d2s_engine.h"
#include "game/regedit.h"
#include "host/drive_map.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace quillmere::archive {

using controls::twipsRect;

RestoreDialog::RestoreDialog(ShellFileCopy& fileCopy)
    : ArchiveDialog("frmRestore", tr("Restore..."), QSize(4830, 4800))
    , m_fileCopy(fileCopy) {
    m_frame1 = new QGroupBox(tr("Character Selection: Restore"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipsRect(120, 120, 4575, 3975));
    controls::useClassicFrame(m_frame1);

    createLists(m_frame1, QRect(120, 960, 2175, 315), QRect(120, 1320, 2175, 1665));

    m_file1 = new controls::FileListBox(QStringLiteral("*.d2s"), m_frame1);
    m_file1->setObjectName(QStringLiteral("File1"));
    m_file1->setGeometry(twipsRect(120, 3000, 2175, 870));
    m_file1->setAccessibleName(tr("Character files"));
    sendEnterToCancel(m_file1);

    auto* label1 = new QLabel(tr("Please select the character you would like to restore:"), m_frame1);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(twipsRect(120, 480, 4095, 255));

    m_preview = new character::PreviewPanel(character::PreviewPanel::Variant::RestoreDialog, m_frame1);
    m_preview->move(twipsRect(2520, 2280, 1815, 1575).topLeft());

    m_cmdOK = addButton("cmdOK", tr("&OK"), QRect(2520, 1080, 2055, 495));
    m_cmdCancel = addButton("cmdCancel", tr("&Cancel"), QRect(2520, 1800, 2055, 495));
    m_cmdCancel->setDefault(true);
    addRedNote(tr("*All characters are restored to the default Diablo 2 saved game directory on your hard drive."),
               QRect(120, 4320, 4335, 495));

    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_file1);
    setTabOrder(m_file1, m_cmdOK);
    setTabOrder(m_cmdOK, m_cmdCancel);
    m_drive1->setFocus();

    connect(m_dir1, &controls::DirListBox::changed, this, &RestoreDialog::folderChange);
    connect(m_file1, &controls::FileListBox::selectionEvent, this,
            [this] { m_preview->PreviewSelection(m_dir1->path(), m_file1->fileName()); });
    connect(m_cmdOK, &QPushButton::clicked, this, &RestoreDialog::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Load: the empty preview; the lists stay on the process's current drive and folder.
    m_preview->ResetPreview();
}

void RestoreDialog::folderChange() {
    m_file1->setPath(m_dir1->path());
    m_dir1->setPath(m_file1->path());
    m_preview->ResetPreview();
}

void RestoreDialog::cmdOK_Click() {
    const QString fileName = m_file1->fileName();
    if (fileName.isEmpty()) {
        controls::msgBox(tr("You have not selected a file yet!"), controls::mb::Critical, tr("No File Selected..."));
        return;
    }
    // No save folder is a failure: nothing is copied anywhere.
    const QString saveFolder = regedit::saveFolder();
    const QString name = d2sEngine::fileTitle(fileName);
    // A backup folder at a drive root is joined with a single separator, as the backup does.
    const QString sourcePattern = winpath::joinWindowsPath(m_dir1->path(), name + QStringLiteral("*.*"));
    const bool copied = !saveFolder.isEmpty() && m_fileCopy.run(sourcePattern, saveFolder);
    reportCopy(copied, tr("All character(s) were successfully restored!"),
               tr("An error occurred while restoring your character!"));
}

} // namespace quillmere::archive
