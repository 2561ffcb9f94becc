#include "host/hive_text.h"

#include <cstring>
#include <limits>

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

} // namespace

bool isSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == ' ' || (u >= '\t' && u <= '\r');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const char* skipSpaces(const char* p, const char* end) {
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

const char* contentEnd(const char* begin, const char* end) {
    const void* nul = begin < end ? std::memchr(begin, '\0', static_cast<std::size_t>(end - begin)) : nullptr;
    return nul ? static_cast<const char*>(nul) : end;
}

bool startsWith(const char* p, const char* end, std::string_view tag) {
    return static_cast<std::size_t>(end - p) >= tag.size() && std::memcmp(p, tag.data(), tag.size()) == 0;
}

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

const char* findUnescaped(const char* p, const char* end, char c) {
    while (const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p))) {
        const char* q = static_cast<const char*>(found);
        std::size_t run = 0;
        while (q - run > p && q[-1 - static_cast<std::ptrdiff_t>(run)] == '\\')
            ++run;
        if (run % 2 == 0)
            return q;
        p = q + 1;
    }
    return nullptr;
}

const char* skipString(const char* p, const char* end, char close) {
    const char* q = findUnescaped(p, end, close);
    return q ? q + 1 : nullptr;
}

} // namespace quillmere::host::hivetext
