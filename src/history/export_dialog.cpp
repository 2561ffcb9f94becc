#include "history/export_dialog.h"

#include "archive/backup_dialog.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/placement.h"
#include "history/history_actions.h"

#include <QPushButton>

namespace quillmere::history {

// The backup's place, picked the same way.
archive::ArchiveDialog::Layout ExportDialog::layout() {
    Layout layout = archive::BackupDialog::layout();
    layout.instruction = tr("Please select where you would like to export this version:");
    layout.note = tr("*The version's files are copied into a folder named after the character.");
    return layout;
}

ExportDialog::ExportDialog(const VersionRow& version, snapshots::SnapshotStore& store, archive::ShellFileCopy& fileCopy)
    : ArchiveDialog("frmExport", tr("Export..."), layout())
    , m_version(version)
    , m_store(store)
    , m_fileCopy(fileCopy) {
    applyEnterRule({m_drive1, m_dir1});
    controls::setTabChain({m_drive1, m_dir1, m_cmdOK, m_cmdCancel});
    m_drive1->setFocus();
    connect(m_cmdOK, &QPushButton::clicked, this, &ExportDialog::cmdOK_Click);
}

void ExportDialog::cmdOK_Click() {
    if (exportVersion(m_version, m_dir1->path(), m_store, m_fileCopy))
        accept();
}

} // namespace quillmere::history
