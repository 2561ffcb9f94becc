#include "host/hive_keys.h"

#include "host/hive_text.h"

#include <algorithm>

namespace quillmere::host::hivetext {

namespace {

enum class Match { Same, Differs, Unsure };

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// How many leading bytes of a key line's raw name read as the spelling does, from `from` on.
std::size_t agreeingBytes(std::string_view spelt, std::string_view name, std::size_t from) {
    const std::size_t size = std::min(spelt.size(), name.size());
    std::size_t i = from;
    while (i < size && upperAscii(name[i]) == spelt[i])
        ++i;
    return i;
}

// A raw name against a spelling, the two reading alike up to `i`. Past there the names differ for
// certain only when the difference is plain text on both sides, not an escape, a separator or a
// character beyond ASCII.
Match judge(std::string_view spelt, std::string_view name, std::size_t i) {
    if (i == spelt.size() && i == name.size())
        return Match::Same;
    const bool plainName = i == name.size() || (name[i] != '\\' && static_cast<unsigned char>(name[i]) < 0x80);
    const bool plainSpelt = i == spelt.size() || spelt[i] != '\\';
    return plainName && plainSpelt ? Match::Differs : Match::Unsure;
}

} // namespace

WantedKeys::WantedKeys(const std::vector<std::u16string>& paths) {
    for (const std::u16string& path : paths) {
        std::u16string folded = foldedPath(path);
        const auto same =
            std::find_if(m_keys.begin(), m_keys.end(), [&](const Key& key) { return key.folded == folded; });
        m_keyOfPath.push_back(static_cast<std::size_t>(same - m_keys.begin()));
        if (same != m_keys.end())
            continue;
        Key key{std::move(folded), {}, true};
        for (const char16_t unit : key.folded) {
            key.spellable = key.spellable && unit < 0x80 && unit != u']';
            key.spelt.append(unit == u'\\' ? 2 : 1, static_cast<char>(unit));
        }
        m_keys.push_back(std::move(key));
    }
    if (m_keys.empty() || !std::all_of(m_keys.begin(), m_keys.end(), [](const Key& key) { return key.spellable; }))
        return;
    const std::string_view first = m_keys.front().spelt;
    m_shared = first.size();
    for (const Key& key : m_keys)
        m_shared = std::min(m_shared, agreeingBytes(first, key.spelt, 0));
}

std::size_t WantedKeys::find(const char* name, const char* close) const {
    const std::string_view raw(name, static_cast<std::size_t>(close - name));
    if (partingLength(raw) != 0)
        return kNone;
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        const std::string_view spelt = m_keys[i].spelt;
        if (m_keys[i].spellable && judge(spelt, raw, agreeingBytes(spelt, raw, 0)) == Match::Same)
            return i;
    }
    const std::u16string folded = foldedPath(decodeKeyName(name, close));
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i].folded == folded)
            return i;
    }
    return kNone;
}

bool WantedKeys::passesOverLooking(const char* name, const char* end) {
    const char* bracket = unescapedBracket(name, end);
    if (!bracket)
        return false;
    const std::string_view raw(name, static_cast<std::size_t>(bracket - name));
    // Keys come sorted, so a line mostly starts as the one before it did, and parts from the wanted
    // keys where that one did.
    if (!m_lastParted.empty() && raw.starts_with(m_lastParted))
        return true;
    const std::size_t length = partingLength(raw);
    // A copy: the line it came from may be gone from the buffer by the next.
    m_lastParted.assign(length <= raw.size() ? raw.substr(0, length) : std::string_view());
    return length != 0;
}

// How many leading bytes of a key line's raw name, cut at a ']' that need not be the first, show
// that it names none of the wanted keys: it parts from each spelling at plain text other than a
// bracket (the spellings hold none). 0 when it may name one; one more than its length when its end
// decided.
std::size_t WantedKeys::partingLength(std::string_view raw) const {
    std::size_t length = 1;
    const auto parts = [raw, &length](std::string_view spelt, std::size_t at) {
        length = std::max(length, at + 1);
        return judge(spelt, raw, at) == Match::Differs && (at == raw.size() || raw[at] != ']');
    };
    // The wanted keys mostly share their start (Software\...): most key lines part from all of them
    // there at once.
    const std::string_view shared =
        m_keys.empty() ? std::string_view() : std::string_view(m_keys.front().spelt).substr(0, m_shared);
    const std::size_t agreeing = agreeingBytes(shared, raw, 0);
    const bool parted =
        agreeing < m_shared ? parts(shared, agreeing) : std::all_of(m_keys.begin(), m_keys.end(), [&](const Key& key) {
            return key.spellable && parts(key.spelt, agreeingBytes(key.spelt, raw, agreeing));
        });
    return parted ? length : 0;
}

// An unescaped ']' of a key line, which makes it one, not necessarily the first; null when none is
// quickly found. Key lines come sorted and much alike, so it is mostly where it was on the line
// before; else the last one is the quickest found.
const char* WantedKeys::unescapedBracket(const char* name, const char* end) {
    const char* bracket = name + m_bracketAt;
    if (bracket < end && *bracket == ']' && !isEscaped(name, bracket))
        return bracket;
    bracket = static_cast<const char*>(::memrchr(name, ']', static_cast<std::size_t>(end - name)));
    if (!bracket || isEscaped(name, bracket))
        return nullptr;
    m_bracketAt = static_cast<std::size_t>(bracket - name);
    return bracket;
}

} // namespace quillmere::host::hivetext
