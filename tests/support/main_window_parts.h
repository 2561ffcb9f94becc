#pragma once

#include "app/launcher.h"
#include "app/main_window.h"
#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "host/process_start.h"
#include "scripted_shell_ui.h"
#include "titlebar/gradient_title_bar.h"

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

namespace quillmere::test {

// A process starter that starts nothing and reports success.
class NoStarter final : public host::ProcessStarter {
public:
    host::StartResult start(const QString&, host::ShowWindow, host::FailedSoon, const QStringList&) override {
        return {true, {}};
    }
};

// What a main window is made with in a test: a launcher that starts nothing, a copy whose questions
// a script answers, kept restores in a folder of their own, and the title bar module.
struct MainWindowParts {
    NoStarter starter;
    app::Launcher launcher{starter};
    ScriptedShellUi shell;
    archive::ShellFileCopy fileCopy{shell};
    QTemporaryDir keptFolder;
    archive::RestoreHistory history{keptFolder.path(), fileCopy};
    titlebar::GradientTitleBar titleBar;

    // Shown and active, as the user finds it after start-up.
    std::unique_ptr<app::MainWindow> makeWindow() {
        auto window = std::make_unique<app::MainWindow>(launcher, fileCopy, history, titleBar);
        window->show();
        QApplication::setActiveWindow(window.get());
        return window;
    }
};

} // namespace quillmere::test
