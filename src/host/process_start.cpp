#include "host/process_start.h"

#include "host/drive_map.h"
#include "host/wine_prefix.h"
#include "winpath/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace quillmere::host {

namespace {

bool hasExtension(const QString& windowsPath) {
    return QFileInfo(QString(windowsPath).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName().contains(u'.');
}

bool namesFile(const QString& windowsPath) {
    const ResolvedPath resolved = resolve(windowsPath);
    return resolved.status == PathStatus::Ok && QFileInfo(resolved.hostPath).isFile();
}

// CreateProcess's reading of an unquoted program path with blanks: try "C:\Program", then
// "C:\Program Files\Diablo", ... and take the first that names a file (".exe" may be left off).
QStringList splitLikeCreateProcess(const QString& commandLine) {
    const QString text = commandLine.trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('"')))
        return winpath::splitWindowsCommandLine(text);
    for (qsizetype end = 0; end <= text.size(); ++end) {
        if (end < text.size() && !winpath::isCommandLineBlank(text[end]))
            continue;
        const QString candidate = text.left(end);
        if (namesFile(candidate) || (!hasExtension(candidate) && namesFile(candidate + QStringLiteral(".exe"))))
            return QStringList{candidate} + winpath::splitCommandArguments(text.mid(end));
    }
    return winpath::splitWindowsCommandLine(text);
}

// The existing Windows program a command line names, as its absolute drive path: never taken for
// an option of "start", and never a document that "start" would open with another program.
QString programFile(const QString& program, QString* reason) {
    QString host;
    for (const QString& candidate : {program, program + QStringLiteral(".exe")}) {
        const ResolvedPath resolved = resolve(candidate);
        if (resolved.status == PathStatus::Ok && QFileInfo(resolved.hostPath).isFile()) {
            host = resolved.hostPath;
            break;
        }
        if (hasExtension(program))
            break; // ".exe" is only ever added to a bare name
    }
    if (host.isEmpty()) {
        *reason = WineProcessStarter::tr("%1 was not found.").arg(program);
        return {};
    }
    static const QStringList programTypes{QStringLiteral("exe"), QStringLiteral("com"), QStringLiteral("bat"),
                                          QStringLiteral("cmd")};
    if (!programTypes.contains(QFileInfo(host).suffix(), Qt::CaseInsensitive)) {
        *reason =
            WineProcessStarter::tr("%1 is not a Windows program: only .exe, .com, .bat and .cmd files can be started.")
                .arg(program);
        return {};
    }
    QString file = toWindowsPath(host);
    if (file.isEmpty())
        *reason = WineProcessStarter::tr("%1 lies on no drive of the Wine prefix.").arg(program);
    return file;
}

bool isDiskFormatCommand(const QStringList& parts) {
    if (parts.size() != 2 || parts[1].compare(QStringLiteral("shell32.dll,SHFormatDrive"), Qt::CaseInsensitive) != 0)
        return false;
    const QString rundll = winpath::joinWindowsPath(windowsFolder(), QStringLiteral("rundll32.exe"));
    return parts[0].compare(rundll, Qt::CaseInsensitive) == 0;
}

// Wine's own SHFormatDrive shows nothing: the desktop's disk utility is the format dialog here.
QString diskUtility(QString* reason) {
    for (const char* utility : {"gnome-disks", "partitionmanager"}) {
        QString found = QStandardPaths::findExecutable(QLatin1String(utility));
        if (!found.isEmpty())
            return found;
    }
    *reason = WineProcessStarter::tr(
        "No disk utility is installed to format the disk with. Install GNOME Disks (gnome-disks) or "
        "KDE Partition Manager (partitionmanager).");
    return {};
}

StartResult startDetached(const HostCommand& command, const QProcessEnvironment& environment,
                          const QString& commandLine) {
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        return {false, WineProcessStarter::tr("%1 could not be started: %2").arg(commandLine, process.errorString())};
    return {true, {}};
}

} // namespace

HostCommand WineProcessStarter::translate(const QString& commandLine, ShowWindow show, QString* reason) {
    HostCommand command;
    command.winePrefix = winePrefixPath();
    const QStringList parts = splitLikeCreateProcess(commandLine);
    if (parts.isEmpty() || parts[0].isEmpty()) {
        *reason = tr("The command line names no program.");
        return command;
    }
    if (isDiskFormatCommand(parts)) {
        command.program = diskUtility(reason);
        return command;
    }
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) {
        *reason = tr("Wine is not installed, so Windows programs cannot be started (the command \"wine\" was not "
                     "found).");
        return command;
    }
    const QString file = programFile(parts[0], reason);
    if (file.isEmpty())
        return command;
    command.program = wine;
    command.throughWine = true;
    // Waiting keeps Wine running as long as the program, so that a program that cannot run ends it.
    if (show == ShowWindow::Minimized)
        command.arguments << QStringLiteral("start") << QStringLiteral("/min") << QStringLiteral("/wait");
    command.arguments << file << parts.mid(1);
    return command;
}

StartResult WineProcessStarter::start(const QString& commandLine, ShowWindow show, FailedSoon failedSoon,
                                      const QStringList& afterExit) {
    QString reason;
    const HostCommand command = translate(commandLine, show, &reason);
    if (command.program.isEmpty())
        return {false, reason};

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), command.winePrefix);
    if (!command.throughWine)
        return startDetached(command, environment, commandLine);
    const auto failed = [commandLine, failedSoon = std::move(failedSoon)](const QString& why) {
        if (failedSoon)
            failedSoon(tr("%1 could not be started: %2").arg(commandLine, why));
    };
    QString error;
    if (!startWatched(command.program, command.arguments, environment, m_watch, failed, &error, afterExit))
        return {false, tr("%1 could not be started: %2").arg(commandLine, error)};
    return {true, {}};
}

QString windowsFolder() {
    // Wine keeps the Windows folder at C:\windows in every prefix it makes.
    const QString hostFolder = winePrefixPath() + QStringLiteral("/drive_c/windows");
    QString folder = toWindowsPath(hostFolder);
    if (folder.isEmpty() || !QFileInfo(hostFolder).isDir())
        return QStringLiteral("C:\\windows");
    return folder;
}

} // namespace quillmere::host
