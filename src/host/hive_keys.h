#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::host::hivetext {

// The keys a lookup wants, and key lines compared with them as Wine writes key names: raw, upper
// case aside, and decoded only where an escape or a character beyond ASCII leaves that unsure.
class WantedKeys {
public:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    explicit WantedKeys(const std::vector<std::u16string>& paths);

    // The keys asked for, each once in the order first asked, and the key of each path asked for.
    std::size_t size() const { return m_keys.size(); }
    const std::vector<std::size_t>& keyOfPath() const { return m_keyOfPath; }

    // The wanted key a well-formed key line names, given its name up to its closing bracket.
    std::size_t find(const char* name, const char* close) const;

    // Whether the key line whose name starts at `name` (the line ending at `end`) surely is well
    // formed and names none of the wanted keys; false when that takes a closer look.
    bool passesOver(const char* name, const char* end) {
        // Keys come sorted, so a line mostly starts as the one before it did, and has its bracket
        // where that one had it: nearly every key line of a hive is passed over here.
        const std::size_t parted = m_lastParted.size();
        const char* bracket = name + m_bracketAt;
        if (parted != 0 && m_bracketAt >= parted && bracket < end && *bracket == ']' && bracket[-1] != '\\' &&
            startsAs(name, m_lastParted))
            return true;
        return passesOverLooking(name, end);
    }

private:
    struct Key {
        std::u16string folded;
        std::string spelt; // upper case, each separator a doubled backslash
        bool spellable = true;
    };

    // Whether the text at `p` starts with `prefix`, which it holds whole. Spelt out: the prefixes are
    // a dozen bytes, and a library call costs more than comparing them.
    static bool startsAs(const char* p, std::string_view prefix) {
        const std::size_t size = prefix.size();
        if (size < 8)
            return std::string_view(p, size) == prefix;
        // Eight bytes at a time, the last eight overlapping those before them.
        for (std::size_t i = 0;; i += 8) {
            const std::size_t at = std::min(i, size - 8);
            std::uint64_t a = 0;
            std::uint64_t b = 0;
            std::memcpy(&a, p + at, 8);
            std::memcpy(&b, prefix.data() + at, 8);
            if (a != b)
                return false;
            if (at == size - 8)
                return true;
        }
    }

    bool passesOverLooking(const char* name, const char* end);
    std::size_t partingLength(std::string_view raw) const;
    const char* unescapedBracket(const char* name, const char* end);

    std::vector<Key> m_keys;
    std::vector<std::size_t> m_keyOfPath;
    std::size_t m_shared = 0;    // leading bytes that all wanted keys spell alike
    std::string m_lastParted;    // what showed the key line passed over last to be unwanted
    std::size_t m_bracketAt = 0; // where a ']' was in the key line passed over last
};

} // namespace quillmere::host::hivetext
