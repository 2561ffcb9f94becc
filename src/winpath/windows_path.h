#pragma once

#include <QString>

// The rules of Windows-form paths that need no disk: drive letters, roots, joins and names.
namespace quillmere::winpath {

bool isSeparator(QChar c);

// The drive a letter names, lower case ('C' -> 'c'), or the null QChar when it is no ASCII letter.
QChar driveLetter(QChar c);
// The drive letter of a Windows path ("C:\x" -> 'c'), or the null QChar when it has none.
QChar driveLetterOf(const QString& windowsPath);

// True for "X:\" (a drive root), whatever the letter's case.
bool isDriveRoot(const QString& windowsPath);

// "a:"-style drive text: a letter and a colon, nothing else.
bool isDriveText(const QString& text);

// Join a folder and a name with exactly one "\" between them.
QString joinWindowsPath(const QString& folder, const QString& name);

// False for names holding a character Windows forbids in names: \ / : * ? " < > | (and control
// characters); such entries cannot be addressed in Windows form and are left out of every list.
bool isAddressableName(const QString& name);

} // namespace quillmere::winpath
