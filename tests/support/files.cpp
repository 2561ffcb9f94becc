#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace quillmere::test {

QByteArray bytesOf(const QString& hostPath) {
    QFile file(hostPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& hostPath, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile file(hostPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(hostPath);
    ASSERT_EQ(file.write(bytes), bytes.size()) << qPrintable(hostPath);
}

void setModified(const QString& hostPath, const QDateTime& when) {
    QFile file(hostPath);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << qPrintable(hostPath);
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime)) << qPrintable(hostPath);
}

QStringList filesIn(const QString& hostFolder) {
    return QDir(hostFolder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList foldersIn(const QString& hostFolder) {
    return QDir(hostFolder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList entriesIn(const QString& hostFolder) {
    return QDir(hostFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

} // namespace quillmere::test
