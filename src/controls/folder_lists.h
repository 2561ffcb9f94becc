#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace quillmere::controls {

class DirListBox;
class DriveListBox;
class FileListBox;

// Drive1, Dir1 and File1 as the windows lay them out: named, placed (twips, relative to the frame
// that holds them) and named for screen readers. They open on the process's current drive and folder.
DriveListBox* makeDriveList(QWidget* frame, const QRect& twipsGeometry);
DirListBox* makeDirList(QWidget* frame, const QRect& twipsGeometry);
FileListBox* makeFileList(QWidget* frame, const QString& pattern, const QRect& twipsGeometry);

// The drive rule, run on every change of the drive list: the folder list opens that drive's current
// folder, then the drive list takes the folder list's drive, which puts it back where it was when
// the new drive cannot be read. Neither step's failure is reported.
void followDriveRule(DriveListBox* drive, DirListBox* dir);

// The folder rule, run on every change of the folder list: the file list shows that folder, then
// the folder list takes the file list's folder, which puts it back when the file list could not
// follow. Neither step's failure is reported.
void followFolderRule(DirListBox* dir, FileListBox* file);

} // namespace quillmere::controls
