#include "archive/shell_copy.h"

#include "controls/mouse_pointer.h"
#include "copy/copy_files.h"
#include "copy/destination_folder.h"
#include "host/drive_map.h"

#include <QFile>

namespace quillmere::archive {

ShellFileCopy::ShellFileCopy(copy::CopyUi& ui)
    : ShellFileCopy(ui, copy::defaultFileIo()) {}

ShellFileCopy::ShellFileCopy(copy::CopyUi& ui, copy::FileIo& io)
    : m_ui(ui)
    , m_io(io) {}

bool ShellFileCopy::run(const QString& sourcePattern, const QString& destinationFolder) {
    controls::BusyPointer busy;
    const copy::CopyOutcome outcome = copy::copyFiles(sourcePattern, destinationFolder, m_ui, m_io);
    busy.restore();
    return outcome.succeeded();
}

bool ShellFileCopy::createFolder(const QString& windowsFolder) {
    const host::ResolvedPath resolved = host::resolve(windowsFolder);
    return resolved.status == host::PathStatus::Ok &&
           copy::makeFolderDurably(m_io, QFile::encodeName(resolved.hostPath)) == 0;
}

} // namespace quillmere::archive
