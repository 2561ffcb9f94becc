#include "invariants.h"

#include "archive/kept_restore.h"
#include "archive/restore_history.h"
#include "archive/save_guard.h"
#include "archive/shell_copy.h"
#include "copy/copy_ui.h"
#include "copy/file_io.h"
#include "copy/temp_file.h"
#include "game/character_file.h"
#include "host/folder_listing.h"
#include "snapshots/snapshot_store.h"

#include <QFile>

#include <atomic>
#include <cerrno>

namespace quillmere::crash {

namespace {

// The readers' file calls: any call that would change the disk is refused and counted, as a reader
// that writes would hide what the crash left.
class ReadOnlyIo final : public copy::FileIo {
public:
    std::atomic<int> refused{0};

    int makeFolder(const QByteArray&) override { return refuse(); }
    int createUnnamed(const QByteArray&) override { return refuse(); }
    int createNew(const QByteArray&) override { return refuse(); }
    int linkUnnamed(int, const QByteArray&) override { return refuse(); }
    ssize_t write(int, const void*, size_t) override { return refuse(); }
    int setMode(int, mode_t) override { return refuse(); }
    int setModified(int, const timespec&) override { return refuse(); }
    int rename(const QByteArray&, const QByteArray&) override { return refuse(); }
    int unlink(const QByteArray&) override { return refuse(); }
    int removeFolder(const QByteArray&) override { return refuse(); }

private:
    int refuse() {
        ++refused;
        return -EROFS;
    }
};

QStringList contentsOf(const snapshots::SaveState& state) {
    QStringList contents;
    for (const snapshots::FileEntry& file : state.files())
        contents << file.name + u' ' + QString::fromLatin1(file.sha256);
    contents.sort();
    return contents;
}

QString sizeText(const std::optional<QByteArray>& bytes) {
    return bytes ? QStringLiteral("%1 bytes").arg(bytes->size()) : QStringLiteral("nothing");
}

std::optional<QByteArray> fileAt(const FileTree& tree, const QByteArray& path) {
    const TreeNode* node = tree.find(path);
    return node && node->kind == TreeNode::Kind::File ? std::optional(node->content) : std::nullopt;
}

bool below(const QByteArray& path, const QByteArray& folder) {
    return path.startsWith(folder + '/');
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace

QString kindName(Violation::Kind kind) {
    static const char* const names[] = {"target empty", "target torn",    "target lost",
                                        "not durable",  "source changed", "temporary file listed",
                                        "kept restore", "history",        "listing"};
    return QLatin1String(names[int(kind)]);
}

StoreView readStore(const QString& root) {
    ReadOnlyIo io;
    StoreView view;
    const snapshots::SnapshotStore store(root, io);
    for (const snapshots::GameHistory& history : store.histories()) {
        for (const snapshots::GameHistory::Entry& entry : history.entries()) {
            if (!entry.manifest)
                view.problems << QStringLiteral("the record %1 cannot be read").arg(entry.fileName);
        }
        if (!history.isSound())
            view.problems << QStringLiteral("%1 snapshots cannot be rebuilt").arg(history.damagedCount());
        history.replay([&](const snapshots::Manifest& m, const snapshots::SaveState& state, const QStringList& lost) {
            view.snapshots.insert(m.game.key() + u'/' + m.id, contentsOf(state));
            if (!lost.isEmpty())
                view.problems << QStringLiteral("%1 lost %2").arg(m.id, lost.join(u','));
        });
    }
    const snapshots::VerifyOutcome verified = store.verify();
    for (const snapshots::DamagedContent& damaged : verified.damaged)
        view.problems << QStringLiteral("the content %1 of %2 is %3")
                             .arg(QString::fromLatin1(damaged.sha256.left(12)), damaged.files.join(u','),
                                  damaged.missing ? QStringLiteral("missing") : QStringLiteral("damaged"));
    for (const QString& record : verified.damagedRecords)
        view.problems << QStringLiteral("verify cannot read %1").arg(record);
    if (io.refused > 0)
        view.problems << QStringLiteral("reading the history tried to change the disk %1 times").arg(int(io.refused));
    return view;
}

OfferedUndo readOfferedUndo(const QString& restores) {
    ReadOnlyIo io;
    copy::SilentCopyUi ui{copy::SilentCopyUi::Answer::Refuse}; // the readers never copy
    archive::ShellFileCopy copy(ui, io);
    const archive::RestoreHistory history(restores, copy);
    const std::optional<archive::KeptRestore> last = history.lastRestore();
    return last ? OfferedUndo(last->folder) : std::nullopt;
}

Invariants::Invariants(Places places, FileTree before, FileTree after, StoreView storeBefore, StoreView storeAfter,
                       OfferedUndo undoBefore, OfferedUndo undoAfter)
    : m_places(std::move(places))
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_storeBefore(std::move(storeBefore))
    , m_storeAfter(std::move(storeAfter))
    , m_undoBefore(std::move(undoBefore))
    , m_undoAfter(std::move(undoAfter)) {
    QSet<QByteArray> paths;
    for (const FileTree* tree : {&m_before, &m_after}) {
        for (const auto& [path, node] : tree->nodes()) {
            if (node.kind == TreeNode::Kind::File && fileAt(m_before, path) != fileAt(m_after, path))
                paths.insert(path);
        }
    }
    for (const QByteArray& path : std::as_const(m_places.named))
        paths.insert(path);
    for (const QByteArray& path : std::as_const(paths)) {
        if (!copy::isTempName(nameOf(path)))
            m_targets.append(path);
    }
    std::sort(m_targets.begin(), m_targets.end());
}

QString Invariants::absolute(const QByteArray& relative) const {
    return QFile::decodeName(m_places.root + '/' + relative);
}

QList<Violation> Invariants::check(const FileTree& state, bool afterReport) const {
    QList<Violation> found;
    checkTargets(state, afterReport, found);
    checkSources(state, found);
    checkListing(found);
    checkStore(afterReport, found);
    checkKeptRestores(state, afterReport, found);
    return found;
}

void Invariants::checkTargets(const FileTree& state, bool afterReport, QList<Violation>& found) const {
    for (const QByteArray& path : m_targets) {
        const std::optional<QByteArray> old = fileAt(m_before, path);
        const std::optional<QByteArray> now = fileAt(m_after, path);
        const std::optional<QByteArray> held = fileAt(state, path);
        const QString name = QFile::decodeName(path);
        if (held == old || held == now) {
            if (afterReport && held != now)
                found.append({Violation::Kind::NotDurable,
                              QStringLiteral("%1 holds %2 after the success was reported, not its new %3")
                                  .arg(name, held ? QStringLiteral("its old content") : QStringLiteral("nothing"),
                                       sizeText(now))});
            continue;
        }
        const Violation::Kind kind = !held             ? Violation::Kind::TargetLost
                                     : held->isEmpty() ? Violation::Kind::TargetEmpty
                                                       : Violation::Kind::TargetTorn;
        found.append({kind, QStringLiteral("%1 holds %2, neither its old %3 nor its new %4")
                                .arg(name, sizeText(held), sizeText(old), sizeText(now))});
    }
}

void Invariants::checkSources(const FileTree& state, QList<Violation>& found) const {
    for (const auto& [path, node] : m_before.nodes()) {
        const QByteArray& file = path;
        const bool source = std::any_of(m_places.sources.cbegin(), m_places.sources.cend(),
                                        [&file](const QByteArray& folder) { return below(file, folder); });
        const TreeNode* there = state.find(path);
        if (source && node.kind == TreeNode::Kind::File && (!there || there->content != node.content))
            found.append({Violation::Kind::SourceChanged,
                          QStringLiteral("the source %1 is not as it was").arg(QFile::decodeName(path))});
    }
}

void Invariants::checkListing(QList<Violation>& found) const {
    for (const QByteArray& folder : m_places.listed) {
        const QString host = absolute(folder);
        const std::optional<QStringList> visible = host::readFolderEntries(host, host::EntryKind::Files);
        const std::optional<QStringList> characters =
            host::readFolderEntries(host, host::EntryKind::Files, QStringLiteral("*.d2s"));
        if (!visible || !characters) {
            found.append({Violation::Kind::Listing, QStringLiteral("%1 cannot be listed").arg(host)});
            continue;
        }
        for (const QString& name : *visible) {
            const QByteArray path = folder + '/' + QFile::encodeName(name);
            if (copy::isTempName(QFile::encodeName(name)) || (!m_before.find(path) && !m_after.find(path)))
                found.append({Violation::Kind::TempListed,
                              QStringLiteral("%1 lists %2, which it held neither before nor after").arg(host, name)});
        }
        for (const QString& name : *characters) {
            const QString path = host + u'/' + name;
            ReadOnlyIo io;
            game::HEXengine buffer;
            const game::CharacterSummary summary = game::readCharacterHostFile(path, buffer);
            if (!archive::checkSaveFile(io, QFile::encodeName(path)).passed() || !summary.classCode || !summary.level)
                found.append(
                    {Violation::Kind::Listing, QStringLiteral("%1 does not preview as a character").arg(path)});
        }
    }
}

void Invariants::checkStore(bool afterReport, QList<Violation>& found) const {
    if (m_places.store.isEmpty())
        return;
    const StoreView view = readStore(absolute(m_places.store));
    for (const QString& problem : view.problems)
        found.append({Violation::Kind::History, problem});
    for (auto it = view.snapshots.cbegin(); it != view.snapshots.cend(); ++it) {
        const QMap<QString, QStringList>& knownIn =
            m_storeAfter.snapshots.contains(it.key()) ? m_storeAfter.snapshots : m_storeBefore.snapshots;
        if (!knownIn.contains(it.key()) || knownIn.value(it.key()) != it.value())
            found.append({Violation::Kind::History,
                          QStringLiteral("the snapshot %1 holds what no snapshot held before or after").arg(it.key())});
    }
    for (auto it = m_storeAfter.snapshots.cbegin(); it != m_storeAfter.snapshots.cend(); ++it) {
        if ((afterReport || m_storeBefore.snapshots.contains(it.key())) && !view.snapshots.contains(it.key()))
            found.append({Violation::Kind::History, QStringLiteral("the snapshot %1 is missing").arg(it.key())});
    }
    for (auto it = view.snapshots.cbegin(); afterReport && it != view.snapshots.cend(); ++it) {
        if (!m_storeAfter.snapshots.contains(it.key()))
            found.append({Violation::Kind::History,
                          QStringLiteral("the pruned snapshot %1 is still listed after the success").arg(it.key())});
    }
}

void Invariants::checkKeptRestores(const FileTree& state, bool afterReport, QList<Violation>& found) const {
    if (m_places.restores.isEmpty())
        return;
    ReadOnlyIo io;
    for (const auto& [path, node] : state.nodes()) {
        if (below(path, m_places.restores) && nameOf(path) == archive::kRecordName &&
            !archive::readKeptRestore(io, QFile::decodeName(m_places.root + '/' + path.left(path.lastIndexOf('/')))))
            found.append({Violation::Kind::KeptRestore,
                          QStringLiteral("the record %1 cannot be read").arg(QFile::decodeName(path))});
    }
    const OfferedUndo offered = readOfferedUndo(absolute(m_places.restores));
    if (offered != m_undoBefore && offered != m_undoAfter)
        found.append({Violation::Kind::KeptRestore, QStringLiteral("Undo Last Restore offers %1, neither what it "
                                                                   "offered before nor after")
                                                        .arg(offered.value_or(QStringLiteral("nothing")))});
    else if (afterReport && offered != m_undoAfter)
        found.append({Violation::Kind::KeptRestore,
                      QStringLiteral("Undo Last Restore still offers what it did before the success was reported")});
    if (!offered)
        return;
    const std::optional<archive::KeptRestore> restore = archive::readKeptRestore(io, *offered);
    if (const QString refusal = restore ? archive::undoRefusal(io, *restore, m_places.saveFolderHost) : QString();
        !restore || !refusal.isEmpty()) {
        found.append({Violation::Kind::KeptRestore, QStringLiteral("the undo offered is refused: %1").arg(refusal)});
        return;
    }
    const QByteArray folder = QFile::encodeName(*offered).mid(m_places.root.size() + 1);
    for (const QString& name : restore->kept) {
        const QByteArray path = folder + '/' + archive::kKeptFilesFolder + '/' + QFile::encodeName(name);
        const std::optional<QByteArray> held = fileAt(state, path);
        const std::optional<QByteArray> known = fileAt(m_after, path) ? fileAt(m_after, path) : fileAt(m_before, path);
        if (!held || held != known)
            found.append({Violation::Kind::KeptRestore,
                          QStringLiteral("the kept file %1 is not whole").arg(QFile::decodeName(path))});
    }
}

} // namespace quillmere::crash
