#include "app/launcher.h"

#include "controls/message_box.h"
#include "game/d2s_engine.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "host/wine_prefix.h"

namespace quillmere::app {

void Launcher::startGame() {
    const QString program = regedit::gameProgram();
    if (!d2sEngine::fileExists(program)) {
        controls::msgBox(tr("You don't even have Diablo 2 installed on your computer dumbass!"),
                         controls::MsgStyle::Critical, tr("Dumbass..."));
        return;
    }
    // Quoted, so that exactly the file just checked is started, whatever its blanks.
    start(QLatin1Char('"') + program + QLatin1Char('"'), host::ShowWindow::Minimized, afterGameCommand());
}

QStringList Launcher::afterGameCommand() const {
    if (m_ownProgram.isEmpty())
        return {};
    // The prefix as it is now: the game chosen later may be another one.
    return {m_ownProgram, QStringLiteral("--snapshot"), QStringLiteral("--after-game"), QStringLiteral("--prefix"),
            host::winePrefixPath()};
}

QString Launcher::formatCommandLine() {
    return host::windowsFolder() + QStringLiteral("\\rundll32.exe shell32.dll,SHFormatDrive");
}

void Launcher::formatFloppyDisk() {
    start(formatCommandLine(), host::ShowWindow::Normal);
}

void Launcher::start(const QString& commandLine, host::ShowWindow show, const QStringList& afterExit) {
    const auto cannotStart = [](const QString& reason) {
        controls::msgBox(reason, controls::MsgStyle::Critical, tr("Cannot Start..."));
    };
    const host::StartResult result = m_starter.start(commandLine, show, cannotStart, afterExit);
    if (!result.started)
        cannotStart(result.reason);
}

} // namespace quillmere::app
