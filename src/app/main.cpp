#include "app/command_line.h"
#include "app/game_choice.h"
#include "app/history_commands.h"
#include "app/history_in_window.h"
#include "app/launcher.h"
#include "app/main_window.h"
#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "character/preview_panel.h"
#include "controls/classic_fonts.h"
#include "copy/shell_copy_windows.h"
#include "host/process_start.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/snapshot_store.h"
#include "titlebar/gradient_title_bar.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QIcon>
#include <QProcessEnvironment>
#include <QStyle>
#include <QThread>

#include <cstdio>
#include <future>
#include <optional>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool haveDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int finish(const quillmere::app::CommandLine& commandLine) {
    std::fputs(commandLine.output.toLocal8Bit().constData(), stdout);
    std::fputs(commandLine.error.toLocal8Bit().constData(), stderr);
    return commandLine.exitCode;
}

// The prefix the user names: --prefix, else $WINEPREFIX.
QString namedPrefix(const quillmere::app::CommandLineOptions& options) {
    if (!options.prefix.isEmpty())
        return options.prefix;
    const QString fromEnv = qEnvironmentVariable("WINEPREFIX");
    return fromEnv.isEmpty() ? QString() : QDir::cleanPath(QDir::current().absoluteFilePath(fromEnv));
}

quillmere::app::GameChoice gameChoiceFor(const quillmere::app::CommandLineOptions& options) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = QDir::homePath();
    return quillmere::app::GameChoice({namedPrefix(options), home, environment},
                                      quillmere::app::GameChoice::defaultSettingsFile(home, environment));
}

// --list-games: one line per game, tab-separated, so that scripts can tell what would be found.
int listGames(const quillmere::app::CommandLineOptions& options) {
    for (const quillmere::games::Game& game : gameChoiceFor(options).candidates())
        std::printf("%s\t%s\t%s\n", qPrintable(game.name()), qPrintable(game.prefix), qPrintable(game.saveFolder));
    return 0;
}

// --snapshot, --history and --verify-history: the history without a window.
int runHistoryCommand(const quillmere::app::CommandLineOptions& options) {
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    quillmere::snapshots::SnapshotStore store(quillmere::snapshots::SnapshotStore::defaultRoot());
    if (options.snapshot)
        return quillmere::app::takeSnapshots(
            store, gameChoiceFor(options).candidates(),
            options.afterGame ? QStringLiteral("game exit") : QStringLiteral("command line"), stdout);
    if (options.verifyHistory)
        return quillmere::app::verifyHistory(store, stdout);
    return quillmere::app::printHistory(store, options.prefix, stdout);
}

int showMainWindow(quillmere::app::GameChoice& gameChoice, std::future<quillmere::app::StartUpGames>& startUpGames) {
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(QUILLMERE_VERSION_MAJOR)
                                            .arg(QUILLMERE_VERSION_MINOR)
                                            .arg(QUILLMERE_VERSION_PATCH));
    // The window layouts were made for MS Sans Serif 8.25 pt.
    QApplication::setFont(quillmere::controls::classicFont(QStringLiteral("MS Sans Serif"), 8.25));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/quillmere.png")));
    // Wayland and the task bars match the window to its desktop entry, and so to its icon, by this.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillmere.Quillmere"));

    // While the games are still being looked for: the first font lookup reads the system's font
    // configuration, and the style loads its own; both would otherwise come after the wait, as
    // would the loading of the window's other fonts, the caption's and the preview's.
    QFontMetrics(QApplication::font()).height();
    QApplication::style();
    quillmere::titlebar::GradientTitleBar::preloadCaptionFont();
    quillmere::character::PreviewPanel::preloadFonts();
    const QString notice = gameChoice.chooseAtStartUp(startUpGames.get());
    quillmere::host::WineProcessStarter starter;
    quillmere::app::Launcher launcher(starter, QCoreApplication::applicationFilePath());
    quillmere::copy::ShellCopyWindows copyWindows;
    quillmere::archive::ShellFileCopy fileCopy(copyWindows);
    quillmere::archive::RestoreHistory history(quillmere::archive::RestoreHistory::defaultRoot(), fileCopy);
    quillmere::snapshots::SnapshotStore snapshots(quillmere::snapshots::SnapshotStore::defaultRoot());
    history.setSnapshots(&snapshots);
    quillmere::snapshots::AutoSnapshots automatic(snapshots);
    quillmere::titlebar::GradientTitleBar titleBar;
    quillmere::app::MainWindow window(launcher, fileCopy, history, titleBar);
    window.setGameChoice(&gameChoice);
    new quillmere::app::HistoryInWindow(window, snapshots, automatic, history, fileCopy);
    window.showNotice(notice);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    quillmere::app::CommandLine commandLine = quillmere::app::parseCommandLine(arguments);
    // An option we do not know may be one of Qt's own (-style, -platform): Qt takes those out.
    const bool maybeQtOption = commandLine.exitCode == 2 && haveDisplay();
    if (!commandLine.options && !maybeQtOption)
        return finish(commandLine);
    if (commandLine.options && commandLine.options->listGames)
        return listGames(*commandLine.options);
    if (commandLine.options && commandLine.options->runsWithoutWindow())
        return runHistoryCommand(*commandLine.options);
    if (!haveDisplay()) {
        std::fprintf(stderr, "quillmere: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
                             "set). Start it from a desktop session, or under xvfb-run.\n");
        return 2;
    }
    // Qt takes the first thread that asks for its thread data as the main one: this one, before
    // the helper below starts.
    QThread::currentThread();
    // Looking for the game reads every prefix's registry: it goes on while Qt starts up.
    std::optional<quillmere::app::GameChoice> gameChoice;
    std::future<quillmere::app::StartUpGames> startUpGames;
    const auto lookForGames = [&](const quillmere::app::CommandLineOptions& options, std::launch how) {
        gameChoice.emplace(gameChoiceFor(options));
        startUpGames =
            std::async(how, [&gameChoice, last = gameChoice->remembered()] { return gameChoice->findAtStartUp(last); });
    };
    if (commandLine.options) // on a thread of its own, or later here when none can be started
        lookForGames(*commandLine.options, std::launch::async | std::launch::deferred);
    QApplication app(argc, argv);
    if (!commandLine.options) {
        commandLine = quillmere::app::parseCommandLine(QApplication::arguments());
        if (!commandLine.options)
            return finish(commandLine);
        lookForGames(*commandLine.options, std::launch::deferred);
    }
    return showMainWindow(*gameChoice, startUpGames);
}
