#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <vector>

namespace quillmere::copy {
class CopyUi;
class FileIo;
struct HostSource;
} // namespace quillmere::copy

namespace quillmere::archive {

enum class ReplaceQuestions { Ask, Replace };

// The shell file copy both archive dialogs run: every file that sourcePattern ("C:\Saves\Hero*.*")
// selects, into destinationFolder, with the copy's progress, replace questions and error windows.
// The user interface and the file calls are the caller's, so that tests can answer and fail them.
class ShellFileCopy final {
    Q_DECLARE_TR_FUNCTIONS(ShellFileCopy)
public:
    explicit ShellFileCopy(copy::CopyUi& ui);
    ShellFileCopy(copy::CopyUi& ui, copy::FileIo& io);

    // True only when every file was copied: no error, nothing skipped, nothing cancelled. The mouse
    // pointer shows the hourglass meanwhile and is the default again on return.
    bool run(const QString& sourcePattern, const QString& destinationFolder);
    // Makes the one missing level of windowsFolder, synced into its parent, without asking.
    bool createFolder(const QString& windowsFolder);

    // The program's own copies between host folders (keeping files so that a restore can be
    // undone, and putting them back): the files of sourceFolder named in names into
    // destinationFolder, made when missing and replacing what is there without asking, as safely as
    // run(). Progress shows in the copy's windows; a failure is not shown but returned in
    // *failure, for the caller to tell in its own words.
    bool copyHostFiles(const QString& sourceFolder, const QStringList& names, const QString& destinationFolder,
                       QString* failure);

    // Files kept elsewhere under other names (the history's stored contents) copied into the host
    // folder destinationFolder under their own names, each checked against its hash as it is read,
    // with the copy's progress and error windows; a file already there is replaced after the copy's
    // question, or at once. True only when every file was copied.
    bool copyStoredFiles(const std::vector<copy::HostSource>& sources, const QString& destinationFolder,
                         ReplaceQuestions questions);

    copy::FileIo& io() { return m_io; }

private:
    copy::CopyUi& m_ui;
    copy::FileIo& m_io;
};

} // namespace quillmere::archive
