#pragma once

#include "temp_prefix.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace quillmere::test {

// A home folder of its own for a test, to hold the prefixes that Wine, Lutris, Bottles, Steam,
// PlayOnLinux and CrossOver make, and a config folder for the program's settings. The game in use
// goes back to none when it ends.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    bool isValid() const { return m_ok; }
    QString home() const;
    // A host path below the home folder.
    QString path(const QString& relative) const;
    // A settings file outside the home folder, as XDG_CONFIG_HOME would place it.
    QString settingsFile() const;
    // No XDG folders: discovery looks below the home folder only.
    QProcessEnvironment environment() const;

    // A Wine prefix at `hostPath`: system.reg and user.reg without keys, dosdevices/ with c: and z:,
    // and drive_c/users/<user> beside drive_c/users/Public. Returns the path.
    static QString makePrefix(const QString& hostPath, const QString& user = QStringLiteral("me"));
    // Replaces a prefix's system.reg (machine) or user.reg with the keys given.
    static void writeReg(const QString& prefix, bool machine, const QList<QPair<QString, RegValues>>& keys);
    // The host folder of a prefix's C:\users\<user>\Saved Games\<game>, created.
    static QString savedGames(const QString& prefix, const QString& user, const QString& game);

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

} // namespace quillmere::test
