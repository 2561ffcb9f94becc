#include "scripted_shell_ui.h"

#include <gtest/gtest.h>

namespace quillmere::test {

platform::ReplaceAnswer ScriptedShellUi::confirmReplace(const platform::ReplaceInfo& info) {
    asked.append(info);
    if (replaceAnswers.empty()) {
        ADD_FAILURE() << "unscripted replace question for " << qPrintable(info.name);
        return platform::ReplaceAnswer::Cancel;
    }
    const platform::ReplaceAnswer answer = replaceAnswers.front();
    replaceAnswers.pop_front();
    return answer;
}

bool ScriptedShellUi::confirmCreateFolder(const QString& folder) {
    foldersAsked.append(folder);
    return createFolder;
}

} // namespace quillmere::test
