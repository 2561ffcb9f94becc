#pragma once

#include "host/watched_start.h"

#include <QString>
#include <QStringList>

#include <chrono>

namespace quillmere::host {

// Classic show-window values for a started program.
namespace show {
inline constexpr int Normal = 1;    // SW_SHOWNORMAL
inline constexpr int Minimized = 2; // SW_SHOWMINIMIZED
} // namespace show

struct StartResult {
    bool started = false;
    QString reason; // why not, in words a user understands
};

// Starts a Windows command line and returns at once, without waiting for the program. A program
// that fails within its first moments may still be reported later, through failedSoon.
class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    virtual StartResult start(const QString& commandLine, int showWindow, FailedSoon failedSoon) = 0;
};

// A host program with its argument vector and the prefix it runs in.
struct HostCommand {
    QString program;
    QStringList arguments;
    QString winePrefix;
    bool throughWine = false; // watched for a program that Wine cannot run
};

// Windows' own splitting of a command line into program and arguments. The program name ends at
// its closing quote, or at the first blank when unquoted; arguments follow the C runtime's rules
// for quotes and backslashes.
QStringList splitWindowsCommandLine(const QString& commandLine);

// Starts through Wine, with the prefix in the environment; the program inherits the current
// folder. An unquoted program path with blanks is taken the way CreateProcess does: the shortest
// leading run of words that names an existing file. Only an existing Windows program (.exe, .com,
// .bat, .cmd) is started, named by its absolute drive path, so that Wine's "start" neither opens a
// document nor takes the path for one of its options. Wine is watched for a moment: when it gives
// up on the program, its last line of output is the reason. The shell's disk-format entry point
// (the Windows folder's rundll32.exe shell32.dll,SHFormatDrive) becomes the desktop's disk utility.
class WineProcessStarter final : public ProcessStarter {
public:
    explicit WineProcessStarter(std::chrono::milliseconds watch = std::chrono::seconds(2))
        : m_watch(watch) {}

    StartResult start(const QString& commandLine, int showWindow, FailedSoon failedSoon) override;

    // The host command a start would run; empty program and a reason when there is none.
    static HostCommand translate(const QString& commandLine, int showWindow, QString* reason);

private:
    std::chrono::milliseconds m_watch;
};

// kernel32's GetWindowsDirectoryA: the prefix's Windows folder in Windows form, written with its
// NUL into buffer when it fits. Returns the characters written without the NUL, or the size
// needed with the NUL when the buffer is too small.
unsigned GetWindowsDirectoryA(char* buffer, unsigned size);

} // namespace quillmere::host
