#include "support/registry.h"

#include "platform/registry_api.h"

#include <QByteArray>

namespace quillmere::regedit {

namespace reg = platform;

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

QString saveFolder() {
    const QString key = QString::fromLatin1(kGameKey);
    if (auto path = readStringValue(RootKey::LocalMachine, key, QStringLiteral("Save Path")))
        return *path;
    if (auto path = readStringValue(RootKey::CurrentUser, key, QStringLiteral("NewSavePath")))
        return *path;
    return readStringValue(RootKey::CurrentUser, key, QStringLiteral("Save Path")).value_or(QString());
}

QString gameProgram() {
    return readStringValue(RootKey::LocalMachine, QString::fromLatin1(kGameKey), QStringLiteral("Program"))
        .value_or(QString());
}

} // namespace quillmere::regedit
