#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the drive, folder and file lists read from disk, kept apart from the widgets so that it can
// be tested and measured on its own.
namespace quillmere::host {

// A folder one of the lists can show, in both of its forms.
struct ListedFolder {
    QString windowsPath; // "C:\Program Files\Diablo II", a drive root "C:\"
    QString hostPath;
};

// Finds the folder a list is asked to show. A bare drive text ("a:", "A:") stands for that drive's
// current folder. Nothing when the folder cannot be shown: the drive is not ready, the path is
// missing or not a folder, or the folder cannot be listed.
std::optional<ListedFolder> openListedFolder(const QString& windowsPath);

enum class EntryKind { Folders, Files };

// The entries of a host folder as the lists show them: only folders or only ordinary files (links
// count as what they point at), without hidden entries and names Windows cannot address, sorted
// case-insensitively. Files are kept when they match one of the ';'-separated wildcard patterns
// (all of them when the pattern is empty). Nothing when the folder cannot be listed.
std::optional<QStringList> readFolderEntries(const QString& hostPath, EntryKind kind, const QString& pattern = {});

} // namespace quillmere::host
