#include "host/hive_text.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace quillmere::host::hivetext {

namespace {

// Wine's one-letter escapes and the characters they stand for.
constexpr std::string_view kNamedEscapes = "abefnrtv";
constexpr char16_t kNamedEscapeUnits[] = {0x07, 0x08, 0x1b, 0x0c, 0x0a, 0x0d, 0x09, 0x0b};

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The digits after "\x" (one to four: Wine writes \x00e9 when a hex digit follows) or after the
// first digit of an octal escape (up to two more).
char16_t escapedNumber(const char*& p, const char* end, unsigned value, unsigned base, int maxDigits) {
    for (int count = 0; count < maxDigits && p < end; ++count, ++p) {
        const int digit = base == 16 ? hexValue(*p) : isOctal(*p) ? *p - '0' : -1;
        if (digit < 0)
            break;
        value = value * base + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);
}

void appendUtf16le(std::string& out, std::u16string_view text) {
    for (const char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xff));
        out.push_back(static_cast<char>(unit >> 8));
    }
}

// The type a string's tag names, moving `p` to the string's first character; 0 when it is none.
std::uint32_t stringType(const char*& p, const char* end) {
    static constexpr std::pair<std::string_view, std::uint32_t> kTags[] = {
        {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
    for (const auto& [tag, type] : kTags) {
        if (startsWith(p, end, tag)) {
            p += tag.size();
            return type;
        }
    }
    return kRegNone;
}

bool parseString(const char* p, const char* end, std::uint32_t type, HiveValue* value) {
    const char* close = findUnescaped(p, end, '"');
    if (!close)
        return false;
    if (value) {
        std::u16string text;
        decodeString(p, close + 1, '"', text);
        text.push_back(u'\0');
        value->type = type;
        value->data.clear();
        appendUtf16le(value->data, text);
    }
    return true;
}

// Comma-separated hex bytes; a "\" after them continues on the next line.
bool parseHexBytes(const char* p, const char* end, Lines& lines, std::string* out) {
    for (;;) {
        // "hh," as Wine writes them in bulk, then the general rules for anything else.
        const char* bulk = p;
        for (; end - p >= 3 && p[2] == ',' && hexValue(p[0]) >= 0 && hexValue(p[1]) >= 0; p += 3) {
            if (out)
                out->push_back(static_cast<char>(hexValue(p[0]) << 4 | hexValue(p[1])));
        }
        if (p != bulk)
            p = skipSpaces(p, end); // blanks may follow a comma, not come before the first byte
        while (p < end && hexValue(*p) >= 0) {
            const std::uint64_t byte = parseHexNumber(p, end);
            if (byte > 0xff)
                return false;
            if (out)
                out->push_back(static_cast<char>(byte));
            p = skipSpaces(p, end);
            if (p < end && *p == ',')
                ++p;
            p = skipSpaces(p, end);
        }
        p = skipSpaces(p, end);
        if (p == end)
            return true;
        const char* begin = nullptr;
        if (*p != '\\' || !lines.next(begin, end))
            return false;
        p = skipSpaces(begin, end);
    }
}

// After "hex": ":" for binary data, or "(N):" for data of type N.
bool parseHex(const char* p, const char* end, Lines& lines, HiveValue* value) {
    std::uint32_t type = kRegBinary;
    if (startsWith(p, end, "(")) {
        ++p;
        type = static_cast<std::uint32_t>(parseHexNumber(p, end));
        if (!startsWith(p, end, ")"))
            return false;
        ++p;
    }
    if (!startsWith(p, end, ":"))
        return false;
    std::string bytes;
    if (!parseHexBytes(p + 1, end, lines, value ? &bytes : nullptr))
        return false;
    if (value) {
        value->type = type;
        value->data = std::move(bytes);
    }
    return true;
}

} // namespace

std::uint64_t parseHexNumber(const char*& p, const char* end) {
    const char* q = skipSpaces(p, end);
    const bool negative = q < end && *q == '-';
    if (q < end && (*q == '+' || *q == '-'))
        ++q;
    if (end - q >= 3 && q[0] == '0' && (q[1] == 'x' || q[1] == 'X') && hexValue(q[2]) >= 0)
        q += 2;
    const char* digits = q;
    std::uint64_t value = 0;
    bool overflow = false;
    for (int digit = 0; q < end && (digit = hexValue(*q)) >= 0; ++q) {
        overflow = overflow || value > (std::numeric_limits<std::uint64_t>::max() >> 4);
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    if (q == digits)
        return 0;
    p = q;
    if (overflow)
        return std::numeric_limits<std::uint64_t>::max();
    return negative ? 0 - value : value;
}

bool decodeUnit(const char*& p, const char* end, char16_t& unit) {
    const char c = *p++;
    if (c != '\\') {
        unit = static_cast<unsigned char>(c); // bytes are Latin-1, as wineserver widens them
        return true;
    }
    if (p == end)
        return false;
    const char e = *p++;
    if (const std::size_t named = kNamedEscapes.find(e); named != std::string_view::npos)
        unit = kNamedEscapeUnits[named];
    else if (e == 'x')
        unit = p < end && hexValue(*p) >= 0 ? escapedNumber(p, end, 0, 16, 4) : u'x';
    else if (isOctal(e))
        unit = escapedNumber(p, end, static_cast<unsigned>(e - '0'), 8, 2);
    else
        unit = static_cast<unsigned char>(e); // \\ \" \[ \] and any other character stand for themselves
    return true;
}

const char* decodeString(const char* p, const char* end, char close, std::u16string& out) {
    while (p < end && *p != close) {
        char16_t unit;
        if (!decodeUnit(p, end, unit))
            return nullptr;
        out.push_back(unit);
    }
    return p < end ? p + 1 : nullptr;
}

const char* skipString(const char* p, const char* end, char close) {
    const char* q = findUnescaped(p, end, close);
    return q ? q + 1 : nullptr;
}

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

Lines::Lines(HiveSource& source, std::vector<char>& buffer)
    : m_source(&source)
    , m_buffer(&buffer)
    , m_held((buffer.resize(std::max<std::size_t>(buffer.size(), 2)), buffer.data()))
    , m_pos(m_held)
    , m_end(m_held)
    , m_whole(false) {}

const char* Lines::readToNewline() {
    for (;;) {
        const auto searched = static_cast<std::size_t>(m_end - m_pos);
        if (!readMore())
            return nullptr;
        if (const void* newline =
                std::memchr(m_pos + searched, '\n', static_cast<std::size_t>(m_end - m_pos) - searched))
            return static_cast<const char*>(newline);
    }
}

// Keeps what is held from the present line on, at the buffer's start, and reads on after it. The
// buffer grows when that line, or the lines a key line search holds, fill half of it.
bool Lines::readMore() {
    if (m_whole)
        return false;
    std::vector<char>& buffer = *m_buffer;
    const auto kept = static_cast<std::size_t>(m_end - m_pos);
    m_offset += static_cast<std::size_t>(m_pos - m_held);
    std::memmove(buffer.data(), m_pos, kept);
    if (kept > buffer.size() / 2)
        buffer.resize(buffer.size() * 2);
    m_held = m_pos = buffer.data();
    m_end = m_held + kept;
    const std::ptrdiff_t got = m_source->read(buffer.data() + kept, buffer.size() - kept);
    if (got <= 0) {
        m_whole = true;
        m_failed = got < 0;
        return false;
    }
    m_holdsNul = m_holdsNul || std::memchr(m_end, '\0', static_cast<std::size_t>(got)) != nullptr;
    m_end += got;
    return true;
}

const char* Lines::nextKeyLineLooking() {
    std::size_t searched = 0; // from m_pos on, without a key line
    for (;;) {
        const char* p = m_pos + searched;
        p = static_cast<const char*>(std::memchr(p, '[', static_cast<std::size_t>(m_end - p)));
        if (!p) {
            searched = static_cast<std::size_t>(m_end - m_pos);
            if (!readMore())
                return m_end;
            continue;
        }
        const char* start = p;
        while (start > m_pos && start[-1] != '\n' && isSpace(start[-1]))
            --start;
        if (start == m_pos || start[-1] == '\n')
            return start;
        searched = static_cast<std::size_t>(p + 1 - m_pos);
    }
}

bool parseValueData(const char* p, const char* end, Lines& lines, HiveValue* value) {
    if (const std::uint32_t type = stringType(p, end))
        return !value || parseString(p, end, type, value);
    if (startsWith(p, end, "dword:")) {
        p += 6;
        const auto dword = static_cast<std::uint32_t>(parseHexNumber(p, end));
        if (value) {
            value->type = kRegDword;
            value->data.clear();
            for (int shift = 0; shift < 32; shift += 8)
                value->data.push_back(static_cast<char>((dword >> shift) & 0xff));
        }
        return true;
    }
    return startsWith(p, end, "hex") && parseHex(p + 3, end, lines, value);
}

} // namespace quillmere::host::hivetext
