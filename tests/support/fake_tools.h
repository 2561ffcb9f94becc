#pragma once

#include "files.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillmere::test {

// A folder of stand-in host programs that is the whole PATH for one test.
class FakeTools {
public:
    FakeTools()
        : m_oldPath(qgetenv("PATH")) {
        qputenv("PATH", m_dir.path().toLocal8Bit());
    }
    ~FakeTools() { qputenv("PATH", m_oldPath); }
    FakeTools(const FakeTools&) = delete;
    FakeTools& operator=(const FakeTools&) = delete;

    QString add(const QString& name, const QByteArray& script = "#!/bin/sh\nexit 0\n") {
        const QString path = m_dir.path() + QLatin1Char('/') + name;
        writeBytes(path, script);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

} // namespace quillmere::test
