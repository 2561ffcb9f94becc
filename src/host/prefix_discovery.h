#pragma once

#include "host/launcher_file_budget.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace quillmere::host {

// The Wine prefixes a player's game launchers keep, found without being told where: ~/.wine, the
// prefixes of Lutris (its game configurations' "prefix:" entries, and the folders of ~/Games),
// Bottles (native and Flatpak), Steam's Proton (every library's compatdata/*/pfx, native and
// Flatpak), PlayOnLinux and CrossOver. Only these places are read, never the home folder as a
// whole; what cannot be read is passed over, and what is passed over for the launchers' files'
// budget (`limits`) or for a name the program cannot open is said in the log. Each prefix comes once
// (by its real path), in the order above. `environment` supplies XDG_CONFIG_HOME and XDG_DATA_HOME.
QStringList discoverPrefixes(const QString& home, const QProcessEnvironment& environment,
                             const DiscoveryLimits& limits = {});

} // namespace quillmere::host
