#pragma once

#include "copy/copy_ui.h"
#include "copy/file_io.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillmere::copy {

struct SourceFile {
    QString name; // as the source folder spells it; also the name of the copy
    QByteArray hostPath;
    FileStat listed;           // as it was when listed: the size the progress counts, the question's "new" version
    QByteArray expectedSha256; // lowercase hex of the bytes it must hold; empty when they are not checked
};

// A host file copied under a name of its own, such as a copy kept under its content's hash and put
// back under the name it had.
struct HostSource {
    QString hostPath; // the file to read
    QString name;     // the copy's name in the destination folder
    QString sha256;   // hex of the SHA-256 its bytes must have; empty when they are not checked
};

struct SourceListing {
    std::vector<SourceFile> files;
    std::optional<CopyError> error;
};

// The ordinary, visible files that sourcePattern ("C:\Saves\Hero*.*") selects, in the order they are
// copied. An error instead when the folder cannot be reached or read, when nothing matches, or when
// two names differ only in letter case: Windows cannot hold both in one folder, and copying one over
// the other would lose a character.
SourceListing listSources(const QString& sourcePattern, FileIo& io);
// The files named in names of the host folder hostFolder, each of which must be an ordinary file.
SourceListing listHostSources(const QString& hostFolder, const QStringList& names, FileIo& io);
// The same for host files given one by one, each with the name of its copy.
SourceListing listHostSources(const std::vector<HostSource>& sources, FileIo& io);

} // namespace quillmere::copy
