#include "game/regedit.h"

#include "game/games.h"
#include "host/drive_map.h"
#include "host/registry_api.h"

#include <QByteArray>
#include <QFileInfo>

#include <utility>

namespace quillmere::regedit {

namespace reg = host;

std::optional<QString> readStringValue(RootKey root, const QString& keyPath, const QString& valueName) {
    const QByteArray key = keyPath.toLocal8Bit();
    const QByteArray name = valueName.toLocal8Bit();

    // A failed open leaves the handle 0, and the queries below fail on it in turn.
    reg::HKEY handle = 0;
    reg::RegOpenKeyA(static_cast<reg::HKEY>(root), key.constData(), &handle);

    std::optional<QString> result;
    reg::DWORD type = 0;
    reg::DWORD size = 0;
    reg::RegQueryValueExA(handle, name.constData(), nullptr, &type, nullptr, &size);
    if (type == reg::kRegSz) {
        QByteArray buffer(static_cast<qsizetype>(size), ' ');
        type = 0;
        if (reg::RegQueryValueExA(handle, name.constData(), nullptr, &type,
                                  reinterpret_cast<std::uint8_t*>(buffer.data()), &size) == reg::kErrorSuccess) {
            const qsizetype nul = buffer.indexOf('\0');
            if (nul >= 0)
                buffer.truncate(nul);
            result = QString::fromLocal8Bit(buffer);
        }
    }
    reg::RegCloseKey(handle);
    return result;
}

QString registrySaveFolder() {
    const QString key = QString::fromLatin1(kGameKey);
    const std::pair<RootKey, const char*> values[] = {
        {RootKey::CurrentUser, "NewSavePath"},
        {RootKey::LocalMachine, "Save Path"},
        {RootKey::CurrentUser, "Save Path"},
    };
    QString firstSet;
    for (const auto& [root, name] : values) {
        const QString folder = readStringValue(root, key, QLatin1String(name)).value_or(QString());
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
    return readStringValue(RootKey::LocalMachine, QString::fromLatin1(kGameKey), QStringLiteral("Program"))
        .value_or(QString());
}

} // namespace quillmere::regedit
