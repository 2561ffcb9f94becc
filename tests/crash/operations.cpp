#include "operations.h"

#include "scripted_shell_ui.h"

#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "copy/source_files.h"
#include "host/drive_map.h"
#include "snapshots/snapshot_store.h"

#include <chrono>
#include <iterator>
#include <thread>

namespace quillmere::crash {

namespace {

constexpr char kBackupPattern[] = "A:\\Hero\\Hero*.*";
constexpr char kSaveFolder[] = "C:\\Save";
// Enough kept restores that the next one removes the oldest.
constexpr int kRestoresBefore = archive::RestoreHistory::kRestoresKept;

QByteArray companion(const char* tag, int size) {
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += tag;
    return bytes.left(size);
}

bool putCharacter(CrashScenario& s, const QString& folder, quint8 level, bool withMap1) {
    const QByteArray version = QByteArray::number(level);
    bool ok = s.put(folder + QStringLiteral("/Hero.d2s"), characterFile(level));
    ok = ok && s.put(folder + QStringLiteral("/Hero.key"), "keys of level " + version);
    ok = ok && s.put(folder + QStringLiteral("/Hero.ma0"), companion(("map 0 at " + version).constData(), 3000));
    ok = ok && s.put(folder + QStringLiteral("/Hero.map"), "map seed " + version);
    return ok && (!withMap1 ||
                  s.put(folder + QStringLiteral("/Hero.ma1"), companion(("map 1 at " + version).constData(), 700)));
}

bool fail(CrashScenario& s, const QString& why) {
    s.failure = why;
    return false;
}

bool backupOp(CrashScenario& s, Fault fault, bool noUnnamed) {
    if (!putCharacter(s, s.save(), 30, true) || !putCharacter(s, s.floppy() + QStringLiteral("/Hero"), 20, false) ||
        !s.put(s.save() + QStringLiteral("/Other.d2s"), characterFile(9, 1500, "Other")))
        return fail(s, QStringLiteral("the save folder could not be written"));
    const CrashScenario::Run run{fault, noUnnamed, {s.save()}, {s.floppy() + QStringLiteral("/Hero"), s.save()}};
    return s.record(run, [](copy::FileIo& io) {
        test::ScriptedShellUi ui;
        ui.replaceAnswers = {copy::ReplaceAnswer::YesToAll};
        archive::ShellFileCopy copy(ui, io);
        return copy.run(QStringLiteral("C:\\Save\\Hero*.*"), QStringLiteral("A:\\Hero"));
    });
}

bool backupNamedOp(CrashScenario& s, Fault fault) {
    return backupOp(s, fault, true);
}

// The restore as the Restore window runs it once the user agreed: the snapshot and the kept files
// first, then the copy.
bool restoreInto(CrashScenario& s, copy::FileIo& io) {
    test::ScriptedShellUi ui;
    ui.replaceAnswers = {copy::ReplaceAnswer::YesToAll};
    archive::ShellFileCopy copy(ui, io);
    archive::RestoreHistory history(s.restores(), copy);
    snapshots::SnapshotStore store(s.store(), io);
    history.setSnapshots(&store);
    QStringList names;
    for (const copy::SourceFile& source : copy::listSources(QLatin1String(kBackupPattern), io).files)
        names.append(source.name);
    QString failure;
    const QString saveHost = host::resolve(QLatin1String(kSaveFolder)).hostPath;
    return history.keepBeforeRestore(QStringLiteral("Hero"), QLatin1String(kSaveFolder), saveHost, names, &failure) &&
           copy.run(QLatin1String(kBackupPattern), QLatin1String(kSaveFolder));
}

// A save folder with a history of it, changed since, and as many kept restores as are kept.
bool setUpRestore(CrashScenario& s) {
    if (!putCharacter(s, s.save(), 30, false) || !putCharacter(s, s.floppy() + QStringLiteral("/Hero"), 20, true) ||
        !s.put(s.save() + QStringLiteral("/Other.d2s"), characterFile(9, 1500, "Other")))
        return fail(s, QStringLiteral("the save folder could not be written"));
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    snapshots::SnapshotStore store(s.store());
    if (store.take(s.game(), QStringLiteral("test"), QDateTime::currentDateTime().addSecs(-7200)).status !=
        snapshots::SnapshotOutcome::Status::Taken)
        return fail(s, QStringLiteral("the first snapshot could not be taken"));
    test::ScriptedShellUi ui;
    archive::ShellFileCopy copy(ui);
    archive::RestoreHistory history(s.restores(), copy);
    for (int i = 0; i < kRestoresBefore; ++i) {
        QString failure;
        if (!history.keepBeforeRestore(QStringLiteral("Hero"), QLatin1String(kSaveFolder), s.save(),
                                       {QStringLiteral("Hero.key")}, &failure))
            return fail(s, failure);
    }
    return s.put(s.save() + QStringLiteral("/Hero.d2s"), characterFile(31)) ||
           fail(s, QStringLiteral("the save could not be changed"));
}

bool restoreOp(CrashScenario& s, Fault fault) {
    if (!setUpRestore(s))
        return false;
    const CrashScenario::Run run{
        fault, false, {s.floppy() + QStringLiteral("/Hero")}, {s.save(), s.floppy() + QStringLiteral("/Hero")}};
    return s.record(run, [&s](copy::FileIo& io) { return restoreInto(s, io); });
}

bool undoOp(CrashScenario& s, Fault fault) {
    if (!setUpRestore(s))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    if (!restoreInto(s, copy::defaultFileIo()))
        return fail(s, QStringLiteral("the restore to undo failed"));
    const OfferedUndo offered = readOfferedUndo(s.restores());
    if (!offered)
        return fail(s, QStringLiteral("the restore offers no undo"));
    const CrashScenario::Run run{
        fault, false, {*offered + u'/' + QLatin1String(archive::kKeptFilesFolder)}, {s.save()}};
    return s.record(run, [&s](copy::FileIo& io) {
        test::ScriptedShellUi ui;
        archive::ShellFileCopy copy(ui, io);
        archive::RestoreHistory history(s.restores(), copy);
        snapshots::SnapshotStore store(s.store(), io);
        history.setSnapshots(&store);
        const std::optional<archive::KeptRestore> last = history.lastRestore();
        QString failure;
        return last && history.undo(*last, &failure);
    });
}

bool putSaveFolder(CrashScenario& s) {
    return s.put(s.save() + QStringLiteral("/Hero.d2s"), characterFile(30)) &&
           s.put(s.save() + QStringLiteral("/Hero.key"), "keys") &&
           s.put(s.save() + QStringLiteral("/Other.d2s"), characterFile(9, 1500, "Other")) &&
           s.put(s.save() + QStringLiteral("/SharedStashSoftCoreV2.d2i"), companion("stash ", 2500));
}

bool snapshotOp(CrashScenario& s, Fault fault) {
    if (!putSaveFolder(s))
        return fail(s, QStringLiteral("the save folder could not be written"));
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    const QDateTime now = QDateTime::currentDateTime();
    if (snapshots::SnapshotStore(s.store()).take(s.game(), QStringLiteral("test"), now.addSecs(-3600)).status !=
        snapshots::SnapshotOutcome::Status::Taken)
        return fail(s, QStringLiteral("the first snapshot could not be taken"));
    if (!s.put(s.save() + QStringLiteral("/Hero.d2s"), characterFile(31)) ||
        !s.put(s.save() + QStringLiteral("/Heroine.d2s"), characterFile(12, 2000, "Heroine")) ||
        !s.remove(s.save() + QStringLiteral("/Other.d2s")))
        return fail(s, QStringLiteral("the save folder could not be changed"));
    const CrashScenario::Run run{fault, false, {s.save()}, {s.save()}};
    return s.record(run, [&s, now](copy::FileIo& io) {
        return snapshots::SnapshotStore(s.store(), io).take(s.game(), QStringLiteral("quiet"), now).status ==
               snapshots::SnapshotOutcome::Status::Taken;
    });
}

// Seven snapshots over two days, the character changing each time; pruned ten days on, the older
// ones of each day go but the first (the last to name the other files), the newest of each day is
// rewritten as a change of what is kept before it, and the contents only the others named go.
bool pruneOp(CrashScenario& s, Fault fault) {
    if (!putSaveFolder(s))
        return fail(s, QStringLiteral("the save folder could not be written"));
    const QDateTime first(QDate::currentDate().addDays(-10), QTime(8, 0));
    const int hours[] = {0, 1, 2, 3, 6, 26, 30};
    for (int i = 0; i < int(std::size(hours)); ++i) {
        if (!s.put(s.save() + QStringLiteral("/Hero.d2s"), characterFile(quint8(40 + i))))
            return fail(s, QStringLiteral("the save could not be changed"));
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        if (snapshots::SnapshotStore(s.store())
                .take(s.game(), QStringLiteral("test"), first.addSecs(qint64(3600) * hours[i]))
                .status != snapshots::SnapshotOutcome::Status::Taken)
            return fail(s, QStringLiteral("a snapshot could not be taken"));
    }
    const CrashScenario::Run run{fault, false, {s.save()}, {s.save()}};
    return s.record(run, [&s, first](copy::FileIo& io) {
        QString failure;
        const snapshots::PruneOutcome pruned =
            snapshots::SnapshotStore(s.store(), io).prune(first.addDays(10), &failure);
        if (failure.isEmpty() && pruned.snapshotsRemoved == 4 && pruned.contentsRemoved == 4)
            return true;
        s.failure = QStringLiteral("the pruning removed %1 snapshots and %2 contents %3")
                        .arg(pruned.snapshotsRemoved)
                        .arg(pruned.contentsRemoved)
                        .arg(failure);
        return false;
    });
}

} // namespace

bool recordBackup(CrashScenario& scenario, Fault fault) {
    return backupOp(scenario, fault, false);
}

QList<Operation> operations() {
    return {
        {QStringLiteral("backup"), &recordBackup}, {QStringLiteral("backup, named temporary files"), &backupNamedOp},
        {QStringLiteral("restore"), &restoreOp},   {QStringLiteral("undo last restore"), &undoOp},
        {QStringLiteral("snapshot"), &snapshotOp}, {QStringLiteral("retention pass"), &pruneOp},
    };
}

} // namespace quillmere::crash
