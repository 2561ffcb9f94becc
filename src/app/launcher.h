#pragma once

#include <QCoreApplication>

namespace quillmere::host {
class ProcessStarter;
enum class ShowWindow;
} // namespace quillmere::host

namespace quillmere::app {

// Starts the game and the system's disk-format dialog, and leaves them alone.
class Launcher final {
    Q_DECLARE_TR_FUNCTIONS(Launcher)
public:
    explicit Launcher(host::ProcessStarter& starter)
        : m_starter(starter) {}

    // The game named by the registry's "Program", minimised; the "Dumbass..." box when it is missing.
    // A start that fails, at once or within its first moments, gets the "Cannot Start..." box.
    void startGame();
    // The Windows folder's rundll32.exe shell32.dll,SHFormatDrive, shown normally.
    void formatFloppyDisk();

    static QString formatCommandLine();

private:
    void start(const QString& commandLine, host::ShowWindow show);

    host::ProcessStarter& m_starter;
};

} // namespace quillmere::app
