#pragma once

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
    bool passesOver(const char* name, const char* end);

private:
    struct Key {
        std::u16string folded;
        std::string spelt; // upper case, each separator a doubled backslash
        bool spellable = true;
    };

    std::size_t partingLength(std::string_view raw) const;
    const char* unescapedBracket(const char* name, const char* end);

    std::vector<Key> m_keys;
    std::vector<std::size_t> m_keyOfPath;
    std::size_t m_shared = 0;    // leading bytes that all wanted keys spell alike
    std::string m_lastParted;    // what showed the key line passed over last to be unwanted
    std::size_t m_bracketAt = 0; // where a ']' was in the key line passed over last
};

} // namespace quillmere::host::hivetext
