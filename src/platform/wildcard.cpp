#include "platform/wildcard.h"

#include <QList>

namespace quillmere::platform {

namespace {

using Text = QList<uint>;

// '*' and '?' over whole characters (not UTF-16 units). A failed match goes back only to the
// last '*', which is enough for '*' runs and keeps the work at most pattern x name.
bool matchesGlob(const Text& pattern, const Text& name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == uint('*')) {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == uint('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == uint('*'))
        ++p;
    return p == pattern.size();
}

Text folded(const QString& text) {
    return text.toCaseFolded().toUcs4();
}

} // namespace

bool matchesWildcard(const QString& pattern, const QString& name) {
    const Text p = folded(pattern);
    const Text n = folded(name);
    if (matchesGlob(p, n))
        return true;
    const qsizetype size = p.size();
    // A trailing ".*" may also stand for the end of the name: "*.*" is everything, "Hero*.*"
    // takes "Hero" as well as "Hero.d2s".
    if (size >= 2 && p[size - 2] == uint('.') && p[size - 1] == uint('*'))
        return matchesGlob(p.first(size - 2), n);
    // A trailing "." asks for a name without an extension: "*." takes "Hero" but not "Hero.d2s".
    if (size >= 1 && p[size - 1] == uint('.') && !n.contains(uint('.')))
        return matchesGlob(p.first(size - 1), n);
    return false;
}

} // namespace quillmere::platform
