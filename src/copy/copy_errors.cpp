#include "copy/copy_errors.h"

#include <cerrno>
#include <cstring>

namespace quillmere::copy {

QString reasonFor(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

CopyError writeError(int error, const QString& windowsPath) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return {CopyErrorKind::DiskFull, windowsPath,
                CopyText::tr("Cannot copy to %1: there is not enough free disk space.").arg(windowsPath)};
    case EROFS:
        return {CopyErrorKind::ReadOnly, windowsPath,
                CopyText::tr("Cannot copy to %1: the disk is write-protected.").arg(windowsPath)};
    case EACCES:
    case EPERM:
        return {CopyErrorKind::ReadOnly, windowsPath,
                CopyText::tr("Cannot copy to %1: access is denied; the folder is read-only.").arg(windowsPath)};
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
        return {CopyErrorKind::NotReady, windowsPath,
                CopyText::tr("Cannot copy to %1: the device is not ready.").arg(windowsPath)};
    default:
        return {CopyErrorKind::WriteFailed, windowsPath,
                CopyText::tr("Cannot copy to %1: %2.").arg(windowsPath, reasonFor(error))};
    }
}

CopyError readError(int error, const QString& name) {
    return {CopyErrorKind::ReadFailed, name,
            CopyText::tr("Cannot copy %1: cannot read from the source file or disk (%2).").arg(name, reasonFor(error))};
}

} // namespace quillmere::copy
