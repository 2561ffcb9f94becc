#pragma once

#include <QString>

namespace quillmere::platform {

// Windows' file-name wildcard rule: case-insensitive; '*' any run, '?' one character; a pattern
// ending in ".*" also matches a name without a dot ("*.*" matches everything, "Hero*.*" matches
// "Hero"); "*." matches names without an extension.
bool matchesWildcard(const QString& pattern, const QString& name);

} // namespace quillmere::platform
