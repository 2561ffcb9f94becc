#pragma once

#include "copy/copy_ui.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace quillmere::test {

// Answers the copy's questions from a script and records what it was asked and told. An
// unscripted replace question fails the test and answers Cancel; a missing destination folder is
// created unless told otherwise.
class ScriptedShellUi : public copy::CopyUi {
public:
    std::deque<copy::ReplaceAnswer> replaceAnswers;
    bool createFolder = true;
    // Called on every progress report; returning true cancels from then on.
    std::function<bool(const QString& file, qint64 done)> cancelOn;
    bool cancelNow = false;

    QList<copy::ReplaceInfo> asked;
    QStringList foldersAsked;
    QList<copy::CopyError> errors;
    int started = 0;
    int finished = 0;

    void answerReplace(copy::ReplaceAnswer answer) { replaceAnswers.push_back(answer); }

    void copyStarted() override { ++started; }
    void copyFinished() override { ++finished; }
    copy::ReplaceAnswer confirmReplace(const copy::ReplaceInfo& info) override;
    bool confirmCreateFolder(const QString& folder) override;
    void reportError(const copy::CopyError& error) override { errors.append(error); }
    void progress(const QString& file, qint64 done, qint64) override {
        if (cancelOn && cancelOn(file, done))
            cancelNow = true;
    }
    bool cancelled() override { return cancelNow; }
};

} // namespace quillmere::test
