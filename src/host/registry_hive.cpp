#include "host/registry_hive.h"

#include "host/hive_text.h"

#include <QChar>

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace quillmere::host {

using namespace hivetext;

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::size_t kNoKey = std::numeric_limits<std::size_t>::max();

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A key path with its empty components dropped ("a\\b\" is "a\b"), folded for comparing.
std::u16string foldedPath(std::u16string_view path) {
    std::u16string out;
    bool separator = false;
    for (const char16_t unit : path) {
        if (unit == u'\\') {
            separator = !out.empty();
            continue;
        }
        if (separator)
            out.push_back(u'\\');
        separator = false;
        out.push_back(foldCase(unit));
    }
    return out;
}

// The name of a key line up to its closing bracket, decoded, empty components dropped.
std::u16string decodeKeyName(const char* p, const char* close) {
    std::u16string raw;
    for (char16_t unit; p < close && decodeUnit(p, close, unit);)
        raw.push_back(unit);
    std::u16string out;
    for (const char16_t unit : raw) {
        if (unit != u'\\' || (!out.empty() && out.back() != u'\\'))
            out.push_back(unit);
    }
    if (!out.empty() && out.back() == u'\\')
        out.pop_back();
    return out;
}

void appendUtf16le(std::string& out, std::u16string_view text) {
    for (const char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xff));
        out.push_back(static_cast<char>(unit >> 8));
    }
}

// A key the lookup wants, and its name as Wine writes it in a key line when that is plain ASCII
// (upper case, each separator a doubled backslash), for comparing key lines before decoding them.
struct WantedKey {
    std::u16string folded;
    std::string spelt;
    bool spellable = true;

    explicit WantedKey(std::u16string path)
        : folded(std::move(path)) {
        for (const char16_t unit : folded) {
            spellable = spellable && unit < 0x80;
            spelt.append(unit == u'\\' ? 2 : 1, static_cast<char>(unit));
        }
    }
};

enum class Match { Same, Differs, Unsure };

// The raw name of a key line against a wanted key's spelling. Up to the first difference both read
// the same; past it the names differ for certain only when the difference is plain text on both
// sides, not an escape, a separator or a character beyond ASCII.
Match compareSpelt(const WantedKey& wanted, std::string_view name) {
    if (!wanted.spellable)
        return Match::Unsure;
    const std::string& spelt = wanted.spelt;
    std::size_t i = 0;
    while (i < spelt.size() && i < name.size() && upperAscii(name[i]) == spelt[i])
        ++i;
    if (i == spelt.size() && i == name.size())
        return Match::Same;
    const bool plainName = i == name.size() || (name[i] != '\\' && static_cast<unsigned char>(name[i]) < 0x80);
    const bool plainSpelt = i == spelt.size() || spelt[i] != '\\';
    return plainName && plainSpelt ? Match::Differs : Match::Unsure;
}

// The lines of the text, without their "\n" or "\r\n".
class Lines {
public:
    explicit Lines(std::string_view text)
        : m_pos(text.data())
        , m_end(text.data() + text.size()) {}

    bool next(const char*& begin, const char*& end) {
        if (m_pos == m_end)
            return false;
        begin = m_pos;
        const void* newline = std::memchr(m_pos, '\n', static_cast<std::size_t>(m_end - m_pos));
        end = newline ? static_cast<const char*>(newline) : m_end;
        m_pos = newline ? end + 1 : m_end;
        if (end > begin && end[-1] == '\r')
            --end;
        return true;
    }

private:
    const char* m_pos;
    const char* m_end;
};

class HiveReader {
public:
    // With `wanted` null every key is kept; otherwise only those named there.
    HiveReader(std::string_view text, const std::vector<std::u16string>* wanted)
        : m_lines(text)
        , m_all(wanted == nullptr) {
        if (!wanted)
            return;
        for (const std::u16string& path : *wanted) {
            std::u16string folded = foldedPath(path);
            const auto same = std::find_if(m_wanted.begin(), m_wanted.end(),
                                           [&folded](const WantedKey& key) { return key.folded == folded; });
            m_slotOf.push_back(static_cast<std::size_t>(same - m_wanted.begin()));
            if (same == m_wanted.end()) {
                m_wanted.emplace_back(std::move(folded));
                m_keys.push_back(HiveKey{path, {}});
            }
        }
    }

    Hive run() {
        Hive hive;
        const char* begin = nullptr;
        const char* end = nullptr;
        hive.valid = m_lines.next(begin, end) && std::string_view(begin, contentEnd(begin, end) - begin) == kHeader;
        while (hive.valid && !m_stop && m_lines.next(begin, end))
            line(begin, end);
        hive.win64 = m_arch == Arch::Win64;
        if (m_all)
            hive.keys = std::move(m_keys);
        for (const std::size_t slot : m_slotOf)
            hive.keys.push_back(m_keys[slot]);
        return hive;
    }

private:
    enum class Arch { Unknown, Win32, Win64 };

    void line(const char* begin, const char* end) {
        const char* p = skipSpaces(begin, end);
        if (p == end)
            return;
        switch (*p) {
        case '[':
            keyLine(p + 1, contentEnd(p, end));
            break;
        case '@':
        case '"':
            if (m_keyOpen)
                valueLine(p, end);
            break;
        case '#':
            if (!m_keyOpen)
                globalOption(std::string_view(p, contentEnd(p, end) - p));
            break;
        default:
            break; // comments, blank lines and anything wineserver would also pass over
        }
    }

    // A key line without its closing bracket leaves no key open, as in wineserver.
    void keyLine(const char* name, const char* end) {
        const char* close = findUnescaped(name, end, ']');
        m_keyOpen = close != nullptr;
        m_current = !close ? kNoKey : m_all ? keyOfEvery(name, close) : wantedKey(name, close);
    }

    std::size_t keyOfEvery(const char* name, const char* close) {
        std::u16string path = decodeKeyName(name, close);
        const auto [it, added] = m_keyIndex.try_emplace(foldedPath(path), m_keys.size());
        if (added)
            m_keys.push_back(HiveKey{std::move(path), {}});
        return it->second;
    }

    std::size_t wantedKey(const char* name, const char* close) {
        const std::string_view raw(name, static_cast<std::size_t>(close - name));
        bool unsure = false;
        for (std::size_t i = 0; i < m_wanted.size(); ++i) {
            const Match match = compareSpelt(m_wanted[i], raw);
            if (match == Match::Same)
                return i;
            unsure = unsure || match == Match::Unsure;
        }
        if (!unsure)
            return kNoKey;
        const std::u16string folded = foldedPath(decodeKeyName(name, close));
        for (std::size_t i = 0; i < m_wanted.size(); ++i) {
            if (m_wanted[i].folded == folded)
                return i;
        }
        return kNoKey;
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

    HiveValue& valueNamed(HiveKey& key, std::u16string name) {
        for (HiveValue& value : key.values) {
            if (equalsIgnoreCase(value.name, name))
                return value;
        }
        return key.values.emplace_back(HiveValue{std::move(name), kRegNone, {}});
    }

    void valueLine(const char* p, const char* end) {
        HiveKey* key = m_current == kNoKey ? nullptr : &m_keys[m_current];
        if (!key && !std::memchr(p, '\\', static_cast<std::size_t>(end - p)))
            return; // not kept, and no continuation to step over
        end = contentEnd(p, end);

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
        q = skipSpaces(q + 1, end);

        HiveValue* value = key ? &valueNamed(*key, std::move(name)) : nullptr;
        if (!parseData(q, end, value) && value) {
            value->type = kRegNone;
            value->data.clear();
        }
    }

    // The data after "=": a quoted string, str(N):"...", dword:, hex: or hex(N): with "\"
    // continuation lines. `value` is null when the key is not kept and only the lines matter.
    bool parseData(const char* q, const char* end, HiveValue* value) {
        if (const std::uint32_t type = stringType(q, end)) {
            if (!value)
                return true;
            const char* close = findUnescaped(q, end, '"');
            if (!close)
                return false;
            std::u16string text;
            decodeString(q, close + 1, '"', text);
            text.push_back(u'\0');
            *value = HiveValue{std::move(value->name), type, {}};
            appendUtf16le(value->data, text);
            return true;
        }
        if (startsWith(q, end, "dword:")) {
            q += 6;
            const auto dword = static_cast<std::uint32_t>(parseHexNumber(q, end));
            if (value)
                *value = HiveValue{std::move(value->name), kRegDword, std::string(4, '\0')};
            for (int i = 0; value && i < 4; ++i)
                value->data[std::size_t(i)] = static_cast<char>((dword >> (8 * i)) & 0xff);
            return true;
        }
        return parseHexData(q, end, value);
    }

    // The type of a string's tag, moving `q` to the string's first character; 0 when it is none.
    static std::uint32_t stringType(const char*& q, const char* end) {
        static constexpr std::pair<std::string_view, std::uint32_t> kTags[] = {
            {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
        for (const auto& [tag, type] : kTags) {
            if (startsWith(q, end, tag)) {
                q += tag.size();
                return type;
            }
        }
        return kRegNone;
    }

    bool parseHexData(const char* q, const char* end, HiveValue* value) {
        std::uint32_t type = kRegBinary;
        if (startsWith(q, end, "hex:")) {
            q += 4;
        } else if (startsWith(q, end, "hex(")) {
            q += 4;
            type = static_cast<std::uint32_t>(parseHexNumber(q, end));
            if (!startsWith(q, end, "):"))
                return false;
            q += 2;
        } else {
            return false;
        }
        std::string bytes;
        if (!parseHexBytes(q, end, value ? &bytes : nullptr))
            return false;
        if (value)
            *value = HiveValue{std::move(value->name), type, std::move(bytes)};
        return true;
    }

    // Comma-separated hex bytes; a "\" after them continues on the next line.
    bool parseHexBytes(const char* q, const char* end, std::string* out) {
        for (;;) {
            while (q < end && hexValue(*q) >= 0) {
                const std::uint64_t byte = parseHexNumber(q, end);
                if (byte > 0xff)
                    return false;
                if (out)
                    out->push_back(static_cast<char>(byte));
                q = skipSpaces(q, end);
                if (q < end && *q == ',')
                    ++q;
                q = skipSpaces(q, end);
            }
            q = skipSpaces(q, end);
            if (q == end)
                return true;
            if (*q != '\\')
                return false;
            const char* begin = nullptr;
            if (!m_lines.next(begin, end))
                return false;
            end = contentEnd(begin, end);
            q = skipSpaces(begin, end);
        }
    }

    Lines m_lines;
    bool m_all;
    std::vector<WantedKey> m_wanted;
    std::vector<std::size_t> m_slotOf;                          // the wanted key of each path asked for
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
    return HiveReader(text, &paths).run();
}

Hive parseHive(std::string_view text) {
    return HiveReader(text, nullptr).run();
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
