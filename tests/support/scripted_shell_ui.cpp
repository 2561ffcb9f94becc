#include "scripted_shell_ui.h"

#include <gtest/gtest.h>

namespace quillmere::test {

platform::ReplaceAnswer ScriptedShellUi::confirmReplace(const platform::ReplaceInfo& info) {
    replaceQuestions.append(info);
    if (m_replace.empty()) {
        ADD_FAILURE() << "unscripted replace question for " << qPrintable(info.name);
        return platform::ReplaceAnswer::Cancel;
    }
    const platform::ReplaceAnswer answer = m_replace.front();
    m_replace.pop_front();
    return answer;
}

bool ScriptedShellUi::confirmCreateFolder(const QString& windowsFolder) {
    createFolderQuestions.append(windowsFolder);
    return m_createFolder;
}

} // namespace quillmere::test
