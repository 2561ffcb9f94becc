#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

namespace quillmere::test {

// A real Wine-style prefix on disk for the length of a test: dosdevices/ with c: -> ../drive_c and
// z: -> /, an empty drive_c, and WINEPREFIX pointing at it (the old value comes back afterwards).
class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    bool isValid() const { return m_ok; }
    QString prefix() const;  // host path of the prefix
    QString driveC() const;  // host path of drive_c
    QString scratch() const; // a host folder beside the prefix, for extra drives and such

    // A drive letter linked to a host folder (created when missing); a relative target is
    // written as given, relative to dosdevices/.
    void mapDrive(char letter, const QString& target);
    void unmapDrive(char letter);

    // Writes system.reg / user.reg in Wine's format with one key and its REG_SZ values.
    using Values = QList<QPair<QString, QString>>;
    void writeSystemReg(const QString& key, const Values& values, bool win64 = true);
    void writeUserReg(const QString& key, const Values& values);
    void writeRaw(const QString& relativePath, const QByteArray& bytes);

    // The save folder of the game key in Windows form, created on disk: C:\<relative>.
    QString makeFolder(const QString& windowsRelative);   // relative to C:\, returns Windows form
    QString hostOf(const QString& windowsRelative) const; // relative to C:\, host path
    void writeFile(const QString& windowsRelative, const QByteArray& bytes);

    // Wine's quoting of a string for a .reg file.
    static QString quote(const QString& text);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPrefix;
    bool m_hadOldPrefix = false;
    bool m_ok = false;
};

// The text of a Wine registry file holding the keys given, each with its REG_SZ values; `machine`
// picks system.reg's header over user.reg's.
using RegValues = QList<QPair<QString, QString>>;
QByteArray wineRegFile(bool machine, const QList<QPair<QString, RegValues>>& keys, bool win64 = true);

// Makes the process's working directory a given host folder for a test's length.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const QString& hostPath);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    QString m_old;
};

// The folder of samples shared beside the repository, or empty when this machine has none.
QString sharedDir();

} // namespace quillmere::test
