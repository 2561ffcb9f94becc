#pragma once

#include "copy/copy_ui.h"

#include <QCoreApplication>

namespace quillmere::copy {

// The copy's texts share one translation context.
class CopyText final {
    Q_DECLARE_TR_FUNCTIONS(ShellCopy)
};

// The system's reason for an errno value, ready to show.
QString reasonFor(int error);

// A failure while writing to the destination (or reading it), told by its reason: a full disk, a
// read-only medium, a drive that went away, or the system's own words.
CopyError writeError(int error, const QString& windowsPath);

// A failure while reading the source file name.
CopyError readError(int error, const QString& name);

} // namespace quillmere::copy
