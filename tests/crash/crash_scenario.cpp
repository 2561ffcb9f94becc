#include "crash_scenario.h"

#include "d2s_fixtures.h"
#include "recording_io.h"
#include "seeded_faults.h"

#include "game/regedit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <thread>

namespace quillmere::crash {

namespace {

// Longer than the copy waits for a file just written to be quiet.
constexpr auto kQuiet = std::chrono::milliseconds(80);

std::unique_ptr<copy::FileIo> faulty(Fault fault, copy::FileIo& inner) {
    switch (fault) {
    case Fault::SyncAfterRename:
        return std::make_unique<SyncAfterRenameIo>(inner);
    case Fault::NoFolderSyncAfterRename:
        return std::make_unique<NoFolderSyncAfterRenameIo>(inner);
    case Fault::None:
        break;
    }
    return nullptr;
}

} // namespace

QByteArray characterFile(quint8 level, int length, const QByteArray& name) {
    return test::d2s::stateFile(96, 3, level, 0x20, length, name);
}

CrashScenario::CrashScenario() {
    if (!m_prefix.isValid())
        return;
    m_root = QFile::encodeName(QFileInfo(m_prefix.prefix() + QStringLiteral("/..")).canonicalFilePath());
    QDir().mkpath(save());
    m_prefix.writeSystemReg(regedit::kGameKey, {{QStringLiteral("Save Path"), QStringLiteral("C:\\Save")}});
    m_prefix.mapDrive('a', floppy());
}

QString CrashScenario::save() const {
    return QFile::decodeName(m_root) + QStringLiteral("/prefix/drive_c/Save");
}

QString CrashScenario::floppy() const {
    return QFile::decodeName(m_root) + QStringLiteral("/scratch/floppy");
}

QString CrashScenario::store() const {
    return QFile::decodeName(m_root) + QStringLiteral("/scratch/data/history");
}

QString CrashScenario::restores() const {
    return QFile::decodeName(m_root) + QStringLiteral("/scratch/data/restores");
}

snapshots::GameRef CrashScenario::game() const {
    const std::optional<snapshots::GameRef> inUse = snapshots::gameRefInUse();
    return inUse
               ? *inUse
               : snapshots::GameRef{QStringLiteral("Diablo II"), m_prefix.prefix(), QStringLiteral("C:\\Save"), save()};
}

bool CrashScenario::put(const QString& hostPath, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile file(hostPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool CrashScenario::remove(const QString& hostPath) {
    return QFile::remove(hostPath);
}

QByteArray CrashScenario::relative(const QString& hostPath) const {
    return QFile::encodeName(hostPath).mid(m_root.size() + 1);
}

bool CrashScenario::record(const Run& run, const std::function<bool(copy::FileIo&)>& operation) {
    std::this_thread::sleep_for(kQuiet);
    std::optional<FileTree> first = FileTree::capture(m_root, &failure);
    if (!first)
        return false;
    const StoreView storeBefore = run.withStore ? readStore(store()) : StoreView();
    const OfferedUndo undoBefore = run.withRestores ? readOfferedUndo(restores()) : std::nullopt;

    RecordingIo recorder(m_root);
    recorder.noUnnamed = run.noUnnamed;
    const std::unique_ptr<copy::FileIo> fault = faulty(run.fault, recorder);
    if (!operation(fault ? *fault : static_cast<copy::FileIo&>(recorder))) {
        failure = failure.isEmpty() ? QStringLiteral("the operation did not succeed") : failure;
        return false;
    }
    recorder.markReported();
    log = recorder.log();
    std::optional<FileTree> last = FileTree::capture(m_root, &failure);
    if (!last)
        return false;
    before = std::move(*first);
    after = std::move(*last);

    Places places{m_root, {}, {}, {}, {}, save(), {}};
    for (const QString& folder : run.sources)
        places.sources.append(relative(folder));
    for (const QString& folder : run.listed)
        places.listed.append(relative(folder));
    places.store = run.withStore ? relative(store()) : QByteArray();
    places.restores = run.withRestores ? relative(restores()) : QByteArray();
    for (const Step& step : log.steps) {
        if (step.kind == Step::Kind::Rename)
            places.named.append(step.to);
        else if (step.kind == Step::Kind::CreateFile || step.kind == Step::Kind::Link ||
                 step.kind == Step::Kind::Unlink)
            places.named.append(step.path);
    }
    invariants =
        Invariants(std::move(places), before, after, storeBefore, run.withStore ? readStore(store()) : StoreView(),
                   undoBefore, run.withRestores ? readOfferedUndo(restores()) : std::nullopt);
    return true;
}

} // namespace quillmere::crash
