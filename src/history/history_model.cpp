#include "history/history_model.h"

#include "copy/file_io.h"
#include "snapshots/save_folder_scan.h"

#include <QCryptographicHash>
#include <QHash>

#include <algorithm>

namespace quillmere::history {

namespace {

// The groups whose version a snapshot may have changed: every one when it stands on its own or
// lost what a damaged record held, else those of the names it changed.
QSet<QString> groupsToLookAt(const snapshots::Manifest& m, const snapshots::SaveState& state, const QStringList& lost,
                             const QHash<QString, QByteArray>& known) {
    if (!m.parent.isEmpty() && lost.isEmpty())
        return snapshots::groupsChangedBy(m.changedNames());
    QSet<QString> groups(known.keyBegin(), known.keyEnd());
    for (const QString& group : state.groups())
        groups.insert(group);
    return groups;
}

// The SHA-256 of a file and its first bytes, read through io; empty when unreadable.
QByteArray hashFile(copy::FileIo& io, const QByteArray& path, QByteArray* head) {
    const int fd = io.openRead(path);
    if (fd < 0)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(qsizetype(1) << 16, Qt::Uninitialized);
    ssize_t n = 0;
    while ((n = io.read(fd, buffer.data(), std::size_t(buffer.size()))) > 0) {
        if (head && head->size() < game::HEXengine::kKeptBytes)
            head->append(buffer.constData(), std::min<qsizetype>(n, game::HEXengine::kKeptBytes - head->size()));
        hash.addData(QByteArrayView(buffer.constData(), n));
    }
    io.close(fd);
    return n < 0 ? QByteArray() : hash.result().toHex();
}

} // namespace

QString CharacterRow::display() const {
    if (isStash())
        return inSaveFolder ? HistoryText::tr("Shared stash") : HistoryText::tr("Shared stash (deleted)");
    return inSaveFolder ? name : HistoryText::tr("%1 (deleted)").arg(name);
}

HistoryModel HistoryModel::build(const snapshots::GameHistory& history, const QSet<QString>& groupsNow) {
    HistoryModel model;
    model.skipped = history.damagedCount();
    model.bytes = history.spaceUsed();
    QHash<QString, CharacterRow> rows;
    QHash<QString, QByteArray> lastVersion;
    history.replay([&](const snapshots::Manifest& m, const snapshots::SaveState& state, const QStringList& lost) {
        ++model.snapshots;
        model.newest = std::max(model.newest, m.taken);
        for (const QString& group : groupsToLookAt(m, state, lost, lastVersion)) {
            std::optional<snapshots::CharacterVersion> character = snapshots::characterIn(state, group);
            QByteArray& last = lastVersion[group];
            if (!character) {
                last.clear(); // gone from this snapshot: back again later is a version of its own
                continue;
            }
            if (last == character->version)
                continue;
            last = character->version;
            CharacterRow& row = rows[group];
            row.group = group;
            row.name = character->name;
            row.versions.prepend({m.id, m.taken, m.pinned, std::move(*character)});
        }
    });
    for (CharacterRow& row : rows) {
        row.inSaveFolder = groupsNow.contains(row.group);
        model.characters.append(std::move(row));
    }
    std::sort(model.characters.begin(), model.characters.end(), [](const CharacterRow& a, const CharacterRow& b) {
        if (a.isStash() != b.isStash())
            return b.isStash();
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return model;
}

const CharacterRow* HistoryModel::find(const QString& group) const {
    const auto found = std::find_if(characters.cbegin(), characters.cend(),
                                    [&group](const CharacterRow& row) { return row.group == group; });
    return found == characters.cend() ? nullptr : &*found;
}

QSet<QString> groupsInFolder(copy::FileIo& io, const QString& saveFolderHost) {
    QSet<QString> groups;
    for (const snapshots::ScannedFile& file : snapshots::scanSaveFolder(io, saveFolderHost).files) {
        if (snapshots::isCharacterFile(file.name) || snapshots::isStashFile(file.name))
            groups.insert(snapshots::groupOf(file.name));
    }
    return groups;
}

std::optional<snapshots::CharacterVersion> characterNow(copy::FileIo& io, const QString& saveFolderHost,
                                                        const QString& group) {
    snapshots::SaveState state;
    const auto ofGroup = [&group](const QString& name) { return snapshots::groupOf(name) == group; };
    for (const snapshots::ScannedFile& file : snapshots::scanSaveFolder(io, saveFolderHost, ofGroup).files) {
        QByteArray head;
        const bool character = snapshots::isCharacterFile(file.name);
        const QByteArray sha = hashFile(io, file.hostPath, character ? &head : nullptr);
        if (sha.isEmpty())
            continue;
        state.put({file.name, sha, file.stat.size, 0, 0, 0},
                  character ? std::optional(game::summarizeCharacterHead(head)) : std::nullopt);
    }
    return snapshots::characterIn(state, group);
}

QString comparedWithNow(const snapshots::CharacterVersion& version,
                        const std::optional<snapshots::CharacterVersion>& now) {
    if (!now)
        return HistoryText::tr("not in the save folder now");
    if (now->version == version.version)
        return HistoryText::tr("same as now");
    const std::optional<quint8> was = version.summary.level;
    const std::optional<quint8> is = now->summary.level;
    if (!version.isStash() && was && is && *was != *is)
        return HistoryText::tr("level %1 now, %2 here").arg(*is).arg(*was);
    return version.isStash() ? HistoryText::tr("other contents now")
                             : HistoryText::tr("other contents now, same level");
}

} // namespace quillmere::history
