#include "temp_prefix.h"

#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace quillmere::test {

TempPrefix::TempPrefix() {
    m_hadOldPrefix = qEnvironmentVariableIsSet("WINEPREFIX");
    m_oldPrefix = qgetenv("WINEPREFIX");
    if (!m_dir.isValid())
        return;
    QDir root(m_dir.path());
    m_ok = root.mkpath(QStringLiteral("prefix/dosdevices")) && root.mkpath(QStringLiteral("prefix/drive_c")) &&
           root.mkpath(QStringLiteral("scratch"));
    m_ok = m_ok && QFile::link(QStringLiteral("../drive_c"), prefix() + QStringLiteral("/dosdevices/c:"));
    m_ok = m_ok && QFile::link(QStringLiteral("/"), prefix() + QStringLiteral("/dosdevices/z:"));
    qputenv("WINEPREFIX", prefix().toLocal8Bit());
}

TempPrefix::~TempPrefix() {
    if (m_hadOldPrefix)
        qputenv("WINEPREFIX", m_oldPrefix);
    else
        qunsetenv("WINEPREFIX");
    // Make everything removable again, whatever a test locked down.
    QDir(m_dir.path()).removeRecursively();
}

QString TempPrefix::prefix() const {
    return m_dir.path() + QStringLiteral("/prefix");
}

QString TempPrefix::driveC() const {
    return prefix() + QStringLiteral("/drive_c");
}

QString TempPrefix::scratch() const {
    return m_dir.path() + QStringLiteral("/scratch");
}

void TempPrefix::mapDrive(char letter, const QString& target) {
    const QString link = prefix() + QStringLiteral("/dosdevices/") + QChar::fromLatin1(letter) + QLatin1Char(':');
    QFile::remove(link);
    if (QDir::isAbsolutePath(target))
        QDir().mkpath(target);
    EXPECT_TRUE(QFile::link(target, link)) << qPrintable(link);
}

void TempPrefix::unmapDrive(char letter) {
    QFile::remove(prefix() + QStringLiteral("/dosdevices/") + QChar::fromLatin1(letter) + QLatin1Char(':'));
}

QString TempPrefix::quote(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('"'))
            out += QStringLiteral("\\\"");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

QByteArray wineRegFile(bool machine, const QList<QPair<QString, RegValues>>& keys, bool win64) {
    QString text =
        QStringLiteral("WINE REGISTRY Version 2\n;; All keys relative to ") +
        (machine ? QStringLiteral("REGISTRY\\\\Machine") : QStringLiteral("REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000")) +
        QStringLiteral("\n\n");
    if (win64)
        text += QStringLiteral("#arch=win64\n");
    for (const auto& [key, values] : keys) {
        QString escapedKey = key;
        escapedKey.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        text += QStringLiteral("\n[") + escapedKey + QStringLiteral("] 1796616576\n#time=1dd8600c59fe734\n");
        for (const auto& [name, value] : values)
            text += TempPrefix::quote(name) + QLatin1Char('=') + TempPrefix::quote(value) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

void TempPrefix::writeSystemReg(const QString& key, const Values& values, bool win64) {
    writeRaw(QStringLiteral("system.reg"), wineRegFile(true, {{key, values}}, win64));
}

void TempPrefix::writeUserReg(const QString& key, const Values& values) {
    writeRaw(QStringLiteral("user.reg"), wineRegFile(false, {{key, values}}));
}

void TempPrefix::writeRaw(const QString& relativePath, const QByteArray& bytes) {
    writeBytes(prefix() + QLatin1Char('/') + relativePath, bytes);
}

QString TempPrefix::hostOf(const QString& windowsRelative) const {
    QString rel = windowsRelative;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return driveC() + QLatin1Char('/') + rel;
}

QString TempPrefix::makeFolder(const QString& windowsRelative) {
    QDir().mkpath(hostOf(windowsRelative));
    return QStringLiteral("C:\\") + windowsRelative;
}

void TempPrefix::writeFile(const QString& windowsRelative, const QByteArray& bytes) {
    writeBytes(hostOf(windowsRelative), bytes);
}

ScopedCurrentDir::ScopedCurrentDir(const QString& hostPath)
    : m_old(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(hostPath)) << qPrintable(hostPath);
}

ScopedCurrentDir::~ScopedCurrentDir() {
    QDir::setCurrent(m_old);
}

QString sharedDir() {
    // A checkout elsewhere than beside the shared folder names it in the environment.
    const QString dir = qEnvironmentVariableIsEmpty("QUILLMERE_SHARED_DIR")
                            ? QStringLiteral(QUILLMERE_SHARED_DIR)
                            : qEnvironmentVariable("QUILLMERE_SHARED_DIR");
    return QFileInfo(dir + QStringLiteral("/d2s-samples")).isDir() ? QDir::cleanPath(dir) : QString();
}

} // namespace quillmere::test
