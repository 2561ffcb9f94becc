#include "snapshots/game_ref.h"

#include "game/games.h"
#include "game/regedit.h"
#include "host/drive_map.h"
#include "host/wine_prefix.h"

#include <QCryptographicHash>

namespace quillmere::snapshots {

QString GameRef::key() const {
    // The save folder in Windows form: the same game whatever drive mapping leads to it today.
    const QByteArray identity = prefix.toUtf8() + '\n' + saveFolder.toUpper().toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16));
}

std::optional<GameRef> gameRefInUse() {
    const QString saveFolder = regedit::saveFolder();
    if (saveFolder.isEmpty())
        return std::nullopt;
    const host::ResolvedPath resolved = host::resolve(saveFolder);
    const std::optional<games::Game> game = games::gameInUse();
    // A folder that cannot be reached has no host path: a snapshot of it says it is gone.
    return GameRef{game ? game->name() : games::Game().name(), host::winePrefixPath(), saveFolder,
                   resolved.status == host::PathStatus::Ok ? resolved.hostPath : QString()};
}

} // namespace quillmere::snapshots
