#include "winpath/command_line.h"

namespace quillmere::winpath {

namespace {

// The backslashes starting at `pos` and what they mean before a quote; moves `pos` past them.
void takeBackslashes(const QString& text, qsizetype& pos, QString& arg) {
    qsizetype slashes = 0;
    while (pos < text.size() && text[pos] == QLatin1Char('\\')) {
        ++slashes;
        ++pos;
    }
    if (pos < text.size() && text[pos] == QLatin1Char('"')) {
        arg += QString(slashes / 2, QLatin1Char('\\'));
        if (slashes % 2 == 1) {
            arg += QLatin1Char('"');
            ++pos;
        }
    } else {
        arg += QString(slashes, QLatin1Char('\\'));
    }
}

// One argument starting at `pos` (not a blank); moves `pos` past it.
QString takeArgument(const QString& text, qsizetype& pos) {
    QString arg;
    bool quoted = false;
    while (pos < text.size() && (quoted || !isCommandLineBlank(text[pos]))) {
        if (text[pos] == QLatin1Char('\\')) {
            takeBackslashes(text, pos, arg);
        } else if (text[pos] != QLatin1Char('"')) {
            arg += text[pos++];
        } else if (quoted && pos + 1 < text.size() && text[pos + 1] == QLatin1Char('"')) {
            arg += QLatin1Char('"');
            pos += 2;
        } else {
            quoted = !quoted;
            ++pos;
        }
    }
    return arg;
}

qsizetype skipBlanks(const QString& text, qsizetype pos) {
    while (pos < text.size() && isCommandLineBlank(text[pos]))
        ++pos;
    return pos;
}

} // namespace

bool isCommandLineBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringList splitCommandArguments(const QString& text) {
    QStringList args;
    for (qsizetype pos = skipBlanks(text, 0); pos < text.size(); pos = skipBlanks(text, pos))
        args.append(takeArgument(text, pos));
    return args;
}

QStringList splitWindowsCommandLine(const QString& commandLine) {
    const QString& text = commandLine;
    qsizetype pos = skipBlanks(text, 0);
    if (pos >= text.size())
        return {};
    QString program;
    if (text[pos] == QLatin1Char('"')) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), pos + 1);
        program = text.mid(pos + 1, close < 0 ? -1 : close - pos - 1);
        pos = close < 0 ? text.size() : close + 1;
    } else {
        const qsizetype start = pos;
        while (pos < text.size() && !isCommandLineBlank(text[pos]))
            ++pos;
        program = text.mid(start, pos - start);
    }
    return QStringList{program} + splitCommandArguments(text.mid(pos));
}

} // namespace quillmere::winpath
