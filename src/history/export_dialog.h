#pragma once

#include "archive/archive_dialog.h"
#include "history/history_model.h"

namespace quillmere::archive {
class ShellFileCopy;
}

namespace quillmere::snapshots {
class SnapshotStore;
}

namespace quillmere::history {

// frmExport: where to copy a version of the history to, picked as a backup's place is; the files
// go into a folder named after the character.
class ExportDialog final : public archive::ArchiveDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExportDialog)
public:
    ExportDialog(const VersionRow& version, snapshots::SnapshotStore& store, archive::ShellFileCopy& fileCopy);

    void cmdOK_Click();

private:
    static Layout layout();

    VersionRow m_version;
    snapshots::SnapshotStore& m_store;
    archive::ShellFileCopy& m_fileCopy;
};

} // namespace quillmere::history
