#include "host/registry_hive.h"

#include "host/hive_keys.h"
#include "host/hive_text.h"

#include <QChar>

#include <optional>
#include <unordered_map>

namespace quillmere::host {

using namespace hivetext;

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::size_t kNoKey = WantedKeys::kNone;

// One pass over the lines the way wineserver loads them: [key] lines open a key, "name"=data lines
// give it values, "#arch=" lines before any key set the architecture.
class HiveReader {
public:
    // With `wanted` null every key is kept; otherwise only those named there.
    HiveReader(Lines lines, const std::vector<std::u16string>* wanted)
        : m_lines(lines) {
        if (!wanted)
            return;
        m_wanted.emplace(*wanted);
        for (std::size_t i = 0; i < wanted->size(); ++i) {
            if (m_wanted->keyOfPath()[i] == m_keys.size())
                m_keys.push_back(HiveKey{(*wanted)[i], {}});
        }
    }

    Hive run() {
        Hive hive;
        const char* begin = nullptr;
        const char* end = nullptr;
        hive.valid = m_lines.next(begin, end) && std::string_view(begin, std::size_t(end - begin)) == kHeader;
        std::size_t readEveryLineUpTo = 0;
        while (hive.valid && !m_stop) {
            if (m_wanted && !m_lines.holdsNul() && m_keyOpen && m_current == kNoKey &&
                m_lines.position() >= readEveryLineUpTo)
                readEveryLineUpTo = passOverUnwantedKeys();
            if (!m_lines.next(begin, end))
                break;
            line(begin, end);
        }
        hive.valid = hive.valid && !m_lines.failed();
        hive.win64 = m_arch == Arch::Win64;
        if (!m_wanted) {
            hive.keys = std::move(m_keys);
            return hive;
        }
        for (const std::size_t key : m_wanted->keyOfPath())
            hive.keys.push_back(m_keys[key]);
        return hive;
    }

private:
    enum class Arch { Unknown, Win32, Win64 };

    // Inside a key nobody wants only key lines matter: goes from key line to key line, without
    // reading the lines between, while each names a key nobody wants. Stops at the line to be read
    // next and returns where lines must be read one by one up to: a key line that takes a closer
    // look, or one that a line with a backslash before it might swallow as hex data.
    std::size_t passOverUnwantedKeys() {
        for (;;) {
            m_lines.passKeyLines([this](const char* name, const char* end) { return m_wanted->passesOver(name, end); });
            const char* keyLine = m_lines.nextKeyLine();
            if (m_lines.holdsNul()) // came to light on reading on: from here every line is read
                return m_lines.position();
            const bool last = keyLine == m_lines.end();
            const std::size_t keyAt = m_lines.offsetOf(keyLine);
            const char* from = m_lines.mayCarryOnFrom(keyLine);
            if (last || from != keyLine) {
                m_lines.seek(m_lines.offsetOf(from));
                return last ? keyAt : keyAt + 1;
            }
            m_lines.seek(keyAt);
            const char* begin = nullptr;
            const char* end = nullptr;
            if (!m_lines.next(begin, end) || !m_wanted->passesOver(skipSpaces(begin, end) + 1, end)) {
                m_lines.seek(keyAt);
                return keyAt + 1;
            }
        }
    }

    void line(const char* begin, const char* end) {
        const char* p = skipSpaces(begin, end);
        if (p == end)
            return;
        switch (*p) {
        case '[':
            keyLine(p + 1, end);
            break;
        case '@':
        case '"':
            if (m_keyOpen)
                valueLine(p, end);
            break;
        case '#':
            if (!m_keyOpen)
                globalOption(std::string_view(p, std::size_t(end - p)));
            break;
        default:
            break; // comments, blank lines and anything wineserver would also pass over
        }
    }

    // A key line without its closing bracket leaves no key open, as in wineserver.
    void keyLine(const char* name, const char* end) {
        const char* close = findUnescaped(name, end, ']');
        m_keyOpen = close != nullptr;
        m_current = !close ? kNoKey : m_wanted ? m_wanted->find(name, close) : keyOfEvery(name, close);
    }

    std::size_t keyOfEvery(const char* name, const char* close) {
        std::u16string path = decodeKeyName(name, close);
        const auto [it, added] = m_keyIndex.try_emplace(foldedPath(path), m_keys.size());
        if (added)
            m_keys.push_back(HiveKey{std::move(path), {}});
        return it->second;
    }

    void globalOption(std::string_view line) {
        constexpr std::string_view kArch = "#arch=";
        if (!line.starts_with(kArch))
            return;
        const std::string_view name = line.substr(kArch.size());
        const Arch arch = name == "win32" ? Arch::Win32 : name == "win64" ? Arch::Win64 : Arch::Unknown;
        // wineserver stops loading a file whose architecture it does not know or that contradicts itself.
        m_stop = arch == Arch::Unknown || (m_arch != Arch::Unknown && m_arch != arch);
        if (!m_stop)
            m_arch = arch;
    }

    void valueLine(const char* p, const char* end) {
        HiveKey* key = m_current == kNoKey ? nullptr : &m_keys[m_current];
        if (!key && !std::memchr(p, '\\', static_cast<std::size_t>(end - p)))
            return; // not kept, and no continuation to step over
        std::u16string name;
        const char* q = p + 1;
        if (*p == '"') {
            q = key ? decodeString(q, end, '"', name) : skipString(q, end, '"');
            if (!q)
                return;
        }
        q = skipSpaces(q, end);
        if (q == end || *q != '=')
            return;
        HiveValue* value = key ? &valueNamed(*key, std::move(name)) : nullptr;
        if (!parseValueData(skipSpaces(q + 1, end), end, m_lines, value) && value) {
            value->type = kRegNone;
            value->data.clear();
        }
    }

    // A later line replaces an earlier value of the same name.
    static HiveValue& valueNamed(HiveKey& key, std::u16string name) {
        for (HiveValue& value : key.values) {
            if (equalsIgnoreCase(value.name, name))
                return value;
        }
        return key.values.emplace_back(HiveValue{std::move(name), kRegNone, {}});
    }

    Lines m_lines;
    std::optional<WantedKeys> m_wanted;
    std::vector<HiveKey> m_keys;                                // one per wanted key, or every key of a full parse
    std::unordered_map<std::u16string, std::size_t> m_keyIndex; // full parse: folded path -> key
    bool m_keyOpen = false;                                     // a well-formed [key] line is open
    std::size_t m_current = kNoKey;                             // ... and it is one we keep
    Arch m_arch = Arch::Unknown;
    bool m_stop = false;
};

} // namespace

const HiveValue* HiveKey::find(std::u16string_view name) const {
    for (const HiveValue& value : values) {
        if (equalsIgnoreCase(value.name, name))
            return &value;
    }
    return nullptr;
}

Hive readHiveKeys(std::string_view text, const std::vector<std::u16string>& paths) {
    return HiveReader(Lines(text), &paths).run();
}

Hive readHiveKeys(HiveSource& source, std::vector<char>& buffer, const std::vector<std::u16string>& paths) {
    return HiveReader(Lines(source, buffer), &paths).run();
}

Hive parseHive(std::string_view text) {
    return HiveReader(Lines(text), nullptr).run();
}

char16_t foldCase(char16_t unit) {
    if (unit < 0x80)
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    if (QChar::isSurrogate(unit))
        return unit;
    const char32_t upper = QChar::toUpper(static_cast<char32_t>(unit));
    return upper <= 0xffff ? static_cast<char16_t>(upper) : unit;
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

} // namespace quillmere::host
