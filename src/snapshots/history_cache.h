#pragma once

#include "snapshots/game_history.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace quillmere::copy {
class FileIo;
struct FileStat;
} // namespace quillmere::copy

namespace quillmere::snapshots {

// A game's history as last read, kept for as long as its records stay the same files (names,
// sizes, times and inodes): a program that takes many snapshots, as the window's automatic ones
// do, reads each record once rather than once a snapshot. Anything another process writes,
// prunes, pins or damages changes a record's stamp, and the history is read anew.
class HistoryCache final {
public:
    // The history of folder, and its newest snapshot rebuilt.
    const GameHistory& history(copy::FileIo& io, const QByteArray& folder);
    const std::optional<GameHistory::Latest>& latest() const { return m_latest; }
    // The history of folder as kept, without looking at the folder again; null when none is.
    const GameHistory* kept(const QByteArray& folder) const { return folder == m_folder ? &m_history : nullptr; }

    // A snapshot just written into the folder, holding state.
    void written(copy::FileIo& io, const QString& fileName, const Manifest& manifest, const SaveState& state);
    void forget() { m_folder.clear(); }

private:
    struct Stamp {
        QByteArray name;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QByteArray& name, const copy::FileStat& found);
    static QList<Stamp> stampsOf(copy::FileIo& io, const QByteArray& folder);

    QByteArray m_folder; // empty while nothing is kept
    QList<Stamp> m_stamps;
    GameHistory m_history;
    std::optional<GameHistory::Latest> m_latest;
};

} // namespace quillmere::snapshots
