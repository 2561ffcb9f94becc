#pragma once

#include <QByteArray>
#include <QString>

#include <ctime>
#include <vector>

#include <sys/types.h>

namespace quillmere::crash {

// One call that changed the disk, in the order the calls returned.
struct Step {
    enum class Kind {
        MakeFolder,    // path
        CreateFile,    // path, file: a new file under a new name
        CreateUnnamed, // path (its folder), file: a new file without a name
        Link,          // path, file: a further name of a file
        Write,         // file, offset, data
        SetMode,       // file, mode
        SetModified,   // file, modified
        SyncFile,      // file
        SyncFolder,    // path
        Rename,        // path, to
        Unlink,        // path
        RemoveFolder,  // path
    };
    Kind kind = Kind::Write;
    QByteArray path; // relative to the recorded root, "" for the root itself
    QByteArray to;
    int file = 0; // the files the log made, numbered from 1 as made; 0 for any other
    qint64 offset = 0;
    QByteArray data;
    mode_t mode = 0;
    timespec modified{};
    QByteArray outside; // the path as called when it lies outside the root: not to be replayed
};

// What one operation did to the disk below root.
struct CrashLog {
    QByteArray root;
    std::vector<Step> steps;
    // The steps done when the operation told the user it had succeeded; -1 when it did not.
    qsizetype reportedAt = -1;
};

// "rename Save/.quillmere-Hero.d2s.Ab12Cd.tmp Save/Hero.d2s", "write #3 0+5000", ...
QString describe(const Step& step);

} // namespace quillmere::crash
