#pragma once

#include <QString>
#include <QStringList>

namespace quillmere::winpath {

// Windows' own splitting of a command line into program and arguments. The program name ends at
// its closing quote, or at the first blank when unquoted; the arguments follow.
QStringList splitWindowsCommandLine(const QString& commandLine);

// Arguments by the C runtime's rules: 2n backslashes before a quote give n and the quote toggles
// quoting; 2n + 1 give n and a literal quote; "" inside quotes is a literal quote.
QStringList splitCommandArguments(const QString& text);

bool isCommandLineBlank(QChar c);

} // namespace quillmere::winpath
