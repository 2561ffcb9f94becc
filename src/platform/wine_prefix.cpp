#include "platform/wine_prefix.h"

#include <QDir>

namespace quillmere::platform {

QString winePrefixPath() {
    const QString fromEnv = qEnvironmentVariable("WINEPREFIX");
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(fromEnv);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.wine"));
}

} // namespace quillmere::platform
