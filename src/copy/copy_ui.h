#pragma once

#include <QDateTime>
#include <QString>

// The user's side of a copy: the questions it asks, the errors it reports and its progress. The Qt
// windows implement it (shell_copy_windows.h); tests script it.
namespace quillmere::copy {

enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };

// What the replace question shows: the file and both versions of it.
struct ReplaceInfo {
    QString name;        // the file name as the destination folder holds it
    QString destination; // the destination folder, Windows form
    qint64 existingSize = 0;
    QDateTime existingModified;
    qint64 newSize = 0;
    QDateTime newModified;
};

enum class CopyErrorKind {
    NoMatch,           // nothing in the source folder matches the pattern
    CaseCollision,     // two sources whose names differ only in letter case
    SameFile,          // source and destination are one file
    DiskFull,          // no room left on the destination
    ReadOnly,          // the destination refuses writing
    NotReady,          // the drive is not mapped, gone or unreadable
    PathNotFound,      // not a path this program can address
    DestinationIsFile, // the destination folder names a file
    TargetIsFolder,    // a folder holds the name a file would be copied to
    CreateFolder,      // the destination folder could not be made
    ReadFailed,        // the source could not be read
    SourceChanged,     // the source kept changing while it was read
    VerifyFailed,      // the copy on disk differs from what was read
    SourceDamaged,     // a source's bytes do not match the hash they were kept under
    WriteFailed,       // any other failure while writing or syncing
};

struct CopyError {
    CopyErrorKind kind = CopyErrorKind::WriteFailed;
    QString path;    // the file or folder concerned, Windows form
    QString message; // the reason, ready to show
};

class CopyUi {
public:
    virtual ~CopyUi() = default;
    // Around every copy, also one that fails or is cancelled.
    virtual void copyStarted() = 0;
    virtual void copyFinished() = 0;
    virtual ReplaceAnswer confirmReplace(const ReplaceInfo& info) = 0;
    virtual bool confirmCreateFolder(const QString& windowsFolder) = 0;
    virtual void reportError(const CopyError& error) = 0;
    // bytesDone and bytesTotal count the whole copy, not one file.
    virtual void progress(const QString& fileName, qint64 bytesDone, qint64 bytesTotal) = 0;
    // Also called while the copy waits for the disk, so that the windows stay responsive.
    virtual bool cancelled() = 0;
};

// A copy without windows: nothing shown, nothing asked. One that goes on says yes to everything and
// is never cancelled (the snapshots); one that does not says no and is cancelled at once (for what
// only reads, and must never copy).
class SilentCopyUi final : public CopyUi {
public:
    enum class Answer { GoOn, Refuse };
    explicit SilentCopyUi(Answer answer)
        : m_goOn(answer == Answer::GoOn) {}

    void copyStarted() override {}
    void copyFinished() override {}
    ReplaceAnswer confirmReplace(const ReplaceInfo&) override {
        return m_goOn ? ReplaceAnswer::Yes : ReplaceAnswer::Cancel;
    }
    bool confirmCreateFolder(const QString&) override { return m_goOn; }
    void reportError(const CopyError&) override {}
    void progress(const QString&, qint64, qint64) override {}
    bool cancelled() override { return !m_goOn; }

private:
    bool m_goOn;
};

} // namespace quillmere::copy
