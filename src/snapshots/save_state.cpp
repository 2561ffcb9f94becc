#include "snapshots/save_state.h"

#include "copy/content_hash.h"

#include <algorithm>

namespace quillmere::snapshots {

void SaveState::apply(const Manifest& manifest) {
    if (manifest.parent.isEmpty()) {
        m_files.clear();
        m_summaries.clear();
        m_groups.clear();
        reserve(manifest.written.size());
    }
    for (const QString& name : manifest.removed)
        remove(name);
    for (const FileEntry& file : manifest.written)
        put(file, std::nullopt);
    for (const StoredSummary& stored : manifest.summaries) {
        if (m_files.contains(stored.name))
            m_summaries.insert(stored.name, stored.summary);
    }
}

void SaveState::forget(const QStringList& names) {
    for (const QString& name : names)
        remove(name);
}

void SaveState::put(const FileEntry& file, const std::optional<game::CharacterSummary>& summary) {
    const auto existing = m_files.find(file.name);
    if (existing == m_files.end()) {
        m_groups[groupOf(file.name)].append(file.name);
        m_files.insert(file.name, file);
    } else {
        if (existing->sha256 != file.sha256)
            m_summaries.remove(file.name); // the head of other contents says other things
        *existing = file;
    }
    if (summary)
        m_summaries.insert(file.name, *summary);
}

void SaveState::reserve(qsizetype files) {
    m_files.reserve(files);
    m_summaries.reserve(files / 4);
}

void SaveState::remove(const QString& name) {
    if (m_files.remove(name) == 0)
        return;
    m_summaries.remove(name);
    const QString group = groupOf(name);
    QStringList& names = m_groups[group];
    names.removeOne(name);
    if (names.isEmpty())
        m_groups.remove(group);
}

const FileEntry* SaveState::file(const QString& name) const {
    const auto found = m_files.constFind(name);
    return found == m_files.cend() ? nullptr : &*found;
}

std::optional<game::CharacterSummary> SaveState::summaryOf(const QString& name) const {
    const auto found = m_summaries.constFind(name);
    return found == m_summaries.cend() ? std::nullopt : std::optional(*found);
}

qint64 SaveState::totalBytes() const {
    qint64 total = 0;
    for (const FileEntry& file : m_files)
        total += file.size;
    return total;
}

void SaveState::changesFrom(const SaveState& from, Manifest& out) const {
    out.written.clear();
    out.removed.clear();
    out.summaries.clear();
    for (const FileEntry& file : m_files) {
        const FileEntry* before = from.file(file.name);
        if (before && *before == file)
            continue;
        out.written.append(file);
        if (const std::optional<game::CharacterSummary> summary = summaryOf(file.name))
            out.summaries.append({file.name, *summary});
    }
    for (const FileEntry& file : from.m_files) {
        if (!m_files.contains(file.name))
            out.removed.append(file.name);
    }
    // In name order, so that the same change is the same record.
    std::sort(out.written.begin(), out.written.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
    std::sort(out.removed.begin(), out.removed.end());
    std::sort(out.summaries.begin(), out.summaries.end(),
              [](const StoredSummary& a, const StoredSummary& b) { return a.name < b.name; });
    out.fileCount = m_files.size();
    out.totalBytes = totalBytes();
}

bool isCharacterFile(const QString& name) {
    return name.endsWith(QLatin1String(".d2s"), Qt::CaseInsensitive) && name.size() > 4;
}

bool isStashFile(const QString& name) {
    return (name.startsWith(QLatin1String("SharedStash"), Qt::CaseInsensitive) &&
            name.endsWith(QLatin1String(".d2i"), Qt::CaseInsensitive)) ||
           name.endsWith(QLatin1String(".sss"), Qt::CaseInsensitive);
}

QString groupOf(const QString& fileName) {
    if (isStashFile(fileName))
        return {};
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QStringView base = dot > 0 ? QStringView(fileName).left(dot) : QStringView(fileName);
    // Save names are plain letters: folded by hand, without the Unicode tables.
    if (std::all_of(base.cbegin(), base.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        QString folded(base.size(), Qt::Uninitialized);
        std::transform(base.cbegin(), base.cend(), folded.begin(),
                       [](QChar c) { return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c; });
        return folded;
    }
    return base.toString().toCaseFolded();
}

QSet<QString> groupsChangedBy(const QStringList& names) {
    QSet<QString> groups;
    for (const QString& name : names)
        groups.insert(groupOf(name));
    return groups;
}

std::optional<CharacterVersion> characterIn(const SaveState& state, const QString& group) {
    QStringList names = state.namesIn(group);
    std::sort(names.begin(), names.end());
    CharacterVersion character;
    character.files.reserve(names.size());
    quint64 identity = 0x51u; // chained over each file's name and content
    for (const QString& name : names) {
        const FileEntry* file = state.file(name);
        character.files.append(*file);
        identity = copy::contentHashOf(name.constData(), std::size_t(name.size()) * sizeof(QChar), identity);
        identity = copy::contentHashOf(file->sha256.constData(), std::size_t(file->sha256.size()), identity);
        if (!group.isEmpty() && character.file.isEmpty() && isCharacterFile(name)) {
            character.file = name;
            character.name = name.chopped(4);
            character.summary = state.summaryOf(name).value_or(game::CharacterSummary{});
        }
    }
    if (character.files.isEmpty() || (!group.isEmpty() && character.file.isEmpty()))
        return std::nullopt;
    // Tells versions of one character apart; the contents themselves are named by their SHA-256.
    character.version = QByteArray::number(identity, 16);
    return character;
}

QList<CharacterVersion> charactersOf(const SaveState& state) {
    QStringList groups = state.groups();
    std::sort(groups.begin(), groups.end());
    // The characters by name, then the stash.
    if (!groups.isEmpty() && groups.front().isEmpty())
        groups.append(groups.takeFirst());
    QList<CharacterVersion> characters;
    for (const QString& group : groups) {
        if (std::optional<CharacterVersion> character = characterIn(state, group))
            characters.append(std::move(*character));
    }
    return characters;
}

} // namespace quillmere::snapshots
