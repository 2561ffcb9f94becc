#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The copy behind the shell's file operation: wildcard matching over Windows paths, replace and
// create-folder questions, progress, and a crash-safe way of writing each file. Plain C++ over two
// seams: the user interface (ShellCopyUi) and the file calls (FileIo), so tests can answer the
// questions and make the disk fail wherever they like.
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
    SameFile,          // source and destination are one file
    DiskFull,          // no room left on the destination
    ReadOnly,          // the destination refuses writing
    NotReady,          // the drive is not mapped, gone or unreadable
    PathNotFound,      // not a path this program can address
    DestinationIsFile, // the destination folder names a file
    CreateFolder,      // the destination folder could not be made
    ReadFailed,        // the source could not be read
    WriteFailed,       // any other failure while writing
};

struct CopyError {
    CopyErrorKind kind = CopyErrorKind::WriteFailed;
    QString path;    // the file or folder concerned, Windows form
    QString message; // the reason, ready to show
};

// The user's side of a copy. The Qt windows implement it; tests script it.
class ShellCopyUi {
public:
    virtual ~ShellCopyUi() = default;
    virtual ReplaceAnswer confirmReplace(const ReplaceInfo& info) = 0;
    virtual bool confirmCreateFolder(const QString& windowsFolder) = 0;
    virtual void reportError(const CopyError& error) = 0;
    // bytesDone and bytesTotal count the whole operation, not one file.
    virtual void progress(const QString& fileName, qint64 bytesDone, qint64 bytesTotal) = 0;
    virtual bool cancelled() = 0;
};

// The file calls the engine makes. Results are >= 0 on success and -errno on failure, so a test
// double can fail any call with any reason. The default is plain POSIX.
class FileIo {
public:
    virtual ~FileIo() = default;
    virtual int openRead(const QByteArray& path);
    virtual int openFolder(const QByteArray& path);
    // Creates and opens a new file from a mkstemps()-style template; the template is updated.
    virtual int createTemp(QByteArray& pathTemplate, int suffixLength);
    virtual ssize_t read(int fd, void* buffer, size_t size);
    virtual ssize_t write(int fd, const void* buffer, size_t size);
    // In-kernel copy of up to size bytes from the current offsets; -ENOSYS and the like make the
    // engine fall back to read and write.
    virtual ssize_t copyRange(int in, int out, size_t size);
    virtual int setTimesAndMode(int fd, const struct timespec times[2], mode_t mode);
    virtual int sync(int fd);
    virtual int syncFileSystem(int fd);
    virtual int rename(const QByteArray& from, const QByteArray& to);
    virtual int unlink(const QByteArray& path);
    virtual int close(int fd);
};

FileIo& defaultFileIo();

// The Windows error codes the shell's file operation returns.
namespace copycode {
inline constexpr int Ok = 0;
inline constexpr int FileNotFound = 2;    // ERROR_FILE_NOT_FOUND: nothing matches
inline constexpr int PathNotFound = 3;    // ERROR_PATH_NOT_FOUND
inline constexpr int AccessDenied = 5;    // ERROR_ACCESS_DENIED
inline constexpr int WriteProtect = 19;   // ERROR_WRITE_PROTECT
inline constexpr int NotReady = 21;       // ERROR_NOT_READY
inline constexpr int WriteFault = 29;     // ERROR_WRITE_FAULT
inline constexpr int ReadFault = 30;      // ERROR_READ_FAULT
inline constexpr int DiskFull = 112;      // ERROR_DISK_FULL
inline constexpr int SameFile = 0x71;     // DE_SAMEFILE
inline constexpr int DestIsFolder = 0x80; // DE_FILEDESTISFLD: a folder holds the target's name
inline constexpr int BadFolder = 267;     // ERROR_DIRECTORY: the destination is not a folder
inline constexpr int Cancelled = 1223;    // ERROR_CANCELLED
} // namespace copycode

struct CopyResult {
    int code = copycode::Ok;
    bool aborted = false; // the user skipped a file or cancelled
};

// Temporary files are named ".quillmere-<name>.XXXXXX.tmp": hidden from Windows listings, and
// recognisable, so a copy that was killed leaves nothing a later copy cannot clean up.
inline constexpr char CopyTempPrefix[] = ".quillmere-";
inline constexpr char CopyTempSuffix[] = ".tmp";
bool isCopyTempName(const QString& name);

class FileCopyEngine final {
public:
    explicit FileCopyEngine(ShellCopyUi& ui, FileIo& io = defaultFileIo());

    // Copies every ordinary file that a source entry (a Windows path whose last component may hold
    // wildcards) selects into the Windows folder destinationFolder. Folders are always left out.
    CopyResult copy(const QStringList& sources, const QString& destinationFolder);

    // Without questions: every replace answered Yes, folders created silently.
    void setNoConfirmation(bool on) { m_noConfirmation = on; }
    void setNoConfirmMkdir(bool on) { m_noConfirmMkdir = on; }

private:
    struct Source;
    struct Pending;
    class Run;

    ShellCopyUi& m_ui;
    FileIo& m_io;
    bool m_noConfirmation = false;
    bool m_noConfirmMkdir = false;
};

} // namespace quillmere::copy
