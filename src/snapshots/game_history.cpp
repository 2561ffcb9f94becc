#include "snapshots/game_history.h"

#include "copy/durable_file.h"
#include "copy/file_io.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <system_error>
#include <thread>

namespace quillmere::snapshots {

namespace {

// A manifest names the changes of one snapshot: far below this.
constexpr qint64 kMaxManifestBytes = qint64(64) << 20;
constexpr qsizetype kRecordsForTwoThreads = 256;

} // namespace

// Reads the records named, in order.
QList<GameHistory::Entry> GameHistory::readRecords(copy::FileIo& io, const QByteArray& folder,
                                                   const QByteArrayList& names) {
    QList<Entry> entries;
    entries.reserve(names.size());
    for (const QByteArray& name : names) {
        QByteArray bytes;
        const int read = copy::readSmallFile(io, folder + '/' + name, kMaxManifestBytes, bytes);
        if (read == -ENOENT)
            continue;
        const Manifest* previous = entries.isEmpty() || !entries.back().manifest ? nullptr : &*entries.back().manifest;
        Entry entry{QFile::decodeName(name), read == 0 ? parseManifest(bytes, previous) : std::nullopt, bytes.size()};
        // A record under another id's name is not to be trusted either.
        if (entry.manifest && entry.manifest->id + QLatin1String(kManifestSuffix) != entry.fileName)
            entry.manifest.reset();
        entries.append(std::move(entry));
    }
    return entries;
}

GameHistory GameHistory::read(copy::FileIo& io, const QByteArray& folder) {
    GameHistory history;
    QByteArrayList names;
    if (io.listFolder(folder, names) < 0)
        return history;
    names.erase(std::remove_if(names.begin(), names.end(), [](const QByteArray& name) { return !isRecordName(name); }),
                names.end());
    std::sort(names.begin(), names.end());
    // A long history is read on two cores: the records stand each on its own.
    const qsizetype half = names.size() >= kRecordsForTwoThreads && std::thread::hardware_concurrency() > 1
                               ? names.size() / 2
                               : names.size();
    QList<Entry> later;
    std::thread helper;
    if (half < names.size()) {
        try {
            helper = std::thread([&] { later = readRecords(io, folder, names.mid(half)); });
        } catch (const std::system_error&) {
            later = readRecords(io, folder, names.mid(half)); // no thread to be had: here, after all
        }
    }
    history.m_entries = readRecords(io, folder, names.first(half));
    if (helper.joinable())
        helper.join();
    history.m_entries.append(std::move(later));
    history.findUnusable();
    return history;
}

// A snapshot is rebuilt from its parent: the one just before it, or an earlier one that a pruning
// cut short left standing. Under a damaged parent, only what the parent changed is lost, and only
// while the parent's own parent is sound; anything further is beyond rebuilding.
void GameHistory::findUnusable() {
    QHash<QString, qsizetype> indexOf;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const std::optional<Manifest>& m = m_entries[i].manifest;
        if (!m) {
            m_unusable.insert(i);
            continue;
        }
        const auto parent = indexOf.constFind(m->parent);
        const bool rootOrFound = m->parent.isEmpty() || (parent != indexOf.cend() && !m_unusable.contains(*parent));
        const bool underOneDamaged = !rootOrFound && i > 0 && !m_entries[i - 1].manifest &&
                                     m->parent + QLatin1String(kManifestSuffix) == m_entries[i - 1].fileName &&
                                     (i == 1 || !m_unusable.contains(i - 2));
        if (!rootOrFound && !underOneDamaged)
            m_unusable.insert(i);
        indexOf.insert(m->id, i);
    }
}

void GameHistory::append(const QString& fileName, const Manifest& manifest) {
    m_entries.append({fileName, manifest, formatManifest(manifest).size()});
    m_unusable.clear();
    findUnusable();
}

qint64 GameHistory::spaceUsed() const {
    qint64 total = 0;
    QSet<QByteArray> counted;
    for (const Entry& entry : m_entries) {
        total += entry.bytes;
        for (const FileEntry& file : entry.manifest ? entry.manifest->written : QList<FileEntry>()) {
            if (!counted.contains(file.sha256)) {
                counted.insert(file.sha256);
                total += file.size;
            }
        }
    }
    return total;
}

int GameHistory::damagedCount() const {
    return int(m_unusable.size());
}

void GameHistory::replay(const Visit& visit) const {
    run(visit, nullptr);
}

SaveState GameHistory::run(const Visit& visit, qsizetype* last) const {
    // The states an out-of-order child will need again.
    QHash<QString, qsizetype> lastUse;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].manifest && !m_entries[i].manifest->parent.isEmpty())
            lastUse.insert(m_entries[i].manifest->parent, i);
    }
    QHash<QString, SaveState> saved;
    SaveState current;
    QString currentId;
    QStringList lost;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_unusable.contains(i))
            continue;
        const Manifest& m = *m_entries[i].manifest;
        if (m.parent.isEmpty()) {
            lost.clear();
        } else if (m.parent != currentId && saved.contains(m.parent)) {
            current = saved.value(m.parent);
        } else if (m.parent != currentId) {
            // Its parent is the damaged record just before it: what that one changed is lost.
            current.forget(m.parentChanged);
            lost += m.parentChanged;
        }
        current.apply(m);
        for (const QString& name : m.changedNames())
            lost.removeAll(name);
        if (visit)
            visit(m, current, lost);
        currentId = m.id;
        if (last)
            *last = i;
        if (lastUse.value(m.id, -1) > i + 1)
            saved.insert(m.id, current);
    }
    return current;
}

std::optional<GameHistory::Latest> GameHistory::latest() const {
    qsizetype last = -1;
    SaveState state = run({}, &last);
    if (last < 0)
        return std::nullopt;
    return Latest{*m_entries[last].manifest, std::move(state)};
}

} // namespace quillmere::snapshots
