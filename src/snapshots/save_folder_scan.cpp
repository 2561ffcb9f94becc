#include "snapshots/save_folder_scan.h"

#include "copy/copy_errors.h"
#include "copy/temp_file.h"
#include "winpath/windows_path.h"

#include <QFile>

#include <algorithm>

#include <sys/stat.h>

namespace quillmere::snapshots {

namespace {

bool isAscii(const QByteArray& raw) {
    return std::all_of(raw.cbegin(), raw.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QString reasonToLeaveOut(const QString& name, const QByteArray& raw, const copy::FileStat& stat) {
    // A name that is not valid UTF-8 does not come back from its decoding the same.
    if ((!isAscii(raw) && QFile::encodeName(name) != raw) || !winpath::isAddressableName(name))
        return ScanText::tr("its name cannot be held by Windows");
    if (S_ISLNK(stat.mode))
        return ScanText::tr("it is a link");
    if (stat.isFolder())
        return ScanText::tr("it is a folder");
    if (!stat.isFile())
        return ScanText::tr("it is not a regular file");
    return {};
}

} // namespace

FolderScan scanSaveFolder(copy::FileIo& io, const QString& hostFolder,
                          const std::function<bool(const QString& name)>& wanted) {
    FolderScan scan;
    const QByteArray folder = QFile::encodeName(hostFolder);
    copy::FileStat found;
    if (const int status = io.pathStatus(folder, found); status < 0 || !found.isFolder()) {
        scan.error = status < 0 ? status : -ENOTDIR;
        return scan;
    }
    QList<copy::FolderEntry> entries;
    if (const int listed = io.listFolderStatus(folder, entries); listed < 0) {
        scan.error = listed;
        return scan;
    }
    std::sort(entries.begin(), entries.end(),
              [](const copy::FolderEntry& a, const copy::FolderEntry& b) { return a.name < b.name; });
    for (copy::FolderEntry& entry : entries) {
        if (copy::isTempName(entry.name))
            continue;
        ScannedFile file{QFile::decodeName(entry.name), {}, entry.stat};
        if (wanted && !wanted(file.name))
            continue;
        file.hostPath = folder + '/' + entry.name;
        const QString reason =
            entry.status < 0 ? copy::reasonFor(-entry.status) : reasonToLeaveOut(file.name, entry.name, file.stat);
        if (reason.isEmpty())
            scan.files.append(std::move(file));
        else
            scan.skipped.append({file.name, reason});
    }
    return scan;
}

} // namespace quillmere::snapshots
