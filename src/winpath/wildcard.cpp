#include "winpath/wildcard.h"

#include <algorithm>

namespace quillmere::winpath {

namespace {

using Text = QList<uint>;

// A name as case-folded code points: decoded ones, or ASCII bytes folded as they are read.
struct FoldedName {
    const Text& text;
    qsizetype size() const { return text.size(); }
    uint at(qsizetype i) const { return text[i]; }
    bool hasDot() const { return text.contains(uint('.')); }
};

struct AsciiName {
    std::string_view bytes;
    qsizetype size() const { return qsizetype(bytes.size()); }
    uint at(qsizetype i) const {
        const auto c = static_cast<unsigned char>(bytes[size_t(i)]);
        return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    }
    bool hasDot() const { return bytes.find('.') != std::string_view::npos; }
};

// '*' and '?' over whole characters (not UTF-16 units), the pattern's first `length` of them. A
// failed match goes back only to the last '*', which is enough for '*' runs and keeps the work at
// most pattern x name.
template <typename Name> bool matchesGlob(const Text& pattern, qsizetype length, const Name& name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (p < length && pattern[p] == uint('*')) {
            starAt = p++;
            starName = n;
        } else if (p < length && (pattern[p] == uint('?') || pattern[p] == name.at(n))) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < length && pattern[p] == uint('*'))
        ++p;
    return p == length;
}

template <typename Name> bool matchesPattern(const Text& p, const Name& n) {
    const qsizetype size = p.size();
    if (matchesGlob(p, size, n))
        return true;
    // A trailing ".*" may also stand for the end of the name: "*.*" is everything, "Hero*.*"
    // takes "Hero" as well as "Hero.d2s".
    if (size >= 2 && p[size - 2] == uint('.') && p[size - 1] == uint('*'))
        return matchesGlob(p, size - 2, n);
    // A trailing "." asks for a name without an extension: "*." takes "Hero" but not "Hero.d2s".
    if (size >= 1 && p[size - 1] == uint('.') && !n.hasDot())
        return matchesGlob(p, size - 1, n);
    return false;
}

Text folded(const QString& text) {
    return text.toCaseFolded().toUcs4();
}

} // namespace

bool matchesWildcard(const QString& pattern, const QString& name) {
    return WildcardPattern(pattern).matches(name);
}

WildcardPattern::WildcardPattern(const QString& pattern)
    : m_folded(folded(pattern)) {}

bool WildcardPattern::matches(const QString& name) const {
    const Text text = folded(name);
    return matchesPattern(m_folded, FoldedName{text});
}

bool WildcardPattern::matchesAscii(std::string_view name) const {
    return matchesPattern(m_folded, AsciiName{name});
}

} // namespace quillmere::winpath
