#pragma once

#include <QString>

namespace quillmere::host {

// The absolute, lexically cleaned form of a Windows path ("c:a\..\b" -> "C:\<current of C>\b"):
// drive letter upper case, single "\" separators, no "." or ".." left, never above the drive root,
// no trailing "\" except on a drive root. Touches no disk beyond reading the current folder.
// Empty when the path cannot be addressed (forbidden characters, UNC and device paths) or when
// a relative path has no current folder to stand on.
QString absoluteWindowsPath(const QString& windowsPath);

} // namespace quillmere::host
