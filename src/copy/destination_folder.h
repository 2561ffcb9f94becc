#pragma once

#include "copy/copy_ui.h"
#include "copy/file_io.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

namespace quillmere::copy {

// The names a folder holds that Windows can spell, for finding the file a copy of a name replaces:
// Hero.d2s replaces an existing hero.d2s, as on Windows, rather than joining it.
class FolderNames {
public:
    // Takes the names as the file system spells them, leaving out the copy's temporary files.
    void add(QByteArrayList raw);
    // Lists hostFolder and takes its names. 0 or -errno.
    int read(FileIo& io, const QByteArray& hostFolder);
    // The name already there in any letter case; when several fold alike, the last in byte order.
    std::optional<QString> existing(const QString& name) const;

private:
    QSet<QString> m_names;
    QHash<QString, QString> m_byFoldedName;
};

// The folder a copy writes into: found, created when the user agrees (each new level synced into
// its parent), cleared of the temporary files of killed copies, and read for the names it holds.
class DestinationFolder final {
public:
    // A Windows path on the prefix's drives, or a host path for the program's own folders.
    enum class PathKind { Windows, Host };

    DestinationFolder(FileIo& io, const QString& path, PathKind kind = PathKind::Windows);
    ~DestinationFolder();
    DestinationFolder(const DestinationFolder&) = delete;
    DestinationFolder& operator=(const DestinationFolder&) = delete;

    enum class Opened { Ready, Declined, Failed };
    Opened open(CopyUi& ui);
    // Set when open() failed.
    const CopyError& error() const { return m_error; }

    // The name a source file is copied to: the one already there in any letter case, else its own.
    QString targetNameFor(const QString& sourceName) const;
    QByteArray hostPathOf(const QString& name) const;
    QString windowsPathOf(const QString& name) const;
    const QByteArray& hostPath() const { return m_hostPath; }
    const QString& windowsPath() const { return m_windowsPath; }

    // Makes the renames into the folder durable. 0 or -errno.
    int sync();

private:
    bool fail(const CopyError& error);
    bool resolve();
    bool create();
    bool createLevel(const QByteArray& level);
    bool readNames();

    FileIo& m_io;
    PathKind m_kind;
    QString m_windowsPath; // as the user is shown it: the host path itself for a host folder
    QByteArray m_hostPath;
    int m_fd = -1;
    FolderNames m_names;
    CopyError m_error;
};

// Makes the folder hostPath, whose parent exists, and syncs the parent, which holds its name. 0 or
// -errno; -EEXIST when it was there already (the parent is synced all the same).
int makeFolderDurably(FileIo& io, const QByteArray& hostPath);
// Syncs the folder hostPath, which makes the entries made or removed in it durable. 0 or -errno.
int syncFolderAt(FileIo& io, const QByteArray& hostPath);

} // namespace quillmere::copy
