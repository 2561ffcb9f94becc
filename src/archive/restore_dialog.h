#pragma once

#include "archive/archive_dialog.h"

namespace quillmere::controls {
class FileListBox;
}
namespace quillmere::character {
class PreviewPanel;
}

namespace quillmere::archive {

class ShellFileCopy;

// frmRestore: pick a character in any folder, preview it, and copy it back into the save folder.
class RestoreDialog final : public ArchiveDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestoreDialog)
public:
    // fileCopy makes the copy, and stays the caller's.
    explicit RestoreDialog(ShellFileCopy& fileCopy);

    void cmdOK_Click();

private:
    static Layout layout();

    ShellFileCopy& m_fileCopy;
    controls::FileListBox* m_file1 = nullptr;
    character::PreviewPanel* m_preview = nullptr;
};

} // namespace quillmere::archive
