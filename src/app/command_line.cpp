#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillmere::app {

namespace {

class Parser {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
public:
    static CommandLine parse(const QStringList& arguments);
};

} // namespace

QString nameAndVersion() {
    return QStringLiteral("Quillmere %1.%2.%3")
        .arg(QUILLMERE_VERSION_MAJOR)
        .arg(QUILLMERE_VERSION_MINOR)
        .arg(QUILLMERE_VERSION_PATCH);
}

CommandLine parseCommandLine(const QStringList& arguments) {
    return Parser::parse(arguments);
}

CommandLine Parser::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Looks after Diablo II single-player characters: lists, "
                                        "previews, backs up and restores them."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, tr("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     tr("Show the program's name and version."));
    const QCommandLineOption prefix(QStringLiteral("prefix"),
                                    tr("Use the Wine prefix <dir> (a folder holding system.reg and "
                                       "drive_c) instead of $WINEPREFIX or the prefixes found by "
                                       "looking for them."),
                                    QStringLiteral("dir"));
    const QCommandLineOption listGames(QStringLiteral("list-games"),
                                       tr("Print the games found (name, prefix and save folder, one a line) and "
                                          "exit."));
    const QCommandLineOption snapshot(QStringLiteral("snapshot"),
                                      tr("Take a snapshot of the save folder of every game found (or of the "
                                         "prefix named by --prefix) into the history, print a line for each, and "
                                         "exit."));
    QCommandLineOption afterGame(QStringLiteral("after-game"), tr("With --snapshot: the game just exited."));
    afterGame.setFlags(QCommandLineOption::HiddenFromHelp); // the launcher's own
    const QCommandLineOption history(QStringLiteral("history"),
                                     tr("Print the snapshots kept in the history, newest first, and exit."));
    const QCommandLineOption verifyHistory(QStringLiteral("verify-history"),
                                           tr("Read every content kept in the history against its hash, print "
                                              "each damaged or missing one, and exit."));
    parser.addOptions({help, version, prefix, listGames, snapshot, afterGame, history, verifyHistory});

    CommandLine result;
    const QString program = arguments.isEmpty() ? QStringLiteral("quillmere") : QFileInfo(arguments[0]).fileName();
    if (!parser.parse(arguments)) {
        result.exitCode = 2;
        result.error = QStringLiteral("%1: %2\n").arg(program, parser.errorText());
    } else if (parser.isSet(help)) {
        // Without an application object the parser cannot know the program's name.
        result.output = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
    } else if (parser.isSet(version)) {
        result.output = nameAndVersion() + QLatin1Char('\n');
    } else if (!parser.positionalArguments().isEmpty()) {
        result.exitCode = 2;
        result.error = tr("%1: unexpected argument: %2\n").arg(program, parser.positionalArguments()[0]);
    } else if (parser.isSet(prefix) && parser.value(prefix).isEmpty()) {
        result.exitCode = 2;
        result.error = tr("%1: --prefix needs a folder\n").arg(program);
    } else {
        CommandLineOptions options;
        options.listGames = parser.isSet(listGames);
        options.snapshot = parser.isSet(snapshot);
        options.afterGame = parser.isSet(afterGame);
        options.history = parser.isSet(history);
        options.verifyHistory = parser.isSet(verifyHistory);
        if (parser.isSet(prefix))
            options.prefix = QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(prefix)));
        result.options = options;
    }
    if (result.exitCode == 2)
        result.error += tr("Try '%1 --help' for the options.\n").arg(program);
    return result;
}

} // namespace quillmere::app
