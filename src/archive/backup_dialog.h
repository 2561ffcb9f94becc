#pragma once

#include "archive/archive_dialog.h"

class QGroupBox;

namespace quillmere::archive {

// frmBackup: where to back the main window's selected character up to.
class BackupDialog final : public ArchiveDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupDialog)
public:
    // selectedFileName is the main window's File1 selection, read when OK is pressed.
    explicit BackupDialog(const QString& selectedFileName);

    void cmdOK_Click();

private:
    QString m_selectedFileName;
    QGroupBox* m_frame1 = nullptr;
};

} // namespace quillmere::archive
