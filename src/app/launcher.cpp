#include "app/launcher.h"

#include "platform/message_box.h"
#include "platform/process_start.h"
#include "support/paths.h"
#include "support/registry.h"

#include <array>

namespace quillmere::app {

void Launcher::startGame() {
    const QString program = regedit::gameProgram();
    if (!d2sEngine::fileExists(program)) {
        platform::msgBox(tr("You don't even have Diablo 2 installed on your computer dumbass!"), platform::mb::Critical,
                         tr("Dumbass..."));
        return;
    }
    // Quoted, so that exactly the file just checked is started, whatever its blanks.
    start(QLatin1Char('"') + program + QLatin1Char('"'), platform::show::Minimized);
}

QString Launcher::formatCommandLine() {
    std::array<char, 255> buffer{};
    const unsigned n = platform::GetWindowsDirectoryA(buffer.data(), static_cast<unsigned>(buffer.size()));
    const QString windowsFolder = n < buffer.size() ? QString::fromLocal8Bit(buffer.data(), n) : QString();
    return windowsFolder + QStringLiteral("\\rundll32.exe shell32.dll,SHFormatDrive");
}

void Launcher::formatFloppyDisk() {
    start(formatCommandLine(), platform::show::Normal);
}

void Launcher::start(const QString& commandLine, int showWindow) {
    const auto cannotStart = [](const QString& reason) {
        platform::msgBox(reason, platform::mb::Critical, tr("Cannot Start..."));
    };
    const platform::StartResult result = m_starter.start(commandLine, showWindow, cannotStart);
    if (!result.started)
        cannotStart(result.reason);
}

} // namespace quillmere::app
