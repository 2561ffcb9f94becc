#include "controls/folder_lists.h"

#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/file_list_box.h"
#include "controls/placement.h"

#include <QCoreApplication>

namespace quillmere::controls {

namespace {

struct FolderLists {
    Q_DECLARE_TR_FUNCTIONS(FolderLists)
};

} // namespace

DriveListBox* makeDriveList(QWidget* frame, const QRect& twipsGeometry) {
    auto* list = place(new DriveListBox(frame), "Drive1", twipsGeometry);
    list->setAccessibleName(FolderLists::tr("Drive"));
    return list;
}

DirListBox* makeDirList(QWidget* frame, const QRect& twipsGeometry) {
    auto* list = place(new DirListBox(frame), "Dir1", twipsGeometry);
    list->setAccessibleName(FolderLists::tr("Folder"));
    return list;
}

FileListBox* makeFileList(QWidget* frame, const QString& pattern, const QRect& twipsGeometry) {
    auto* list = place(new FileListBox(pattern, frame), "File1", twipsGeometry);
    list->setAccessibleName(FolderLists::tr("Character files"));
    return list;
}

void followDriveRule(DriveListBox* drive, DirListBox* dir) {
    QObject::connect(drive, &DriveListBox::changed, dir, [drive, dir] {
        dir->setPath(drive->drive());
        drive->setDrive(dir->path());
    });
}

void followFolderRule(DirListBox* dir, FileListBox* file) {
    QObject::connect(dir, &DirListBox::changed, file, [dir, file] {
        file->setPath(dir->path());
        dir->setPath(file->path());
    });
}

} // namespace quillmere::controls
