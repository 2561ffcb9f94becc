#pragma once

#include "copy/file_io.h"
#include "snapshots/manifest.h"

#include <QCoreApplication>

#include <functional>

namespace quillmere::snapshots {

struct ScannedFile {
    QString name;
    QByteArray hostPath;
    copy::FileStat stat; // as listed, not followed through links
};

// The regular files directly in a save folder, whatever their names, and what is left out with its
// reason: links, folders, pipes and devices, and names Windows cannot hold. The temporary files of
// this program's own copies are not the game's and are left out without a word.
struct FolderScan {
    int error = 0; // -errno when the folder itself cannot be read
    QList<ScannedFile> files;
    QList<Skipped> skipped;
};

// wanted, when given, picks the names to look at: the others are passed over unread.
FolderScan scanSaveFolder(copy::FileIo& io, const QString& hostFolder,
                          const std::function<bool(const QString& name)>& wanted = {});

class ScanText {
    Q_DECLARE_TR_FUNCTIONS(Snapshots)
};

} // namespace quillmere::snapshots
