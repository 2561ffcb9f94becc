#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reading folders the way Windows lists them: the one loop over a folder's entries, for the drive,
// folder and file lists, the d2sEngine searches and the copy's sources.
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

enum class EntryKind { Folders, Files, FilesAndFolders };

struct EntryFilter {
    EntryKind kind = EntryKind::Files;
    // Wildcard patterns, one of which a name must match; none for every name.
    QStringList patterns;
    // The "." and ".." entries, which Windows lists in every folder but a drive's root.
    bool dotEntries = false;
};

// The entries of a host folder as Windows lists them: ordinary files and folders only (links count
// as what they point at), without hidden entries and names Windows cannot address, sorted
// case-insensitively. Nothing when the folder cannot be listed.
std::optional<QStringList> readFolderEntries(const QString& hostPath, const EntryFilter& filter);
// The same with the patterns as a file list's pattern gives them: separated by ';' ("*.d2s;*.txt").
std::optional<QStringList> readFolderEntries(const QString& hostPath, EntryKind kind, const QString& pattern = {});

// Whether one host path is an entry such a listing could hold, by its kind and the hidden rule.
bool isListedAs(const QString& hostPath, EntryKind kind);

// The folders right below a host folder, hidden ones included, links counting as what they point
// at; unsorted. A name that is not valid UTF-8 cannot be opened again through the program's paths:
// it comes apart, as the file system gives it. Nothing when the folder cannot be listed.
struct HostSubfolders {
    QStringList names;
    QList<QByteArray> undecodable;
};
HostSubfolders readHostSubfolders(const QString& hostPath);

// A host name as the program sees it: decoded from the file system's encoding, or empty when the
// decoded name would not encode back to the same bytes (it could not be opened again).
QString decodedEntryName(const char* hostName);

} // namespace quillmere::host
