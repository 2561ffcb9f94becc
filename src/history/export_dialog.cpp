#include "history/export_dialog.h"

#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/placement.h"
#include "history/history_actions.h"

#include <QPushButton>

namespace quillmere::history {

archive::ArchiveDialog::Layout ExportDialog::layout() {
    return {
        .client = {4680, 3765},
        .frameCaption = tr("Directory Selection"),
        .frame = {120, 120, 3495, 3015},
        .instruction = tr("Please select where you would like to export this version:"),
        .label1 = {120, 360, 2415, 495},
        .instructionWraps = true,
        .drive1 = {120, 840, 2175, 315},
        .dir1 = {120, 1200, 2175, 1665},
        .cmdOK = {2520, 960, 975, 495},
        .cmdCancel = {2520, 1560, 975, 495},
        .note = tr("*The version's files are copied into a folder named after the character."),
        .label2 = {120, 3240, 4455, 495},
    };
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
