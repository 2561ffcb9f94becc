#pragma once

#include "archive/archive_dialog.h"

#include <vector>

namespace quillmere::controls {
class FileListBox;
}
namespace quillmere::character {
class PreviewPanel;
}
namespace quillmere::copy {
struct SourceFile;
}

namespace quillmere::archive {

class RestoreHistory;
class ShellFileCopy;

// frmRestore: pick a character in any folder, preview it, and copy it back into the save folder.
class RestoreDialog final : public ArchiveDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestoreDialog)
public:
    // fileCopy makes the copy; history keeps what a restore replaces, so that it can be undone. Both
    // stay the caller's.
    RestoreDialog(ShellFileCopy& fileCopy, RestoreHistory& history);

    void cmdOK_Click();

private:
    static Layout layout();
    // Before anything is written: a warning for each character the restore would take backwards,
    // then the files it will replace kept. False when the restore must not start.
    bool prepareRestore(const QString& character, const QString& sourcePattern, const QString& saveFolder);
    bool confirmGoingBackwards(const std::vector<copy::SourceFile>& sources, const QString& saveFolderHost);

    ShellFileCopy& m_fileCopy;
    RestoreHistory& m_history;
    controls::FileListBox* m_file1 = nullptr;
    character::PreviewPanel* m_preview = nullptr;
};

} // namespace quillmere::archive
