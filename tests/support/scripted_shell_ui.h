#pragma once

#include "platform/file_copy_engine.h"
#include "platform/shell_file_operation.h"

#include <QList>

#include <deque>

namespace quillmere::test {

// Answers the shell copy's questions from a script and records what it was asked and told;
// installed for its lifetime. An unscripted replace question fails the test and answers Cancel;
// a missing destination folder is created unless told otherwise.
class ScriptedShellUi final : public platform::ShellCopyUi {
public:
    ScriptedShellUi() { platform::setShellCopyUi(this); }
    ~ScriptedShellUi() override { platform::setShellCopyUi(nullptr); }
    ScriptedShellUi(const ScriptedShellUi&) = delete;
    ScriptedShellUi& operator=(const ScriptedShellUi&) = delete;

    void answerReplace(platform::ReplaceAnswer answer) { m_replace.push_back(answer); }
    void answerCreateFolder(bool create) { m_createFolder = create; }

    platform::ReplaceAnswer confirmReplace(const platform::ReplaceInfo& info) override;
    bool confirmCreateFolder(const QString& windowsFolder) override;
    void reportError(const platform::CopyError& error) override { errors.append(error); }
    void progress(const QString&, qint64, qint64) override {}
    bool cancelled() override { return false; }

    QList<platform::ReplaceInfo> replaceQuestions;
    QList<QString> createFolderQuestions;
    QList<platform::CopyError> errors;

private:
    std::deque<platform::ReplaceAnswer> m_replace;
    bool m_createFolder = true;
};

} // namespace quillmere::test
