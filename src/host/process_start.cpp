#include "host/process_start.h"

#include "host/drive_map.h"
#include "host/wine_prefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cstring>

namespace quillmere::host {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ProcessStart", text);
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The C runtime's rules for one argument: 2n backslashes before a quote give n and the quote
// toggles quoting; 2n + 1 give n and a literal quote; "" inside quotes is a literal quote.
QStringList splitArguments(const QString& text, qsizetype pos) {
    QStringList args;
    const qsizetype n = text.size();
    while (true) {
        while (pos < n && isBlank(text[pos]))
            ++pos;
        if (pos >= n)
            break;
        QString arg;
        bool quoted = false;
        while (pos < n && (quoted || !isBlank(text[pos]))) {
            if (text[pos] == QLatin1Char('\\')) {
                qsizetype slashes = 0;
                while (pos < n && text[pos] == QLatin1Char('\\')) {
                    ++slashes;
                    ++pos;
                }
                if (pos < n && text[pos] == QLatin1Char('"')) {
                    arg += QString(slashes / 2, QLatin1Char('\\'));
                    if (slashes % 2 == 1) {
                        arg += QLatin1Char('"');
                        ++pos;
                    }
                } else {
                    arg += QString(slashes, QLatin1Char('\\'));
                }
            } else if (text[pos] == QLatin1Char('"')) {
                if (quoted && pos + 1 < n && text[pos + 1] == QLatin1Char('"')) {
                    arg += QLatin1Char('"');
                    pos += 2;
                } else {
                    quoted = !quoted;
                    ++pos;
                }
            } else {
                arg += text[pos++];
            }
        }
        args.append(arg);
    }
    return args;
}

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
        return splitWindowsCommandLine(text);
    for (qsizetype end = 0; end <= text.size(); ++end) {
        if (end < text.size() && !isBlank(text[end]))
            continue;
        const QString candidate = text.left(end);
        if (namesFile(candidate) || (!hasExtension(candidate) && namesFile(candidate + QStringLiteral(".exe")))) {
            QStringList parts{candidate};
            parts += splitArguments(text, end);
            return parts;
        }
    }
    return splitWindowsCommandLine(text);
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
        *reason = tr("%1 was not found.").arg(program);
        return {};
    }
    static const QStringList programTypes{QStringLiteral("exe"), QStringLiteral("com"), QStringLiteral("bat"),
                                          QStringLiteral("cmd")};
    if (!programTypes.contains(QFileInfo(host).suffix(), Qt::CaseInsensitive)) {
        *reason = tr("%1 is not a Windows program: only .exe, .com, .bat and .cmd files can be started.").arg(program);
        return {};
    }
    const QString file = toWindowsPath(host);
    if (file.isEmpty())
        *reason = tr("%1 lies on no drive of the Wine prefix.").arg(program);
    return file;
}

bool isDiskFormatCommand(const QStringList& parts) {
    if (parts.size() != 2 || parts[1].compare(QStringLiteral("shell32.dll,SHFormatDrive"), Qt::CaseInsensitive) != 0)
        return false;
    char buffer[256] = {};
    const unsigned n = GetWindowsDirectoryA(buffer, sizeof buffer);
    const QString rundll = winpath::joinWindowsPath(QString::fromLocal8Bit(buffer, n), QStringLiteral("rundll32.exe"));
    return parts[0].compare(rundll, Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList splitWindowsCommandLine(const QString& commandLine) {
    const QString& text = commandLine;
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos >= text.size())
        return {};
    QString program;
    if (text[pos] == QLatin1Char('"')) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), pos + 1);
        program = text.mid(pos + 1, close < 0 ? -1 : close - pos - 1);
        pos = close < 0 ? text.size() : close + 1;
    } else {
        const qsizetype start = pos;
        while (pos < text.size() && !isBlank(text[pos]))
            ++pos;
        program = text.mid(start, pos - start);
    }
    QStringList parts{program};
    parts += splitArguments(text, pos);
    return parts;
}

HostCommand WineProcessStarter::translate(const QString& commandLine, int showWindow, QString* reason) {
    HostCommand command;
    command.winePrefix = winePrefixPath();
    const QStringList parts = splitLikeCreateProcess(commandLine);
    if (parts.isEmpty() || parts[0].isEmpty()) {
        *reason = tr("The command line names no program.");
        return command;
    }

    if (isDiskFormatCommand(parts)) {
        // Wine's own SHFormatDrive shows nothing: the desktop's disk utility is the format dialog here.
        for (const char* utility : {"gnome-disks", "partitionmanager"}) {
            const QString found = QStandardPaths::findExecutable(QLatin1String(utility));
            if (!found.isEmpty()) {
                command.program = found;
                return command;
            }
        }
        *reason = tr("No disk utility is installed to format the disk with. Install GNOME Disks (gnome-disks) or "
                     "KDE Partition Manager (partitionmanager).");
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
    if (showWindow == show::Minimized)
        command.arguments << QStringLiteral("start") << QStringLiteral("/min") << QStringLiteral("/wait");
    command.arguments << file << parts.mid(1);
    return command;
}

StartResult WineProcessStarter::start(const QString& commandLine, int showWindow, FailedSoon failedSoon) {
    QString reason;
    const HostCommand command = translate(commandLine, showWindow, &reason);
    if (command.program.isEmpty())
        return {false, reason};

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), command.winePrefix);
    if (command.throughWine) {
        const auto failed = [commandLine, failedSoon = std::move(failedSoon)](const QString& why) {
            if (failedSoon)
                failedSoon(tr("%1 could not be started: %2").arg(commandLine, why));
        };
        QString error;
        if (!startWatched(command.program, command.arguments, environment, m_watch, failed, &error))
            return {false, tr("%1 could not be started: %2").arg(commandLine, error)};
        return {true, {}};
    }

    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        return {false, tr("%1 could not be started: %2").arg(commandLine, process.errorString())};
    return {true, {}};
}

unsigned GetWindowsDirectoryA(char* buffer, unsigned size) {
    // Wine keeps the Windows folder at C:\windows in every prefix it makes.
    const QString hostFolder = winePrefixPath() + QStringLiteral("/drive_c/windows");
    QString folder = toWindowsPath(hostFolder);
    if (folder.isEmpty() || !QFileInfo(hostFolder).isDir())
        folder = QStringLiteral("C:\\windows");
    const QByteArray bytes = folder.toLocal8Bit();
    const auto length = static_cast<unsigned>(bytes.size());
    if (!buffer || size <= length)
        return length + 1;
    std::memcpy(buffer, bytes.constData(), length);
    buffer[length] = '\0';
    return length;
}

} // namespace quillmere::host
