#include "snapshots/game_ref.h"

#include <QCryptographicHash>

namespace quillmere::snapshots {

QString GameRef::key() const {
    // The save folder in Windows form: the same game whatever drive mapping leads to it today.
    const QByteArray identity = prefix.toUtf8() + '\n' + saveFolder.toUpper().toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16));
}

} // namespace quillmere::snapshots
