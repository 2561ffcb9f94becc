#pragma once

#include "archive/archive_dialog.h"

namespace quillmere::controls {
class FileListBox;
}
namespace quillmere::character {
class PreviewPanel;
}

namespace quillmere::archive {

// frmRestore: pick a character in any folder, preview it, and copy it back into the save folder.
class RestoreDialog final : public ArchiveDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestoreDialog)
public:
    RestoreDialog();

    void cmdOK_Click();

private:
    static Layout layout();

    controls::FileListBox* m_file1 = nullptr;
    character::PreviewPanel* m_preview = nullptr;
};

} // namespace quillmere::archive
