#pragma once

#include "crash_log.h"
#include "file_tree.h"
#include "invariants.h"

#include "copy/file_io.h"
#include "snapshots/game_ref.h"
#include "temp_prefix.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace quillmere::crash {

// A fault seeded into the copy, to show that the check catches it.
enum class Fault {
    None,
    SyncAfterRename,         // renames before syncing the data
    NoFolderSyncAfterRename, // never syncs the folder after the renames
};

// A prefix of its own whose save folder C:\Save holds the characters, a floppy mapped as A:, and the
// program's data folder beside them; the operation runs in it once through the recorder, the trees
// before and after captured.
class CrashScenario {
public:
    CrashScenario();
    CrashScenario(const CrashScenario&) = delete;
    CrashScenario& operator=(const CrashScenario&) = delete;

    bool isValid() const { return m_prefix.isValid(); }
    QString save() const;
    QString floppy() const;
    QString store() const;
    QString restores() const;
    snapshots::GameRef game() const;

    // A file written with its folder; false when the disk refuses.
    bool put(const QString& hostPath, const QByteArray& bytes);
    bool remove(const QString& hostPath);

    // Runs operation through a recorder below the fault asked for, after the save folder had time
    // to be quiet; operation returns true when it would tell the user it succeeded. The places say
    // what it reads and lists; the sources and listed folders are host paths below the root.
    struct Run {
        Fault fault = Fault::None;
        bool noUnnamed = false;
        QStringList sources;
        QStringList listed;
        bool withStore = true;
        bool withRestores = true;
    };
    bool record(const Run& run, const std::function<bool(copy::FileIo&)>& operation);

    QString failure; // why the operation could not be recorded
    FileTree before;
    FileTree after;
    CrashLog log;
    Invariants invariants;

private:
    QByteArray relative(const QString& hostPath) const;

    test::TempPrefix m_prefix;
    QByteArray m_root;
};

// Character files that pass the game's checks: the same character at another level, another size.
QByteArray characterFile(quint8 level, int length = 6000, const QByteArray& name = "Hero");

} // namespace quillmere::crash
