#include "host/registry_hive.h"

#include <QChar>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quillmere::host {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// C's isspace() in the "C" locale, which is what wineserver's parser uses.
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

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

const char* skipSpaces(const char* p, const char* end) {
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

// Eight bytes at a time for the hot loops over key lines; the byte order only matters for
// finding the first differing byte.
constexpr std::uint64_t kOnes = 0x0101010101010101ull;

std::uint64_t load8(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// ASCII 'a'..'z' to upper case in every byte at once.
std::uint64_t upper8(std::uint64_t word) {
    const std::uint64_t low7 = word & (0x7f * kOnes);
    const std::uint64_t fromA = low7 + (0x80 - 'a') * kOnes;
    const std::uint64_t pastZ = low7 + (0x80 - 'z' - 1) * kOnes;
    const std::uint64_t lower = fromA & ~pastZ & ~word & (0x80 * kOnes);
    return word - (lower >> 2);
}

// How many of the first `count` bytes of `text`, upper-cased, equal `upper`.
std::size_t upperMatchLength(const char* text, std::size_t count, const char* upper) {
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= count; i += 8) {
            const std::uint64_t diff = upper8(load8(text + i)) ^ load8(upper + i);
            if (diff)
                return i + static_cast<std::size_t>(std::countr_zero(diff)) / 8;
        }
    }
    for (; i < count; ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 0x20) : text[i];
        if (c != upper[i])
            break;
    }
    return i;
}

// The first ']', newline or NUL, or null: the end of a key name or of its line.
const char* findBracketOrLineEnd(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i bracket = _mm_set1_epi8(']');
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, bracket), _mm_cmpeq_epi8(bytes, newline)),
                                          _mm_cmpeq_epi8(bytes, nul));
        if (const int mask = _mm_movemask_epi8(hits))
            return p + std::countr_zero(static_cast<unsigned>(mask));
    }
#endif
    for (; p < end; ++p) {
        if (*p == ']' || *p == '\n' || *p == '\0')
            return p;
    }
    return nullptr;
}

// wineserver reads its lines with fgets() and C string calls: nothing after a NUL counts.
const char* contentEnd(const char* begin, const char* end) {
    if (end <= begin)
        return end;
    const void* nul = std::memchr(begin, '\0', static_cast<std::size_t>(end - begin));
    return nul ? static_cast<const char*>(nul) : end;
}

bool startsWith(const char* p, const char* end, std::string_view tag) {
    return static_cast<std::size_t>(end - p) >= tag.size() && std::memcmp(p, tag.data(), tag.size()) == 0;
}

// strtoul(p, &p, 16): leading blanks, a sign, an optional 0x; p stays put when there are no digits.
std::uint64_t parseHexNumber(const char*& p, const char* end) {
    const char* q = skipSpaces(p, end);
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
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

// One character of Wine's escaped text (p < end). False when a lone backslash ends the text.
bool decodeUnit(const char*& p, const char* end, char16_t& unit) {
    const char c = *p++;
    if (c != '\\') {
        unit = static_cast<unsigned char>(c); // bytes are Latin-1, as wineserver widens them
        return true;
    }
    if (p == end)
        return false;
    const char e = *p++;
    switch (e) {
    case 'a':
        unit = 0x07;
        return true;
    case 'b':
        unit = 0x08;
        return true;
    case 'e':
        unit = 0x1b;
        return true;
    case 'f':
        unit = 0x0c;
        return true;
    case 'n':
        unit = 0x0a;
        return true;
    case 'r':
        unit = 0x0d;
        return true;
    case 't':
        unit = 0x09;
        return true;
    case 'v':
        unit = 0x0b;
        return true;
    case 'x': {
        // One to four hex digits: Wine writes \x00e9 when a hex digit follows.
        unsigned value = 0;
        int count = 0;
        for (int digit = 0; count < 4 && p < end && (digit = hexValue(*p)) >= 0; ++count, ++p)
            value = value * 16 + static_cast<unsigned>(digit);
        unit = count ? static_cast<char16_t>(value) : u'x';
        return true;
    }
    default:
        break;
    }
    if (isOctal(e)) {
        unsigned value = static_cast<unsigned>(e - '0');
        for (int count = 0; count < 2 && p < end && isOctal(*p); ++count, ++p)
            value = value * 8 + static_cast<unsigned>(*p - '0');
        unit = static_cast<char16_t>(value);
        return true;
    }
    unit = static_cast<unsigned char>(e); // \\ \" \[ \] and any other character stand for themselves
    return true;
}

// Decodes escaped text up to `close`; returns the position after it, or null when it never comes.
const char* decodeString(const char* p, const char* end, char close, std::u16string& out) {
    while (p < end && *p != close) {
        // Plain runs in bulk: a long value is mostly unescaped text.
        const char* run = p;
        while (run < end && *run != close && *run != '\\')
            ++run;
        if (run != p) {
            const std::size_t size = out.size();
            out.resize(size + static_cast<std::size_t>(run - p));
            for (char16_t* unit = out.data() + size; p < run; ++p, ++unit)
                *unit = static_cast<unsigned char>(*p);
            continue;
        }
        char16_t unit;
        if (!decodeUnit(p, end, unit))
            return nullptr;
        out.push_back(unit);
    }
    return p < end ? p + 1 : nullptr;
}

// The same walk without decoding: no escape sequence can hide a quote or a bracket past its
// first character.
const char* skipString(const char* p, const char* end, char close) {
    for (;;) {
        const void* found = std::memchr(p, close, static_cast<std::size_t>(end - p));
        if (!found)
            return nullptr;
        const char* q = static_cast<const char*>(found);
        // Escapes are a backslash and one character (digits after \x or \N are never a quote, a
        // bracket or a backslash), so a run of backslashes pairs up from its start.
        std::size_t run = 0;
        while (q - run > p && q[-1 - static_cast<std::ptrdiff_t>(run)] == '\\')
            ++run;
        if (run % 2 == 0)
            return q + 1;
        p = q + 1;
    }
}

// Decodes a key name up to its closing ']', handing `sink` the name with empty components
// dropped. Once `sink` returns false the rest is only walked to find the bracket. False when the
// name has no closing bracket.
template <typename Emit> bool decodeKeyName(const char* p, const char* end, Emit&& sink) {
    bool listening = true;
    bool pendingSeparator = false;
    bool any = false;
    while (p < end && *p != ']') {
        if (!listening)
            return skipString(p, end, ']') != nullptr;
        char16_t unit;
        if (!decodeUnit(p, end, unit))
            return false;
        if (unit == u'\\') {
            pendingSeparator = any;
            continue;
        }
        if (pendingSeparator) {
            pendingSeparator = false;
            if (!sink(u'\\')) {
                listening = false;
                continue;
            }
        }
        any = true;
        listening = sink(unit);
    }
    return p < end;
}

std::u16string folded(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& unit : out)
        unit = foldCase(unit);
    return out;
}

void appendUtf16le(std::string& out, std::u16string_view text) {
    const std::size_t size = out.size();
    out.resize(size + 2 * text.size());
    char* p = out.data() + size;
    for (const char16_t unit : text) {
        *p++ = static_cast<char>(unit & 0xff);
        *p++ = static_cast<char>(unit >> 8);
    }
}

std::size_t utf8Length(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

char* writeUtf8(char* p, char32_t code) {
    if (code < 0x80) {
        *p++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *p++ = static_cast<char>(0xc0 | (code >> 6));
        *p++ = static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        *p++ = static_cast<char>(0xe0 | (code >> 12));
        *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *p++ = static_cast<char>(0x80 | (code & 0x3f));
    } else {
        *p++ = static_cast<char>(0xf0 | (code >> 18));
        *p++ = static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        *p++ = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        *p++ = static_cast<char>(0x80 | (code & 0x3f));
    }
    return p;
}

// A key being filled: its values, and an index by folded name so that a later line replaces an
// earlier one in constant time even in a key of many values.
struct KeyBuilder {
    HiveKey key;
    std::unordered_map<std::u16string, std::size_t> byName;

    HiveValue& valueNamed(std::u16string name) {
        auto [it, inserted] = byName.try_emplace(folded(name), key.values.size());
        if (inserted)
            key.values.push_back(HiveValue{std::move(name), kRegNone, {}});
        return key.values[it->second];
    }
};

// Judges most [key] lines of a stretch being skipped by their first 16 bytes, against the
// first 16 bytes of each wanted path as Wine writes it, upper-cased.
class KeyLineFilter {
public:
    void add(std::string_view spelt, const std::vector<char>& tokenStart) {
        if (!m_enabled)
            return;
        Target target;
        char bytes[16] = {};
        target.size = std::min<std::size_t>(sizeof bytes, spelt.size());
        std::memcpy(bytes, spelt.data(), target.size);
        target.words[0] = load8(bytes);
        target.words[1] = load8(bytes + 8);
        for (std::size_t k = 0; k < target.size; ++k)
            target.tokenStarts |= static_cast<std::uint32_t>(tokenStart[k] ? 1 : 0) << k;
        m_targets.push_back(target);
    }

    void disable() {
        m_enabled = false;
        m_targets.clear();
    }

    // True when the key name at `name` (16 bytes at hand) is none of the wanted keys nor below
    // one: against each, the first difference is a plain character on both sides. False when unsure.
    bool rejects(const char* name) {
        if constexpr (std::endian::native != std::endian::little)
            return false;
        if (m_targets.empty())
            return false;
        // Keys come sorted, so neighbours mostly share their first 16 bytes, and so the verdict.
        const std::uint64_t raw[2] = {load8(name), load8(name + 8)};
        if (m_haveRejected && raw[0] == m_rejected[0] && raw[1] == m_rejected[1])
            return true;
        const std::uint64_t upper[2] = {upper8(raw[0]), upper8(raw[1])};
        for (const Target& target : m_targets) {
            std::size_t at = 0;
            if (const std::uint64_t diff = upper[0] ^ target.words[0])
                at = static_cast<std::size_t>(std::countr_zero(diff)) / 8;
            else if (const std::uint64_t diff2 = upper[1] ^ target.words[1])
                at = 8 + static_cast<std::size_t>(std::countr_zero(diff2)) / 8;
            else
                return false;
            const auto byte = static_cast<unsigned char>(name[at]);
            if (at >= target.size || !(target.tokenStarts >> at & 1) || byte == '\\' || byte >= 0x80)
                return false;
        }
        m_haveRejected = true;
        m_rejected[0] = raw[0];
        m_rejected[1] = raw[1];
        return true;
    }

private:
    struct Target {
        std::uint64_t words[2] = {0, 0};
        std::size_t size = 0;
        std::uint32_t tokenStarts = 0; // bit k: byte k may be judged as a plain character
    };

    bool m_enabled = true;
    std::vector<Target> m_targets;
    bool m_haveRejected = false;
    std::uint64_t m_rejected[2] = {0, 0};
};

// The unescaped ']' that closes a key name on its line, or null. `p` is not inside an escape.
const char* closingBracket(const char* p, const char* end) {
    for (const char* q = p;;) {
        q = findBracketOrLineEnd(q, end);
        if (!q || *q != ']')
            return nullptr;
        std::size_t run = 0;
        while (q - run > p && q[-1 - static_cast<std::ptrdiff_t>(run)] == '\\')
            ++run;
        if (run % 2 == 0)
            return q;
        ++q;
    }
}

// The key lines a pass over a stretch of unwanted keys has gone past.
struct PassedKeys {
    const char* lastLine = nullptr; // the last of them, null for none
    // It was not walked to its closing bracket. A key line without one leaves no key open, and a
    // "#arch=" line read while no key is open counts; so until a key line is walked, every "#a"
    // sends the lines after `lastLine` to be read one by one.
    bool unwalked = false;
};

// Where the quick pass over a stretch of unwanted keys stopped.
struct QuickStop {
    // A '[' for the careful walk to judge; null when the text at hand ran out first.
    const char* bracket = nullptr;
    // When set, the lines up to here must be read one by one, from the last key line passed (or
    // from the start of the stretch when there is none).
    const char* readLinesTo = nullptr;
};

// A '[' in the usual shape of a key line, after a blank line, whose name the filter rejects.
// Such a line need not be walked: a later '[' on it is not at a line start, and nothing on it can
// continue into the next line. `from` is where the stretch began; nothing before it is looked at.
bool quicklyRejected(const char* bracket, const char* from, const char* end, KeyLineFilter& filter) {
    return bracket - from >= 2 && bracket[-1] == '\n' && bracket[-2] == '\n' && end - bracket > 16 &&
           filter.rejects(bracket + 1);
}

// The first "#a" in [p, end), counting a '#' that ends the text at hand; null when there is none.
const char* findArch(const char* p, const char* end) {
    while (const void* found = std::memchr(p, '#', static_cast<std::size_t>(end - p))) {
        const char* hash = static_cast<const char*>(found);
        if (hash + 1 == end || hash[1] == 'a')
            return hash;
        p = hash + 1;
    }
    return nullptr;
}

// One memchr() per key, and each rejected key line walked to its closing bracket.
QuickStop quickPassPortable(const char* p, const char* end, const char* from, KeyLineFilter& filter,
                            PassedKeys& passed) {
    for (;;) {
        const void* found = std::memchr(p, '[', static_cast<std::size_t>(end - p));
        const char* bracket = found ? static_cast<const char*>(found) : end;
        if (passed.unwalked) {
            if (const char* arch = findArch(p, bracket))
                return {nullptr, arch + 1};
        }
        if (!found)
            return {};
        const char* close = quicklyRejected(bracket, from, end, filter) ? closingBracket(bracket + 1, end) : nullptr;
        if (!close)
            return {bracket, nullptr};
        passed = {bracket, false};
        p = close + 1;
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
#define QUILLMERE_HAVE_AVX2_SCAN 1
// Settles the brackets of one 64-byte step at `p`, given as bit masks with the "#a" starts.
// False when the pass stops there, with `stop` set.
inline bool settleStep(const char* p, std::uint64_t brackets, std::uint64_t archs, const char* from, const char* end,
                       KeyLineFilter& filter, PassedKeys& passed, QuickStop& stop) {
    for (;;) {
        const std::uint64_t beforeArch = archs ? (std::uint64_t{1} << std::countr_zero(archs)) - 1 : ~std::uint64_t{0};
        for (std::uint64_t now = brackets & beforeArch; now; now &= now - 1) {
            const char* bracket = p + std::countr_zero(now);
            if (!quicklyRejected(bracket, from, end, filter)) {
                stop = {bracket, nullptr};
                return false;
            }
            passed = {bracket, true};
        }
        if (!archs)
            return true;
        if (passed.unwalked) {
            stop = {nullptr, p + std::countr_zero(archs) + 1};
            return false;
        }
        brackets &= ~beforeArch;
        archs &= archs - 1;
    }
}

// Where "#a" starts among 32 bytes, as vector lanes.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i archLanes(const char* at) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
    return _mm256_and_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('#')),
                            _mm256_cmpeq_epi8(next, _mm256_set1_epi8('a')));
}

[[gnu::target("avx2"), gnu::always_inline]] inline std::uint64_t bitsOf(__m256i low, __m256i high) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
}

// 64 bytes per step, the brackets of a step taken from one mask: far fewer calls and branches
// than a memchr() per key in a hive of tens of thousands of keys. Key lines are not walked to
// their closing bracket here. Whether one lacks it matters only to a later "#arch=" line, so
// any "#a" in the stretch sends its lines, from the key line before it, to be read one by one.
[[gnu::target("avx2")]] QuickStop quickPassAvx2(const char* p, const char* end, const char* from, KeyLineFilter& filter,
                                                PassedKeys& passed) {
    const __m256i open = _mm256_set1_epi8('[');
    QuickStop stop;
    for (; end - p > 64; p += 64) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const std::uint64_t brackets = bitsOf(_mm256_cmpeq_epi8(low, open), _mm256_cmpeq_epi8(high, open));
        const __m256i archLow = archLanes(p);
        const __m256i archHigh = archLanes(p + 32);
        const __m256i anyArch = _mm256_or_si256(archLow, archHigh);
        const std::uint64_t archs = _mm256_testz_si256(anyArch, anyArch) ? 0 : bitsOf(archLow, archHigh);
        if (!settleStep(p, brackets, archs, from, end, filter, passed, stop))
            return stop;
    }
    return quickPassPortable(p, end, from, filter, passed);
}

// The same with AVX-512 byte compares, which give their masks directly.
[[gnu::target("avx512f,avx512bw")]] QuickStop quickPassAvx512(const char* p, const char* end, const char* from,
                                                              KeyLineFilter& filter, PassedKeys& passed) {
    const __m512i open = _mm512_set1_epi8('[');
    const __m512i hash = _mm512_set1_epi8('#');
    const __m512i a = _mm512_set1_epi8('a');
    QuickStop stop;
    for (; end - p > 64; p += 64) {
        const __m512i bytes = _mm512_loadu_si512(p);
        const __m512i next = _mm512_loadu_si512(p + 1);
        const std::uint64_t brackets = _mm512_cmpeq_epi8_mask(bytes, open);
        const std::uint64_t archs = _mm512_cmpeq_epi8_mask(bytes, hash) & _mm512_cmpeq_epi8_mask(next, a);
        if (!settleStep(p, brackets, archs, from, end, filter, passed, stop))
            return stop;
    }
    return quickPassPortable(p, end, from, filter, passed);
}
#endif

std::atomic<int> g_scanLimit{static_cast<int>(HiveScan::Avx512)};

HiveScan detectedScan() {
#ifdef QUILLMERE_HAVE_AVX2_SCAN
    static const HiveScan detected = __builtin_cpu_supports("avx512bw") ? HiveScan::Avx512
                                     : __builtin_cpu_supports("avx2")   ? HiveScan::Avx2
                                                                        : HiveScan::Portable;
    return detected;
#else
    return HiveScan::Portable;
#endif
}

// Passes over the key lines of a stretch of unwanted keys that can be judged quickly.
QuickStop quickPass(const char* p, const char* end, const char* from, KeyLineFilter& filter, PassedKeys& passed) {
#ifdef QUILLMERE_HAVE_AVX2_SCAN
    switch (hiveScan()) {
    case HiveScan::Avx512:
        return quickPassAvx512(p, end, from, filter, passed);
    case HiveScan::Avx2:
        return quickPassAvx2(p, end, from, filter, passed);
    case HiveScan::Portable:
        break;
    }
#endif
    return quickPassPortable(p, end, from, filter, passed);
}

// The hive text, all at hand or still arriving from a source into a buffer of its final size
// (so that pointers into it stay valid), and the reading position in it.
class LineReader {
public:
    explicit LineReader(std::string_view text)
        : m_pos(text.data())
        , m_loaded(text.data() + text.size())
        , m_end(m_loaded) {}

    LineReader(const HiveSource& source, std::size_t size)
        : m_buffer(std::make_unique_for_overwrite<char[]>(size + 1))
        , m_source(&source)
        , m_pos(m_buffer.get())
        , m_loaded(m_pos)
        , m_end(m_pos + size) {}

    // The next line without its "\n" or "\r\n"; false at the end of the text.
    bool next(const char*& begin, const char*& end) {
        const char* searched = m_pos;
        const void* newline = nullptr;
        while (!(newline = std::memchr(searched, '\n', static_cast<std::size_t>(m_loaded - searched)))) {
            searched = m_loaded;
            if (!load())
                break;
        }
        if (m_pos == m_loaded)
            return false;
        begin = m_pos;
        if (!newline) {
            end = m_pos = m_loaded;
            return true;
        }
        end = static_cast<const char*>(newline);
        m_pos = end + 1;
        if (end > begin && end[-1] == '\r')
            --end;
        return true;
    }

    const char* position() const { return m_pos; }
    void seek(const char* pos) { m_pos = pos; }
    // Text is at hand up to here.
    const char* loaded() const { return m_loaded; }
    bool complete() const { return m_loaded == m_end; }

    // Brings in the next piece; false when there is no more.
    bool load() {
        if (!m_source || m_loaded == m_end)
            return false;
        constexpr std::size_t kPiece = std::size_t{256} << 10; // scanned while still in the cache
        const std::size_t got =
            (*m_source)(const_cast<char*>(m_loaded), std::min(kPiece, static_cast<std::size_t>(m_end - m_loaded)));
        if (got == 0) {
            m_end = m_loaded; // the file ended early
            return false;
        }
        m_loaded += got;
        return true;
    }

private:
    std::unique_ptr<char[]> m_buffer;
    const HiveSource* m_source = nullptr;
    const char* m_pos;
    const char* m_loaded;
    const char* m_end;
};

class Scanner {
public:
    // With `wanted` null every key is kept; otherwise only those named there.
    Scanner(LineReader lines, const std::vector<std::u16string>* wanted)
        : m_lines(std::move(lines))
        , m_slowUntil(m_lines.position()) {
        if (!wanted)
            return;
        m_all = false;
        m_targets.reserve(wanted->size());
        for (const std::u16string& path : *wanted) {
            m_targets.push_back(normalized(path));
            m_alias.push_back(m_alias.size());
            for (std::size_t i = 0; i + 1 < m_targets.size(); ++i) {
                if (m_targets[i] == m_targets.back()) {
                    m_alias.back() = i;
                    break;
                }
            }
        }
        m_keys.resize(m_targets.size());
        m_alive.resize(m_targets.size());
        m_parent.resize(m_targets.size());
        for (const std::u16string& target : m_targets) {
            m_spelt.push_back(spelt(target));
            Spelt& added = m_spelt.back();
            const std::string& first = m_spelt.front().bytes;
            while (added.shared < std::min(first.size(), added.bytes.size()) &&
                   first[added.shared] == added.bytes[added.shared])
                ++added.shared;
            m_lookahead = std::max(m_lookahead, added.bytes.size() + 2);
        }
        for (std::size_t i = 0; i < m_targets.size(); ++i) {
            if (!m_spelt[i].usable || m_spelt[i].bytes.empty())
                m_filter.disable();
            else if (m_alias[i] == i)
                m_filter.add(m_spelt[i].bytes, m_spelt[i].tokenStart);
        }
    }

    Hive run() {
        Hive hive;
        const char* begin = nullptr;
        const char* end = nullptr;
        hive.valid = m_lines.next(begin, end) && std::string_view(begin, contentEnd(begin, end) - begin) == kHeader;
        while (hive.valid && !m_stop) {
            if (m_haveKey && m_current == kNone && m_lines.position() >= m_slowUntil)
                skipSection();
            if (!m_lines.next(begin, end))
                break;
            const char* p = skipSpaces(begin, end);
            if (p == end)
                continue;
            switch (*p) {
            case '[':
                keyLine(p + 1, contentEnd(p, end));
                break;
            case '@':
            case '"':
                if (m_haveKey)
                    valueLine(p, end);
                break;
            case '#':
                if (!m_haveKey)
                    globalOption(std::string_view(p, contentEnd(p, end) - p));
                break;
            default:
                break; // comments, blank lines and anything wineserver would also pass over
            }
        }
        hive.win64 = m_arch == Arch::Win64;
        for (std::size_t i = 0; i < m_alias.size(); ++i) {
            if (m_targets[i].empty())
                m_keys[i].key.present = hive.valid; // the hive's root
            if (m_alias[i] != i)
                m_keys[i] = m_keys[m_alias[i]];
        }
        hive.keys.reserve(m_keys.size());
        for (KeyBuilder& builder : m_keys)
            hive.keys.push_back(std::move(builder.key));
        return hive;
    }

private:
    enum class Arch { Unknown, Win32, Win64 };

    static std::u16string normalized(std::u16string_view path) {
        std::u16string out;
        out.reserve(path.size());
        bool pendingSeparator = false;
        for (const char16_t unit : path) {
            if (unit == u'\\') {
                pendingSeparator = !out.empty();
                continue;
            }
            if (pendingSeparator)
                out.push_back(u'\\');
            pendingSeparator = false;
            out.push_back(foldCase(unit));
        }
        return out;
    }

    // Inside a key we do not keep, only [key] lines matter: jump from one to the next, and
    // pass over those that are not wanted either without reading them as lines. A line is read
    // as the continuation of hex data only after a line holding a backslash; when the line
    // before a bracket has one, the stretch is read line by line instead.
    void skipSection() {
        const char* from = m_lines.position();
        const char* p = from;
        PassedKeys passed;
        for (;;) {
            const char* end = m_lines.loaded();
            const QuickStop stop = quickPass(p, end, from, m_filter, passed);
            if (stop.readLinesTo) {
                m_lines.seek(passed.lastLine ? passed.lastLine : from);
                m_slowUntil = stop.readLinesTo;
                return;
            }
            const char* bracket = stop.bracket;
            if (!bracket) {
                p = end;
                if (!m_lines.load())
                    break;
                continue;
            }
            const char* lineStart = bracket;
            while (lineStart > from && lineStart[-1] != '\n' && isSpace(lineStart[-1]))
                --lineStart;
            if (lineStart > from && lineStart[-1] != '\n') {
                p = bracket + 1; // inside a line
                continue;
            }
            if (lineStart - from >= 2 && lineStart[-2] == '\n') {
                // After a blank line: nothing can continue into this one.
            } else if (continuesInto(from, lineStart)) {
                m_lines.seek(from);
                m_slowUntil = lineStart + 1;
                return;
            }
            while (!m_lines.complete() && static_cast<std::size_t>(m_lines.loaded() - bracket) < m_lookahead)
                m_lines.load();
            end = m_lines.loaded();
            const char* close = m_all || !rejectedByAll(bracket + 1, end) ? nullptr : closingBracket(bracket + 1, end);
            if (!close) {
                m_lines.seek(lineStart); // wanted, not well-formed or not all at hand: read it as a line
                return;
            }
            passed = {lineStart, false};
            p = close + 1;
        }
        m_lines.seek(p);
    }

    // Whether the line before `lineStart` (not before `from`) holds a backslash, and so might
    // carry hex data on into it.
    static bool continuesInto(const char* from, const char* lineStart) {
        if (lineStart == from)
            return false;
        const char* previous = lineStart - 1;
        while (previous > from && previous[-1] != '\n')
            --previous;
        return std::memchr(previous, '\\', static_cast<std::size_t>(lineStart - previous)) != nullptr;
    }

    bool rejectedByAll(const char* name, const char* end) const {
        // Wanted paths mostly share their start (Software\...): compare that part once.
        std::size_t known = 0;
        for (std::size_t i = 0; i < m_targets.size(); ++i) {
            if (m_alias[i] != i)
                continue;
            const Spelt& wanted = m_spelt[i];
            if (!wanted.usable)
                return false;
            const std::size_t from = std::min(known, wanted.shared);
            const std::size_t size = wanted.bytes.size();
            const auto available = static_cast<std::size_t>(end - name);
            const std::size_t limit = std::min(size, available);
            const std::size_t match =
                from >= limit ? limit : from + upperMatchLength(name + from, limit - from, wanted.bytes.data() + from);
            if (i == 0)
                known = match;
            if (match == size)
                return false;
            // the line ends inside the name (no closing bracket), or two plain characters differ
            if (match != available &&
                !(wanted.tokenStart[match] && name[match] != '\\' && static_cast<unsigned char>(name[match]) < 0x80))
                return false;
        }
        return true;
    }

    // A wanted path as Wine writes it, upper-cased, for comparing key lines byte by byte before
    // decoding them. Only for paths of printable ASCII that Wine writes unescaped.
    struct Spelt {
        bool usable = true;
        std::string bytes;
        std::vector<char> tokenStart; // false on the second backslash of a separator
        std::size_t shared = 0;       // leading bytes in common with the first wanted path
    };

    static Spelt spelt(std::u16string_view target) {
        Spelt out;
        for (const char16_t unit : target) {
            if (unit < 0x20 || unit > 0x7e || unit == u'[' || unit == u']') {
                out.usable = false;
                return out;
            }
            out.bytes.push_back(static_cast<char>(unit));
            out.tokenStart.push_back(true);
            if (unit == u'\\') {
                out.bytes.push_back('\\');
                out.tokenStart.push_back(false);
            }
        }
        return out;
    }

    KeyBuilder* current() { return m_current == kNone ? nullptr : &m_keys[m_current]; }

    void keyLine(const char* p, const char* end) {
        m_haveKey = false;
        m_current = kNone;
        if (m_all) {
            std::u16string path;
            if (!decodeKeyName(p, end, [&](char16_t unit) {
                    path.push_back(unit);
                    return true;
                }))
                return;
            m_haveKey = true;
            auto [it, inserted] = m_keyIndex.try_emplace(folded(path), m_keys.size());
            if (inserted) {
                m_keys.emplace_back();
                m_keys.back().key.present = true;
                m_keys.back().key.path = std::move(path);
            }
            m_current = it->second;
            return;
        }

        if (rejectedByAll(p, end)) {
            m_haveKey = skipString(p, end, ']') != nullptr;
            return;
        }

        // Compare while decoding and stop listening at the first difference: most keys differ
        // from the wanted ones within a few characters. A key below a wanted one makes it exist
        // too, as wineserver creates every parent of a key it loads.
        for (std::size_t i = 0; i < m_targets.size(); ++i) {
            m_alive[i] = m_alias[i] == i;
            m_parent[i] = false;
        }
        std::size_t length = 0;
        const auto compare = [&](char16_t unit) {
            const char16_t fold = foldCase(unit);
            bool any = false;
            for (std::size_t i = 0; i < m_targets.size(); ++i) {
                if (!m_alive[i])
                    continue;
                const std::u16string& target = m_targets[i];
                if (length < target.size() && target[length] == fold) {
                    any = true;
                } else {
                    m_parent[i] = length == target.size() && fold == u'\\';
                    m_alive[i] = false;
                }
            }
            ++length;
            return any;
        };
        if (!decodeKeyName(p, end, compare))
            return;
        m_haveKey = true;
        for (std::size_t i = 0; i < m_targets.size(); ++i) {
            const bool exact = m_alive[i] && m_targets[i].size() == length;
            if (!exact && !m_parent[i])
                continue;
            HiveKey& key = m_keys[i].key;
            if (!key.present) {
                key.present = true;
                decodeKeyName(p, end, [&](char16_t unit) {
                    key.path.push_back(unit);
                    return key.path.size() < m_targets[i].size();
                });
            }
            if (exact)
                m_current = i;
        }
    }

    void globalOption(std::string_view line) {
        constexpr std::string_view kArch = "#arch=";
        if (line.substr(0, kArch.size()) != kArch)
            return;
        const std::string_view name = line.substr(kArch.size());
        const Arch arch = name == "win32" ? Arch::Win32 : name == "win64" ? Arch::Win64 : Arch::Unknown;
        // wineserver stops loading a file whose architecture it does not know or that contradicts itself.
        if (arch == Arch::Unknown || (m_arch != Arch::Unknown && m_arch != arch)) {
            m_stop = true;
            return;
        }
        m_arch = arch;
    }

    void valueLine(const char* p, const char* end) {
        KeyBuilder* key = current();
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

        HiveValue* value = key ? &key->valueNamed(std::move(name)) : nullptr;
        if (!parseData(q, end, value) && value) {
            value->type = kRegNone;
            value->data.clear();
        }
    }

    // The data after "=": a quoted string, str(N):"...", dword:, hex: or hex(N): with "\"
    // continuation lines. `value` is null when the key is not kept and only the lines matter.
    bool parseData(const char* q, const char* end, HiveValue* value) {
        struct Tag {
            std::string_view text;
            std::uint32_t type;
        };
        static constexpr Tag kStringTags[] = {
            {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
        for (const Tag& tag : kStringTags) {
            if (!startsWith(q, end, tag.text))
                continue;
            if (!value)
                return true;
            // Find the closing quote first: an unterminated line of any length costs no memory.
            const char* start = q + tag.text.size();
            const char* close = skipString(start, end, '"');
            if (!close)
                return false;
            std::u16string text;
            decodeString(start, close, '"', text);
            text.push_back(u'\0');
            value->type = tag.type;
            value->data.clear();
            appendUtf16le(value->data, text);
            return true;
        }
        if (startsWith(q, end, "dword:")) {
            if (!value)
                return true;
            q += 6;
            const auto dword = static_cast<std::uint32_t>(parseHexNumber(q, end));
            value->type = kRegDword;
            value->data.clear();
            for (int shift = 0; shift < 32; shift += 8)
                value->data.push_back(static_cast<char>((dword >> shift) & 0xff));
            return true;
        }
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
        if (value) {
            value->type = type;
            value->data = std::move(bytes);
        }
        return true;
    }

    // Comma-separated hex bytes; a "\" after them continues on the next line.
    bool parseHexBytes(const char* q, const char* end, std::string* out) {
        for (;;) {
            // "hh," as Wine writes it, then the general rules for anything else.
            const char* fast = q;
            while (end - q >= 3 && hexValue(q[0]) >= 0 && hexValue(q[1]) >= 0 && q[2] == ',') {
                if (out)
                    out->push_back(static_cast<char>(hexValue(q[0]) << 4 | hexValue(q[1])));
                q += 3;
            }
            if (q != fast)
                q = skipSpaces(q, end); // blanks after a comma are allowed, not before the first byte
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

    LineReader m_lines;
    bool m_all = true;
    std::vector<std::u16string> m_targets; // normalised and folded
    std::vector<std::size_t> m_alias;      // the first target equal to each one
    std::vector<Spelt> m_spelt;
    KeyLineFilter m_filter;
    std::size_t m_lookahead = 512; // bytes of a key line to have at hand before judging it
    std::vector<bool> m_alive;
    std::vector<bool> m_parent; // the key line names a key below the target
    std::vector<KeyBuilder> m_keys;
    std::unordered_map<std::u16string, std::size_t> m_keyIndex; // every-key mode: folded path -> key
    bool m_haveKey = false;                                     // a well-formed [key] line is open
    std::size_t m_current = kNone;                              // ... and it is one we keep
    const char* m_slowUntil;                                    // read line by line until here
    Arch m_arch = Arch::Unknown;
    bool m_stop = false;
};

} // namespace

HiveScan hiveScan() {
    return std::min(detectedScan(), static_cast<HiveScan>(g_scanLimit.load(std::memory_order_relaxed)));
}

void limitHiveScan(HiveScan widest) {
    g_scanLimit.store(static_cast<int>(widest), std::memory_order_relaxed);
}

const HiveValue* HiveKey::find(std::u16string_view name) const {
    for (const HiveValue& value : values) {
        if (equalsIgnoreCase(value.name, name))
            return &value;
    }
    return nullptr;
}

Hive readHiveKeys(std::string_view text, const std::vector<std::u16string>& paths) {
    return Scanner(LineReader(text), &paths).run();
}

Hive readHiveKeys(const HiveSource& source, std::size_t size, const std::vector<std::u16string>& paths) {
    return Scanner(LineReader(source, size), &paths).run();
}

Hive parseHive(std::string_view text) {
    return Scanner(LineReader(text), nullptr).run();
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

std::string ansiFromUtf16(std::string_view utf16le) {
    const std::size_t count = utf16le.size() / 2;
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf16le.data());
    const auto unitAt = [bytes](std::size_t i) {
        return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    // Two passes, measuring and then writing, so that a long value is converted in place.
    const auto convert = [&](auto&& put) {
        for (std::size_t i = 0; i < count; ++i) {
            const char16_t unit = unitAt(i);
            if (!QChar::isSurrogate(unit)) {
                put(unit);
            } else if (QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(unitAt(i + 1))) {
                put(QChar::surrogateToUcs4(unit, unitAt(i + 1)));
                ++i;
            } else {
                put(char32_t{0xfffd});
            }
        }
    };
    std::size_t length = 0;
    convert([&](char32_t code) { length += utf8Length(code); });
    std::string out(length, '\0');
    char* p = out.data();
    convert([&](char32_t code) { p = writeUtf8(p, code); });
    return out;
}

std::u16string utf16FromAnsi(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    std::size_t i = 0;
    while (i < ansi.size()) {
        const auto lead = static_cast<unsigned char>(ansi[i]);
        int extra = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xe0) == 0xc0) {
            extra = 1, code = lead & 0x1f, minimum = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            extra = 2, code = lead & 0x0f, minimum = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            extra = 3, code = lead & 0x07, minimum = 0x10000;
        } else {
            extra = -1;
        }
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < ansi.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(ansi[i + static_cast<std::size_t>(k)]);
            ok = (next & 0xc0) == 0x80;
            code = (code << 6) | (next & 0x3f);
        }
        ok = ok && code >= minimum && code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff);
        if (!ok) {
            out.push_back(u'\xfffd');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.push_back(QChar::highSurrogate(code));
            out.push_back(QChar::lowSurrogate(code));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

} // namespace quillmere::host
