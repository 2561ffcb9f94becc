#pragma once

#include "copy/file_io.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace quillmere::copy {

// Temporary files are named ".quillmere-<name>.XXXXXX.tmp": hidden from Windows lists, and
// recognisable, so that what a killed copy leaves behind is cleared by the next one.
inline constexpr char TempPrefix[] = ".quillmere-";
inline constexpr char TempSuffix[] = ".tmp";
bool isTempName(const QByteArray& name);

// A new file in the destination folder that becomes a target only by a rename. It is locked from
// the moment anyone can see it, so the sweep of another copy never takes it: made without a name
// (O_TMPFILE) where the file system can, locked and then named; elsewhere made under a temporary
// name and kept only once the lock holds and the name still leads to it. A file not published is
// removed when the object goes.
//
// Not QSaveFile: it cannot lock its file before others see it, cannot be read back before its
// commit, and syncs each file on its own where the copy syncs many at once.
class TempFile final {
public:
    explicit TempFile(FileIo& io)
        : m_io(&io) {}
    ~TempFile() { discard(); }
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // 0 or -errno.
    int create(const QByteArray& folder, const QString& targetName);
    int fd() const { return m_fd; }
    // A read-only descriptor of the file's own, opened afresh (the caller closes it); -errno.
    int reopenRead() const { return m_io->reopenRead(m_fd, m_path); }
    // Renames the file over target; on failure the file is removed. 0 or -errno.
    int publish(const QByteArray& target);
    void discard();

private:
    QByteArray freshPath() const;
    int createNamed();
    bool holdsLock(int fd, const QByteArray& path);
    int nameUnnamed();

    FileIo* m_io;
    int m_fd = -1;
    QByteArray m_folder;
    QByteArray m_stem;
    QByteArray m_path; // empty while the file has no name
};

// Removes the temporary files in folder (names as listed) that no live copy holds: those a killed
// copy left. Whatever cannot be removed stays for a later sweep; it is hidden, and never a target.
void sweepStaleTemps(FileIo& io, const QByteArray& folder, const QByteArrayList& names);

} // namespace quillmere::copy
