#pragma once

#include "copy/copy_ui.h"
#include "copy/file_io.h"
#include "copy/source_files.h"

#include <QString>
#include <QStringList>

#include <vector>

// The copy behind backup and restore.
namespace quillmere::copy {

enum class CopyStatus {
    Copied,    // every selected file is in the destination
    Skipped,   // done, but the user kept some of the files already there
    Cancelled, // the user cancelled; whole files copied before that stay
    Failed,    // see error; whole files copied before the failure stay
};

struct CopyOutcome {
    CopyStatus status = CopyStatus::Copied;
    CopyError error; // when Failed; also told to the user through CopyUi::reportError

    bool succeeded() const { return status == CopyStatus::Copied; }
};

// Copies every ordinary, visible file that sourcePattern selects (a Windows path whose last
// component may hold wildcards: "C:\Saves\Hero*.*") into the Windows folder destinationFolder,
// asking ui before the folder is created or a file replaced. Folders are left out.
//
// No file is ever damaged: each source is copied as one consistent snapshot into a temporary file
// in the destination folder, checked against what was read and synced to the disk, and only then
// renamed over its target; the folder is synced once the renames are done.
CopyOutcome copyFiles(const QString& sourcePattern, const QString& destinationFolder, CopyUi& ui,
                      FileIo& io = defaultFileIo());

// The same for the program's own copies outside the Wine drives: the files of the host folder
// sourceFolder named in names, into the host folder destinationFolder.
CopyOutcome copyHostFiles(const QString& sourceFolder, const QStringList& names, const QString& destinationFolder,
                          CopyUi& ui, FileIo& io = defaultFileIo());

// The same for host files given one by one, each copied under its own name: files kept under other
// names (their content's hash) are put back under theirs. A source with a SHA-256 given has its
// bytes checked against it as they are read; one that does not match fails the copy with
// SourceDamaged before anything of its batch is put in place. A run of up to 64 files and 64 MB is
// one batch, so all of it or none is put in place; of a larger one, the batches before stay (as do
// the files checked so far when the disk fills up, which are put in place to make room).
CopyOutcome copyHostFiles(const std::vector<HostSource>& sources, const QString& destinationFolder, CopyUi& ui,
                          FileIo& io = defaultFileIo());

} // namespace quillmere::copy
