#pragma once

#include <QByteArrayView>
#include <QList>
#include <QLoggingCategory>
#include <QString>

// What the search for prefixes and games passes over, said in the log ("quillmere.discovery") rather
// than to the user: nothing is wrong with the program, but a player wondering why a game is not
// found should be able to read why.
namespace quillmere::host {

Q_DECLARE_LOGGING_CATEGORY(discoveryLog)

// A host name for the log as the file system gives it: UTF-8 where it is, each other byte (and each
// control character, and the backslash) as \xNN.
QString hostNameForLog(QByteArrayView name);

// One line for the folders of `parent` left out because their names are not valid UTF-8: the
// program opens files through Unicode paths, and such a name does not survive the way there and
// back. `what` says what each folder would have been ("prefix", "mod folder").
void logUndecodableFolders(const QString& parent, const QList<QByteArray>& names, const char* what);

} // namespace quillmere::host
