#pragma once

#include <QString>

namespace quillmere::platform {

// The Wine prefix the program works in: $WINEPREFIX, else ~/.wine. Read afresh on every call so
// that nothing outlives a change of the environment. The folder need not exist.
QString winePrefixPath();

} // namespace quillmere::platform
