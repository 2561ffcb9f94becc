#include "scripted_shell_ui.h"

#include <gtest/gtest.h>

namespace quillmere::test {

copy::ReplaceAnswer ScriptedShellUi::confirmReplace(const copy::ReplaceInfo& info) {
    asked.append(info);
    if (replaceAnswers.empty()) {
        ADD_FAILURE() << "unscripted replace question for " << qPrintable(info.name);
        return copy::ReplaceAnswer::Cancel;
    }
    const copy::ReplaceAnswer answer = replaceAnswers.front();
    replaceAnswers.pop_front();
    return answer;
}

bool ScriptedShellUi::confirmCreateFolder(const QString& folder) {
    foldersAsked.append(folder);
    return createFolder;
}

} // namespace quillmere::test
