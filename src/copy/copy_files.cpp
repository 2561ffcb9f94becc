#include "copy/copy_files.h"

#include "copy/copy_errors.h"
#include "copy/destination_folder.h"
#include "copy/snapshot_copier.h"
#include "copy/source_files.h"
#include "copy/sync_files.h"

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <optional>
#include <vector>

namespace quillmere::copy {

namespace {

// Files written but not yet in place, at most: they are synced together, which costs about as much
// as syncing one, and the bound keeps the open descriptors and the unsynced data in check.
constexpr std::size_t BatchFiles = 64;
constexpr qint64 BatchBytes = qint64(64) << 20;

QDateTime toDateTime(const timespec& time) {
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1'000'000);
}

struct PendingCopy {
    WrittenCopy copy;
    QString targetName;
};

class CopyRun final {
public:
    CopyRun(const QString& destination, DestinationFolder::PathKind kind, CopyUi& ui, FileIo& io,
            std::vector<SourceFile> sources)
        : m_ui(ui)
        , m_io(io)
        , m_sources(std::move(sources))
        , m_destination(io, destination, kind)
        , m_progress(ui, std::accumulate(m_sources.begin(), m_sources.end(), qint64(0),
                                         [](qint64 sum, const SourceFile& file) { return sum + file.listed.size; }))
        , m_copier(io, m_progress) {
        m_copier.setComputeSha256(std::any_of(m_sources.cbegin(), m_sources.cend(),
                                              [](const SourceFile& file) { return !file.expectedSha256.isEmpty(); }));
    }

    CopyOutcome run();

private:
    enum class Step { Next, Stop };
    enum class Replace { Go, Keep, Stop };

    bool prepare();
    bool refuseSameFiles();
    Step copySource(const SourceFile& source);
    Replace askToReplace(const SourceFile& source, const QString& targetName);
    Step stopAfter(const CopyStep& step, const SourceFile& source, const QString& targetName);
    Step refuseDamaged(const SourceFile& source);
    bool publishPending();
    std::optional<CopyError> publish(PendingCopy& pending, int synced);
    void syncFolder();
    void fail(const CopyError& error);

    CopyUi& m_ui;
    FileIo& m_io;
    std::vector<SourceFile> m_sources;
    DestinationFolder m_destination;
    CopyProgress m_progress;
    SnapshotCopier m_copier;
    std::vector<PendingCopy> m_pending;
    qint64 m_pendingBytes = 0;
    bool m_yesToAll = false;
    bool m_published = false;
    CopyOutcome m_outcome;
};

CopyOutcome CopyRun::run() {
    if (prepare()) {
        for (const SourceFile& source : m_sources) {
            if (m_progress.cancelled()) {
                m_outcome.status = CopyStatus::Cancelled;
                break;
            }
            if (copySource(source) == Step::Stop)
                break;
        }
        // Whole files stay, whatever stopped the copy.
        if (publishPending() && m_outcome.status != CopyStatus::Failed && m_progress.cancelled())
            m_outcome.status = CopyStatus::Cancelled;
    }
    syncFolder();
    if (m_outcome.status == CopyStatus::Copied)
        m_progress.allDone();
    return m_outcome;
}

bool CopyRun::prepare() {
    switch (m_destination.open(m_ui)) {
    case DestinationFolder::Opened::Declined:
        m_outcome.status = CopyStatus::Cancelled;
        return false;
    case DestinationFolder::Opened::Failed:
        fail(m_destination.error());
        return false;
    case DestinationFolder::Opened::Ready:
        break;
    }
    return refuseSameFiles();
}

// Before anything is written: the same file under another spelling, a link, or the same folder as
// source and destination.
bool CopyRun::refuseSameFiles() {
    for (const SourceFile& source : m_sources) {
        const QString targetName = m_destination.targetNameFor(source.name);
        FileStat target;
        if (m_io.pathStatus(m_destination.hostPathOf(targetName), target) == 0 && target.isSameFile(source.listed)) {
            fail(
                {CopyErrorKind::SameFile, m_destination.windowsPathOf(targetName),
                 CopyText::tr("Cannot copy %1: the source and destination file names are the same.").arg(source.name)});
            return false;
        }
    }
    return true;
}

CopyRun::Step CopyRun::copySource(const SourceFile& source) {
    const QString targetName = m_destination.targetNameFor(source.name);
    switch (askToReplace(source, targetName)) {
    case Replace::Stop:
        return Step::Stop;
    case Replace::Keep:
        m_progress.fileDone(source.listed.size);
        return Step::Next;
    case Replace::Go:
        break;
    }
    for (bool retried = false;; retried = true) {
        WrittenCopy copy(m_io);
        const CopyStep step = m_copier.copy(source, m_destination.hostPath(), targetName, copy);
        if (step.status == CopyStep::Done && !source.expectedSha256.isEmpty() && copy.sha256 != source.expectedSha256)
            return refuseDamaged(source);
        if (step.status == CopyStep::Done) {
            m_pendingBytes += copy.size;
            m_pending.push_back({std::move(copy), targetName});
            m_progress.fileDone(source.listed.size);
            if (m_pending.size() >= BatchFiles || m_pendingBytes >= BatchBytes)
                return publishPending() ? Step::Next : Step::Stop;
            return Step::Next;
        }
        // Putting the files already written in place frees the room of those they replace.
        const bool full = step.status == CopyStep::WriteFailed && (step.error == ENOSPC || step.error == EDQUOT);
        if (!full || retried || m_pending.empty())
            return stopAfter(step, source, targetName);
        if (!publishPending())
            return Step::Stop;
    }
}

CopyRun::Replace CopyRun::askToReplace(const SourceFile& source, const QString& targetName) {
    FileStat existing;
    const int found = m_io.pathStatus(m_destination.hostPathOf(targetName), existing);
    if (found == -ENOENT)
        return Replace::Go;
    if (found < 0) {
        fail(writeError(-found, m_destination.windowsPathOf(targetName)));
        return Replace::Stop;
    }
    if (existing.isFolder()) {
        fail({CopyErrorKind::TargetIsFolder, m_destination.windowsPathOf(targetName),
              CopyText::tr("Cannot copy %1: a folder of that name exists in the destination.").arg(source.name)});
        return Replace::Stop;
    }
    if (m_yesToAll)
        return Replace::Go;
    const ReplaceInfo info{targetName,         m_destination.windowsPath(),
                           existing.size,      toDateTime(existing.modified),
                           source.listed.size, toDateTime(source.listed.modified)};
    switch (m_ui.confirmReplace(info)) {
    case ReplaceAnswer::YesToAll:
        m_yesToAll = true;
        return Replace::Go;
    case ReplaceAnswer::Yes:
        return Replace::Go;
    case ReplaceAnswer::No:
        m_outcome.status = CopyStatus::Skipped;
        return Replace::Keep;
    case ReplaceAnswer::Cancel:
        break;
    }
    m_outcome.status = CopyStatus::Cancelled;
    return Replace::Stop;
}

CopyRun::Step CopyRun::stopAfter(const CopyStep& step, const SourceFile& source, const QString& targetName) {
    // The files written before stay: they are whole.
    if (!publishPending())
        return Step::Stop;
    const QString target = m_destination.windowsPathOf(targetName);
    switch (step.status) {
    case CopyStep::Cancelled:
        m_outcome.status = CopyStatus::Cancelled;
        break;
    case CopyStep::ReadFailed:
        fail(readError(step.error, source.name));
        break;
    case CopyStep::WriteFailed:
        fail(writeError(step.error, target));
        break;
    case CopyStep::SourceChanged:
        fail({CopyErrorKind::SourceChanged, source.name,
              CopyText::tr("Cannot copy %1: the file is in use by another program and changed while it was "
                           "copied. The file already in %2 was kept.")
                  .arg(source.name, m_destination.windowsPath())});
        break;
    case CopyStep::Done:
        break;
    }
    return Step::Stop;
}

// Kept under its hash, the file is not what was kept: nothing of its batch goes in place, since
// the batch is restored as a whole.
CopyRun::Step CopyRun::refuseDamaged(const SourceFile& source) {
    m_pending.clear(); // removes the temporary files
    m_pendingBytes = 0;
    const QString message =
        m_published ? CopyText::tr("Cannot copy %1: the stored copy is damaged (its contents do not match their "
                                   "hash). The files copied before it were kept.")
                    : CopyText::tr("Cannot copy %1: the stored copy is damaged (its contents do not match their "
                                   "hash). Nothing was replaced.");
    fail({CopyErrorKind::SourceDamaged, source.name, message.arg(source.name)});
    return Step::Stop;
}

bool CopyRun::publishPending() {
    if (m_pending.empty())
        return true;
    std::vector<int> fds;
    for (const PendingCopy& pending : m_pending)
        fds.push_back(pending.copy.temp.fd());
    const std::vector<int> synced = syncFiles(m_io, fds, [this] { m_progress.stillWorking(); });
    std::optional<CopyError> error;
    for (std::size_t i = 0; i < m_pending.size() && !error; ++i)
        error = publish(m_pending[i], synced[i]);
    m_pending.clear(); // what was not published is removed
    m_pendingBytes = 0;
    if (error)
        fail(*error);
    return !error;
}

// Checked, then renamed over its target: the rename is the moment the old file is replaced.
std::optional<CopyError> CopyRun::publish(PendingCopy& pending, int synced) {
    const QString target = m_destination.windowsPathOf(pending.targetName);
    if (synced < 0)
        return writeError(-synced, target);
    const int verified = m_copier.verify(pending.copy);
    if (verified < 0)
        return writeError(-verified, target);
    if (verified == 0)
        return CopyError{CopyErrorKind::VerifyFailed, target,
                         CopyText::tr("Cannot copy %1: the copy written to the disk differs from the original. The "
                                      "file already in %2 was kept.")
                             .arg(pending.targetName, m_destination.windowsPath())};
    if (const int renamed = pending.copy.temp.publish(m_destination.hostPathOf(pending.targetName)); renamed < 0)
        return writeError(-renamed, target);
    m_published = true;
    return std::nullopt;
}

// The renames are entries of the folder, durable once it is synced: only then is the copy done.
void CopyRun::syncFolder() {
    if (!m_published)
        return;
    if (const int synced = m_destination.sync(); synced < 0)
        fail(writeError(-synced, m_destination.windowsPath()));
}

// The first failure is the one the user is told about; later ones follow from it.
void CopyRun::fail(const CopyError& error) {
    if (m_outcome.status == CopyStatus::Failed)
        return;
    m_outcome.status = CopyStatus::Failed;
    m_outcome.error = error;
    m_ui.reportError(error);
}

// copyStarted and copyFinished around every copy, whichever way it ends.
class UiSession final {
public:
    explicit UiSession(CopyUi& ui)
        : m_ui(ui) {
        m_ui.copyStarted();
    }
    ~UiSession() { m_ui.copyFinished(); }
    UiSession(const UiSession&) = delete;
    UiSession& operator=(const UiSession&) = delete;

private:
    CopyUi& m_ui;
};

CopyOutcome copyListed(SourceListing listed, const QString& destinationFolder, DestinationFolder::PathKind kind,
                       CopyUi& ui, FileIo& io) {
    if (listed.error) {
        ui.reportError(*listed.error);
        return {CopyStatus::Failed, *listed.error};
    }
    CopyRun run(destinationFolder, kind, ui, io, std::move(listed.files));
    return run.run();
}

} // namespace

CopyOutcome copyFiles(const QString& sourcePattern, const QString& destinationFolder, CopyUi& ui, FileIo& io) {
    const UiSession session(ui);
    return copyListed(listSources(sourcePattern, io), destinationFolder, DestinationFolder::PathKind::Windows, ui, io);
}

CopyOutcome copyHostFiles(const QString& sourceFolder, const QStringList& names, const QString& destinationFolder,
                          CopyUi& ui, FileIo& io) {
    const UiSession session(ui);
    return copyListed(listHostSources(sourceFolder, names, io), destinationFolder, DestinationFolder::PathKind::Host,
                      ui, io);
}

CopyOutcome copyHostFiles(const std::vector<HostSource>& sources, const QString& destinationFolder, CopyUi& ui,
                          FileIo& io) {
    const UiSession session(ui);
    return copyListed(listHostSources(sources, io), destinationFolder, DestinationFolder::PathKind::Host, ui, io);
}

} // namespace quillmere::copy
