#pragma once

#include "archive/archive_dialog.h"

namespace quillmere::archive {

class ShellFileCopy;

// frmBackup: where to back the main window's selected character up to.
class BackupDialog final : public ArchiveDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupDialog)
public:
    // selectedFileName is the main window's File1 selection, read when OK is pressed; fileCopy makes
    // the copy, and stays the caller's.
    BackupDialog(const QString& selectedFileName, ShellFileCopy& fileCopy);

    void cmdOK_Click();

    // Where frmBackup has what; a dialog that picks a place the same way starts from it.
    static Layout layout();

private:
    QString m_selectedFileName;
    ShellFileCopy& m_fileCopy;
};

} // namespace quillmere::archive
