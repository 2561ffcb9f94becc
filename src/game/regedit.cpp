#include "game/regedit.h"

#include "game/games.h"
#include "host/drive_map.h"
#include "host/registry.h"

#include <QFileInfo>

#include <utility>

namespace quillmere::regedit {

QString registrySaveFolder() {
    const QString key = QString::fromLatin1(kGameKey);
    const std::pair<host::RegistryRoot, const char*> values[] = {
        {host::RegistryRoot::CurrentUser, "NewSavePath"},
        {host::RegistryRoot::LocalMachine, "Save Path"},
        {host::RegistryRoot::CurrentUser, "Save Path"},
    };
    QString firstSet;
    for (const auto& [root, name] : values) {
        QString folder = host::readRegistryString(root, key, QLatin1String(name)).value_or(QString());
        if (folder.isEmpty())
            continue;
        const host::ResolvedPath resolved = host::resolve(folder);
        if (resolved.status == host::PathStatus::Ok && QFileInfo(resolved.hostPath).isDir())
            return folder;
        if (firstSet.isEmpty())
            firstSet = folder;
    }
    return firstSet;
}

QString saveFolder() {
    const std::optional<games::Game> game = games::gameInUse();
    return game && !game->fromRegistry ? game->saveFolder : registrySaveFolder();
}

QString gameProgram() {
    const std::optional<games::Game> game = games::gameInUse();
    if (game && game->edition == games::Edition::Resurrected)
        return games::resurrectedProgram();
    return host::readRegistryString(host::RegistryRoot::LocalMachine, QString::fromLatin1(kGameKey),
                                    QStringLiteral("Program"))
        .value_or(QString());
}

} // namespace quillmere::regedit
