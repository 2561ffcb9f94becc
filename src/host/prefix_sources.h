#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The configuration files of the programs that make Wine prefixes for their games, read only as
// far as discovery needs them. Malformed text gives what could be read before the fault, or nothing.
namespace quillmere::host {

// A Lutris game configuration (YAML): the value of every "prefix:" key, with a leading "~" or
// "$HOME" taken as `home`. Only absolute paths are kept.
QStringList lutrisPrefixes(QByteArrayView yaml, const QString& home, qsizetype most = -1);

// Steam's libraryfolders.vdf: the folder of every library it lists, from both the current form
// ("libraryfolders" { "0" { "path" "..." } }) and the older one ("LibraryFolders" { "1" "..." }).
QStringList steamLibraryFolders(QByteArrayView vdf, qsizetype most = -1);

} // namespace quillmere::host
