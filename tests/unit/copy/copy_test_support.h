#pragma once

#include "platform/file_copy_engine.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace quillmere::test {

// Answers the engine's questions from a script and records what it was asked and told.
class ScriptedUi final : public platform::ShellCopyUi {
public:
    std::deque<platform::ReplaceAnswer> replaceAnswers;
    bool createFolder = true;
    // Called on every progress report; returning true cancels from then on.
    std::function<bool(const QString& file, qint64 done)> cancelOn;
    bool cancelNow = false;

    QList<platform::ReplaceInfo> asked;
    QStringList foldersAsked;
    QList<platform::CopyError> errors;

    platform::ReplaceAnswer confirmReplace(const platform::ReplaceInfo& info) override {
        asked.append(info);
        if (replaceAnswers.empty()) {
            ADD_FAILURE() << "unexpected replace question for " << qPrintable(info.name);
            return platform::ReplaceAnswer::Cancel;
        }
        const platform::ReplaceAnswer answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }
    bool confirmCreateFolder(const QString& folder) override {
        foldersAsked.append(folder);
        return createFolder;
    }
    void reportError(const platform::CopyError& error) override { errors.append(error); }
    void progress(const QString& file, qint64 done, qint64) override {
        if (cancelOn && cancelOn(file, done))
            cancelNow = true;
    }
    bool cancelled() override { return cancelNow; }
};

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
