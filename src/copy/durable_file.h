#pragma once

#include "copy/file_io.h"

#include <QByteArray>
#include <QString>

namespace quillmere::copy {

// Writes all of data to fd. 0 or -errno.
int writeAllTo(FileIo& io, int fd, const QByteArray& data);

// A small file of the program's own (a record, a manifest), written whole or not at all: into a
// temporary file of its folder, synced, renamed over name, then the folder synced, so that a crash
// at any moment leaves the old file or the new one. 0 or -errno.
int writeFileDurably(FileIo& io, const QByteArray& folder, const QString& name, const QByteArray& data);

// Makes the folder path and every missing folder above it, each synced into its parent. 0 or -errno.
int makeFoldersDurably(FileIo& io, const QByteArray& path);

// The bytes of a small regular file, never through a link: 0, -errno, -ELOOP for a link or anything
// but a regular file, -EFBIG when it holds more than maxBytes.
int readSmallFile(FileIo& io, const QByteArray& path, qint64 maxBytes, QByteArray& out);

// Removes the folder path that this program made, holding at most the files named in names (and
// the temporary files of copies killed in it): those files, then the folder, never what a link
// leads to and never anything else. 0 when the folder is gone; -ENOTEMPTY when something else was
// in it, which then stays with the folder; else -errno.
int removeOwnFolder(FileIo& io, const QByteArray& path, const QByteArrayList& names);

} // namespace quillmere::copy
