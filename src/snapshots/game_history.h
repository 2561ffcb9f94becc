#pragma once

#include "snapshots/save_state.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace quillmere::copy {
class FileIo;
}

namespace quillmere::snapshots {

inline constexpr char kManifestSuffix[] = ".snapshot";
// A snapshot's record, not a temporary file or anything else in its game's folder.
inline bool isRecordName(const QByteArray& name) {
    return name.endsWith(kManifestSuffix) && !name.startsWith('.');
}

// One game's snapshots as its folder of the store holds them, oldest first, and the states they
// hold, rebuilt by replaying each on the one before.
class GameHistory {
public:
    struct Entry {
        QString fileName;                 // of its manifest
        std::optional<Manifest> manifest; // nothing when the record is damaged
        qint64 bytes = 0;                 // the record's size
    };

    // Reads every manifest of folder. A manifest that vanishes meanwhile (pruned) is passed over.
    static GameHistory read(copy::FileIo& io, const QByteArray& folder);

    const QList<Entry>& entries() const { return m_entries; }
    // A snapshot just written, the newest.
    void append(const QString& fileName, const Manifest& manifest);
    // The bytes the history takes: its records, and each content they name, once.
    qint64 spaceUsed() const;
    // Damaged records, and snapshots that cannot be rebuilt because of them.
    int damagedCount() const;
    bool isSound() const { return damagedCount() == 0; }

    // Each snapshot that can be rebuilt, oldest first, with the state it holds and the names whose
    // record was lost with a damaged snapshot before it.
    using Visit = std::function<void(const Manifest&, const SaveState&, const QStringList& lost)>;
    void replay(const Visit& visit) const;

    // The newest snapshot that can be rebuilt, with its state; nothing when there is none.
    struct Latest {
        Manifest manifest;
        SaveState state;
    };
    std::optional<Latest> latest() const;

private:
    static QList<Entry> readRecords(copy::FileIo& io, const QByteArray& folder, const QByteArrayList& names);
    void findUnusable();
    SaveState run(const Visit& visit, qsizetype* last) const;

    QList<Entry> m_entries;
    QSet<qsizetype> m_unusable; // can be read, not rebuilt
};

} // namespace quillmere::snapshots
