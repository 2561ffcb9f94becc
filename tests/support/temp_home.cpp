#include "temp_home.h"

#include "files.h"

#include "game/games.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quillmere::test {

TempHome::TempHome() {
    m_ok = m_dir.isValid() && QDir().mkpath(home()) && QDir().mkpath(m_dir.path() + QStringLiteral("/config"));
}

TempHome::~TempHome() {
    games::useNoGame();
    // Make everything removable again, whatever a test locked down.
    QDir(m_dir.path()).removeRecursively();
}

QString TempHome::home() const {
    return m_dir.path() + QStringLiteral("/home");
}

QString TempHome::path(const QString& relative) const {
    return home() + QLatin1Char('/') + relative;
}

QString TempHome::settingsFile() const {
    return m_dir.path() + QStringLiteral("/config/quillmere/quillmere.conf");
}

QProcessEnvironment TempHome::environment() const {
    return QProcessEnvironment();
}

QString TempHome::makePrefix(const QString& hostPath, const QString& user) {
    QDir root;
    EXPECT_TRUE(root.mkpath(hostPath + QStringLiteral("/dosdevices")));
    EXPECT_TRUE(root.mkpath(hostPath + QStringLiteral("/drive_c/users/Public")));
    EXPECT_TRUE(root.mkpath(hostPath + QStringLiteral("/drive_c/users/") + user));
    QFile::link(QStringLiteral("../drive_c"), hostPath + QStringLiteral("/dosdevices/c:"));
    QFile::link(QStringLiteral("/"), hostPath + QStringLiteral("/dosdevices/z:"));
    writeReg(hostPath, true, {});
    writeReg(hostPath, false, {});
    return QDir::cleanPath(hostPath);
}

void TempHome::writeReg(const QString& prefix, bool machine, const QList<QPair<QString, RegValues>>& keys) {
    writeBytes(prefix + (machine ? QStringLiteral("/system.reg") : QStringLiteral("/user.reg")),
               wineRegFile(machine, keys));
}

QString TempHome::savedGames(const QString& prefix, const QString& user, const QString& game) {
    const QString folder = prefix + QStringLiteral("/drive_c/users/") + user + QStringLiteral("/Saved Games/") + game;
    EXPECT_TRUE(QDir().mkpath(folder));
    return folder;
}

} // namespace quillmere::test
