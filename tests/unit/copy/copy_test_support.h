#pragma once

#include "copy/file_copy_engine.h"
#include "scripted_shell_ui.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace quillmere::test {

using ScriptedUi = ScriptedShellUi;

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(path);
    file.write(bytes);
}

// Every name in a folder, hidden ones included.
inline QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QStringList tempsIn(const QString& folder) {
    QStringList temps;
    for (const QString& name : entriesOf(folder))
        if (name.startsWith(QLatin1String(".quillmere-")))
            temps.append(name);
    return temps;
}

} // namespace quillmere::test
