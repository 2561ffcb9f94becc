#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <utility>

namespace quillmere::host {
class ProcessStarter;
enum class ShowWindow;
} // namespace quillmere::host

namespace quillmere::app {

// Starts the game and the system's disk-format dialog, and leaves them alone. Given this program's
// own file, it has the game's save folder snapshot once the game exits.
class Launcher final {
    Q_DECLARE_TR_FUNCTIONS(Launcher)
public:
    explicit Launcher(host::ProcessStarter& starter, QString ownProgram = {})
        : m_starter(starter)
        , m_ownProgram(std::move(ownProgram)) {}

    // The game named by the registry's "Program", minimised; the "Dumbass..." box when it is missing.
    // A start that fails, at once or within its first moments, gets the "Cannot Start..." box.
    void startGame();
    // What runs once the game exits: this program again, taking a snapshot of the games of the
    // prefix in use; nothing without this program's file.
    QStringList afterGameCommand() const;
    // The Windows folder's rundll32.exe shell32.dll,SHFormatDrive, shown normally.
    void formatFloppyDisk();

    static QString formatCommandLine();

private:
    void start(const QString& commandLine, host::ShowWindow show, const QStringList& afterExit = {});

    host::ProcessStarter& m_starter;
    QString m_ownProgram;
};

} // namespace quillmere::app
