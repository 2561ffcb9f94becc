#pragma once

#include <QString>

namespace quillmere::copy {
class CopyUi;
class FileIo;
} // namespace quillmere::copy

namespace quillmere::archive {

// The shell file copy both archive dialogs run: every file that sourcePattern ("C:\Saves\Hero*.*")
// selects, into destinationFolder, with the copy's progress, replace questions and error windows.
// The user interface and the file calls are the caller's, so that tests can answer and fail them.
class ShellFileCopy final {
public:
    explicit ShellFileCopy(copy::CopyUi& ui);
    ShellFileCopy(copy::CopyUi& ui, copy::FileIo& io);

    // True only when every file was copied: no error, nothing skipped, nothing cancelled. The mouse
    // pointer shows the hourglass meanwhile and is the default again on return.
    bool run(const QString& sourcePattern, const QString& destinationFolder);
    // Makes the one missing level of windowsFolder, synced into its parent, without asking.
    bool createFolder(const QString& windowsFolder);

private:
    copy::CopyUi& m_ui;
    copy::FileIo& m_io;
};

} // namespace quillmere::archive
