#pragma once

#include "snapshots/game_ref.h"

#include <QByteArray>
#include <QFile>

namespace quillmere::snapshots {

// Where a store keeps what: every content once under objects/, named by its SHA-256, shared by all
// games; each game's snapshot records under games/<key>/.
struct StorePaths {
    QByteArray root;

    QByteArray objects() const { return root + "/objects"; }
    QByteArray games() const { return root + "/games"; }
    QByteArray gameFolder(const GameRef& game) const { return games() + '/' + QFile::encodeName(game.key()); }
    QByteArray contentPath(const QByteArray& sha256) const { return objects() + '/' + sha256; }
};

} // namespace quillmere::snapshots
