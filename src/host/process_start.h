#pragma once

#include "host/watched_start.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <chrono>

namespace quillmere::host {

// How a started program's window first shows: normally, or minimised (Wine's "start /min").
enum class ShowWindow { Normal, Minimized };

struct StartResult {
    bool started = false;
    QString reason; // why not, in words a user understands
};

// Starts a Windows command line and returns at once, without waiting for the program. A program
// that fails within its first moments may still be reported later, through failedSoon. A host
// command in afterExit (the program first) runs once the program has ended, whether this program
// still runs or not.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    virtual StartResult start(const QString& commandLine, ShowWindow show, FailedSoon failedSoon,
                              const QStringList& afterExit = {}) = 0;
};

// A host program with its argument vector and the prefix it runs in.
struct HostCommand {
    QString program;
    QStringList arguments;
    QString winePrefix;
    bool throughWine = false; // watched for a program that Wine cannot run
};

// Starts through Wine, with the prefix in the environment; the program inherits the current
// folder. An unquoted program path with blanks is taken the way CreateProcess does: the shortest
// leading run of words that names an existing file. Only an existing Windows program (.exe, .com,
// .bat, .cmd) is started, named by its absolute drive path, so that Wine's "start" neither opens a
// document nor takes the path for one of its options. Wine is watched for a moment: when it gives
// up on the program, its last line of output is the reason. The shell's disk-format entry point
// (the Windows folder's rundll32.exe shell32.dll,SHFormatDrive) becomes the desktop's disk utility,
// which is not watched and has nothing run after it.
class WineProcessStarter final : public ProcessStarter {
    Q_DECLARE_TR_FUNCTIONS(WineProcessStarter)
public:
    explicit WineProcessStarter(std::chrono::milliseconds watch = std::chrono::seconds(2))
        : m_watch(watch) {}

    StartResult start(const QString& commandLine, ShowWindow show, FailedSoon failedSoon,
                      const QStringList& afterExit = {}) override;

    // The host command a start would run; empty program and a reason when there is none.
    static HostCommand translate(const QString& commandLine, ShowWindow show, QString* reason);

private:
    std::chrono::milliseconds m_watch;
};

// The prefix's Windows folder in Windows form ("C:\windows"), read afresh on every call.
QString windowsFolder();

} // namespace quillmere::host
