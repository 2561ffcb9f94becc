#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quillmere::app {

struct CommandLineOptions {
    QString prefix;             // --prefix: absolute and cleaned; empty when not given
    bool listGames = false;     // --list-games: print the games found instead of starting
    bool snapshot = false;      // --snapshot: a snapshot of each game found, then exit
    bool afterGame = false;     // --after-game: the snapshot is the one taken when the game exits
    bool history = false;       // --history: print the snapshots kept
    bool verifyHistory = false; // --verify-history: check every stored content

    // A command that runs without a window.
    bool runsWithoutWindow() const { return listGames || snapshot || history || verifyHistory; }
};

// What the command line asks for. Parsed without any application object, so that --help and
// --version work where there is no display.
struct CommandLine {
    std::optional<CommandLineOptions> options; // set when the program is to start
    int exitCode = 0;                          // otherwise: 0 after --help or --version, 2 for a mistake
    QString output;                            // for standard output
    QString error;                             // for standard error
};

// `arguments` as main() got them, the program's own name first.
CommandLine parseCommandLine(const QStringList& arguments);

// "Quillmere 1.4.21".
QString nameAndVersion();

} // namespace quillmere::app
