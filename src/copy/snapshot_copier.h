#pragma once

#include "copy/content_hash.h"
#include "copy/copy_ui.h"
#include "copy/file_io.h"
#include "copy/source_files.h"
#include "copy/temp_file.h"

#include <vector>

namespace quillmere::copy {

// The progress of one whole copy, and the user's Cancel, which once pressed stays pressed.
class CopyProgress final {
public:
    CopyProgress(CopyUi& ui, qint64 total)
        : m_ui(ui)
        , m_total(total) {}

    void inFile(const QString& name, qint64 bytes) {
        m_name = name;
        m_shown = m_done + bytes;
        m_ui.progress(name, m_shown, m_total);
    }
    void fileDone(qint64 size) { m_done += size; }
    void allDone() { m_ui.progress(QString(), m_total, m_total); }
    bool cancelled() { return m_cancelled = m_cancelled || m_ui.cancelled(); }
    // While the copy waits for the disk: the progress window still shows up, and answers.
    void stillWorking() {
        m_ui.progress(m_name, m_shown, m_total);
        cancelled();
    }

private:
    CopyUi& m_ui;
    qint64 m_total;
    qint64 m_done = 0;
    QString m_name;
    qint64 m_shown = 0;
    bool m_cancelled = false;
};

// One source in a temporary file of the destination folder, not yet in place.
struct WrittenCopy {
    explicit WrittenCopy(FileIo& io)
        : temp(io) {}
    TempFile temp;
    qint64 size = 0;
    quint64 hash = 0;  // of the bytes read from the source
    QByteArray sha256; // of the same bytes, in lowercase hex, when the copier computes it; else empty
};

struct CopyStep {
    enum Status { Done, Cancelled, ReadFailed, WriteFailed, SourceChanged };
    Status status = Done;
    int error = 0; // the errno of a failure
};

// Copies one source file into a temporary file, as one consistent snapshot: the source's size and
// times are noted before and after reading, and when they differ it is read again, a few times,
// before the copy gives up on it. The temporary file takes the snapshot's modification time and
// permissions, and keeps a hash of what was read, so that the copy can be checked before it is
// renamed into place.
//
// Each byte is read from the source once, hashed while it is still in the processor's cache, and
// written; the copy is read back once, through a descriptor of its own.
class SnapshotCopier final {
public:
    SnapshotCopier(FileIo& io, CopyProgress& progress);

    // Also computes each copy's SHA-256 (WrittenCopy::sha256), in the same pass over the bytes. Off
    // unless asked: it costs more than the rest of the copy.
    void setComputeSha256(bool compute) { m_computeSha256 = compute; }

    CopyStep copy(const SourceFile& source, const QByteArray& folder, const QString& targetName, WrittenCopy& out);
    // Reads the temporary file back as any later reader of it would, through a descriptor opened
    // afresh: 1 when it holds what was read, 0 when it does not, else -errno.
    int verify(const WrittenCopy& copy);

private:
    CopyStep copyOnce(const SourceFile& source, const QByteArray& folder, const QString& targetName, WrittenCopy& out);
    CopyStep pump(int in, const FileStat& before, const QString& name, WrittenCopy& out);
    int writeAll(int fd, qint64 size);
    int stamp(int fd, const FileStat& snapshot);
    int hashReadBack(int fd, qint64& size);

    FileIo& m_io;
    CopyProgress& m_progress;
    std::vector<char> m_buffer;
    ContentHash m_hash;
    bool m_computeSha256 = false;
};

} // namespace quillmere::copy
