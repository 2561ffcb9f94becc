#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace quillmere::winpath {

// Windows refuses longer paths, whatever "." and ".." would make of them.
inline constexpr qsizetype kMaxPathLength = 32767;

// A Windows path made absolute and cleaned without touching a disk: its drive and its components,
// with no ".", ".." or empty ones left and never above the drive's root.
struct LexicalPath {
    enum class Status {
        Ok,
        Invalid,         // not addressable: empty, too long, UNC or device form, a forbidden character
        NoCurrentFolder, // relative, with no current folder to stand on
    };
    Status status = Status::Invalid;
    QChar drive; // lower case
    QStringList components;

    // "C:\a\b"; a drive root is "C:\".
    QString text() const;
};

// The current folder a relative path stands on, in absolute Windows form: that of drive `letter`,
// or of the current drive when `letter` is null. Empty when there is none.
using CurrentFolderOf = std::function<QString(QChar letter)>;

// "C:\a" (absolute), "C:a" (from C's current folder), "\a" (from the current drive's root) and "a"
// (from the current folder). Separators are "\" or "/", and repeated ones collapse.
LexicalPath cleanPath(const QString& windowsPath, const CurrentFolderOf& currentFolderOf);

} // namespace quillmere::winpath
