#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/xattr.h>

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

bool setDosAttributes(const QString& hostPath, const QByteArray& value) {
    return ::setxattr(QFile::encodeName(hostPath).constData(), "user.DOSATTRIB", value.constData(),
                      static_cast<size_t>(value.size()), 0) == 0;
}

bool markHidden(const QString& hostPath) {
    return setDosAttributes(hostPath, "0x2");
}

QStringList filesIn(const QString& hostFolder) {
    return QDir(hostFolder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList foldersIn(const QString& hostFolder) {
    return QDir(hostFolder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList entriesIn(const QString& hostFolder) {
    return QDir(hostFolder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

UndecodableName::UndecodableName(const QString& folder, const QByteArray& name)
    : m_from(QFile::encodeName(folder))
    , m_to(QFile::encodeName(QFileInfo(folder).absolutePath()) + '/' + name) {
    EXPECT_EQ(std::rename(m_from.constData(), m_to.constData()), 0) << m_to.constData();
}

UndecodableName::~UndecodableName() {
    std::rename(m_to.constData(), m_from.constData());
}

} // namespace quillmere::test
