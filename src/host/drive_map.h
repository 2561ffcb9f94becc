#pragma once

#include "winpath/windows_path.h"

#include <QChar>
#include <QList>
#include <QString>

// Windows-form paths over the Wine prefix's drives. Everything above the platform layer speaks
// Windows paths ("C:\Program Files\Diablo II\Save"); this is the one place that turns them into
// host paths and back, the way Wine does.
namespace quillmere::host {

// One drive letter of the prefix's dosdevices/ (or Wine's defaults when that folder is missing).
struct DriveInfo {
    QChar letter;       // lower case, 'a' to 'z'
    QString hostRoot;   // the link's target, absolute and cleaned; empty when the link is dangling
    bool ready = false; // the target exists and its folder can be listed
};

// The drives the prefix maps, sorted by letter. Read afresh on every call.
QList<DriveInfo> drives();
bool isDriveReady(QChar letter);

enum class PathStatus {
    Ok,       // hostPath names where the path lives; the last component need not exist
    NotReady, // the drive is not mapped, its target is missing or unreadable
    Invalid,  // not a Windows path this layer can address, or longer than the system allows
};

struct ResolvedPath {
    PathStatus status = PathStatus::Invalid;
    QString hostPath;
};

// "X:\a\b" (absolute), "\a\b" (root of the current drive), "a\b" (relative to the current folder).
// Separators collapse, "." and ".." are lexical, and components that do not exist with their exact
// case are matched case-insensitively against the folder's entries.
ResolvedPath resolve(const QString& windowsPath);

// The absolute, lexically cleaned form of a Windows path ("c:a\..\b" -> "C:\<current of C>\b"), on
// the current folders as they are now; touches no disk beyond reading the current folder. Empty
// when the path cannot be addressed or a relative path has no current folder to stand on.
QString absoluteWindowsPath(const QString& windowsPath);

// Host path back to Windows form ("C:\users\x"): the drive whose target is the longest prefix
// wins; z: usually catches everything under "/". Empty when no drive holds the path.
QString toWindowsPath(const QString& hostPath);

// "c:"-style text of the process's current drive (the working directory seen through the drives).
QString currentDrive();
// The current folder of the process, in Windows form ("C:\users\x").
QString currentFolder();
// The current folder of one drive: the process's current folder on its own drive, the folder last
// made current on that drive (setDriveCurrentFolder), else the drive's root ("a:\" form, upper case).
QString currentFolderOfDrive(QChar letter);
void setDriveCurrentFolder(const QString& windowsFolder);

} // namespace quillmere::host
