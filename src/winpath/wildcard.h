#pragma once

#include <QList>
#include <QString>

#include <string_view>

namespace quillmere::winpath {

// Windows' file-name wildcard rule: case-insensitive; '*' any run, '?' one character; a pattern
// ending in ".*" also matches a name without a dot ("*.*" matches everything, "Hero*.*" matches
// "Hero"); "*." matches names without an extension.
bool matchesWildcard(const QString& pattern, const QString& name);

// The same rule with the pattern prepared once, for matching many names.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);

    bool matches(const QString& name) const;
    // A name of ASCII bytes only, matched without converting it first.
    bool matchesAscii(std::string_view name) const;

private:
    QList<uint> m_folded; // case-folded code points
};

} // namespace quillmere::winpath
