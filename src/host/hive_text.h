#pragma once

#include "host/registry_hive.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// The pieces of Wine's registry text below the sections: lines, blanks, numbers, escaped names and
// value data, read the way wineserver reads them. Each function works on [p, end) and never reads
// past `end`.
namespace quillmere::host::hivetext {

// C's isspace() in the "C" locale, which is what wineserver's parser uses.
inline bool isSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == ' ' || (u >= '\t' && u <= '\r');
}

inline int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline const char* skipSpaces(const char* p, const char* end) {
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

inline bool startsWith(const char* p, const char* end, std::string_view tag) {
    return static_cast<std::size_t>(end - p) >= tag.size() && std::memcmp(p, tag.data(), tag.size()) == 0;
}

// Whether the character at `p` is escaped: an odd run of backslashes (not before `begin`) ends there.
inline bool isEscaped(const char* begin, const char* p) {
    std::size_t run = 0;
    while (p - run > begin && p[-1 - static_cast<std::ptrdiff_t>(run)] == '\\')
        ++run;
    return run % 2 == 1;
}

// The unescaped `c` at or after p, or null. An escape is a backslash and one character (the digits
// after \x or \N are never a quote, a bracket or a backslash), so a run of backslashes pairs up.
inline const char* findUnescaped(const char* p, const char* end, char c) {
    for (const char* from = p; const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));) {
        const char* q = static_cast<const char*>(found);
        if (!isEscaped(p, q))
            return q;
        from = q + 1;
    }
    return nullptr;
}

// strtoul(p, &p, 16): leading blanks, a sign, an optional 0x; p stays put when there are no digits.
std::uint64_t parseHexNumber(const char*& p, const char* end);

// One character of Wine's escaped text (p < end). False when a lone backslash ends the text.
bool decodeUnit(const char*& p, const char* end, char16_t& unit);

// Decodes escaped text up to `close`; returns the position after it, or null when it never comes.
const char* decodeString(const char* p, const char* end, char close, std::u16string& out);

// The same walk as decodeString's without decoding.
const char* skipString(const char* p, const char* end, char close);

// The name of a key line up to its closing bracket, decoded, empty components dropped.
std::u16string decodeKeyName(const char* p, const char* close);

// A key path with its empty components dropped ("a\\b\" is "a\b"), folded for comparing.
std::u16string foldedPath(std::u16string_view path);

// The lines of a hive's text, without their "\n" or "\r\n". wineserver reads them with fgets() and C
// string calls, so nothing after a NUL counts. The text is either all in memory or read from a
// source into a buffer as the lines are asked for: what is held starts at the line being read, so
// a line given out stays valid until the next call that reads on (next() or nextKeyLine()).
class Lines {
public:
    explicit Lines(std::string_view text);
    Lines(HiveSource& source, std::vector<char>& buffer);

    bool next(const char*& begin, const char*& end);

    // Offsets count from the start of the text.
    std::size_t position() const { return offsetOf(m_pos); }
    std::size_t offsetOf(const char* p) const { return m_offset + static_cast<std::size_t>(p - m_held); }
    // To a place still held: from where the last next() or nextKeyLine() set out, on.
    void seek(std::size_t offset) { m_pos = m_held + (offset - m_offset); }
    // The end of what is held; the end of the text once nextKeyLine() has returned it.
    const char* end() const { return m_end; }
    // Real hives hold no NUL; where one does, every line is cut at its first. Read ahead of the
    // lines given out, so known before any line that holds one.
    bool holdsNul() const { return m_holdsNul; }
    // The source failed: the text is not whole.
    bool failed() const { return m_failed; }

    // The next line from here that starts with '[' (after blanks), or the end of the text.
    const char* nextKeyLine() {
        // Mostly the first '[' held, right at the start of its line.
        const void* found = std::memchr(m_pos, '[', static_cast<std::size_t>(m_end - m_pos));
        const char* p = static_cast<const char*>(found);
        if (p && (p == m_pos || p[-1] == '\n'))
            return p;
        return nextKeyLineLooking();
    }
    // A line holding a backslash may carry hex data on into the next one: the first of the lines
    // from here on that might carry on into the line at `lineStart`, or that line itself.
    const char* mayCarryOnFrom(const char* lineStart) const;

    // Goes on past key line after key line, without a look at the lines between, while the next is
    // held whole, has a blank line or none before it (so nothing can carry on into it) and
    // `passes(name, end)` says so of its name, from just after its '[' to the end of the line.
    // Where it stops, nextKeyLine() and mayCarryOnFrom() take a closer look. Only while the text
    // holds no NUL.
    template <typename Passes> void passKeyLines(Passes passes) {
        for (;;) {
            const auto held = [this](const char* p) { return static_cast<std::size_t>(m_end - p); };
            const auto* key = static_cast<const char*>(std::memchr(m_pos, '[', held(m_pos)));
            if (!key || (key != m_pos && (key[-1] != '\n' || (key - 1 != m_pos && key[-2] != '\n'))))
                return;
            const auto* newline = static_cast<const char*>(std::memchr(key, '\n', held(key)));
            if (!newline || !passes(key + 1, newline[-1] == '\r' ? newline - 1 : newline))
                return;
            m_pos = newline + 1;
        }
    }

private:
    const char* nextKeyLineLooking();
    const char* readToNewline();
    bool readMore();
    const char* lineBefore(const char* lineStart) const;

    HiveSource* m_source = nullptr;
    std::vector<char>* m_buffer = nullptr;
    const char* m_held;       // what is held starts here ...
    std::size_t m_offset = 0; // ... at this offset of the text
    const char* m_pos;
    const char* m_end;
    bool m_holdsNul = false;
    bool m_whole; // nothing more to read
    bool m_failed = false;
};

inline Lines::Lines(std::string_view text)
    : m_held(text.data())
    , m_pos(text.data())
    , m_end(text.data() + text.size())
    , m_holdsNul(std::memchr(text.data(), '\0', text.size()) != nullptr)
    , m_whole(true) {}

inline bool Lines::next(const char*& begin, const char*& end) {
    const void* newline = std::memchr(m_pos, '\n', static_cast<std::size_t>(m_end - m_pos));
    if (!newline && !m_whole)
        newline = readToNewline();
    if (m_pos == m_end)
        return false;
    begin = m_pos;
    const char* lineEnd = newline ? static_cast<const char*>(newline) : m_end;
    m_pos = newline ? lineEnd + 1 : m_end;
    const void* nul = m_holdsNul ? std::memchr(begin, '\0', static_cast<std::size_t>(lineEnd - begin)) : nullptr;
    end = nul ? static_cast<const char*>(nul) : lineEnd > begin && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
    return true;
}

inline const char* Lines::mayCarryOnFrom(const char* lineStart) const {
    const char* from = lineStart;
    while (from > m_pos && from[-1] == '\n') {
        const char* before = lineBefore(from);
        if (before == from - 1 || !std::memchr(before, '\\', static_cast<std::size_t>(from - 1 - before)))
            break;
        from = before;
    }
    return from;
}

inline const char* Lines::lineBefore(const char* lineStart) const {
    const char* p = lineStart - 1;
    while (p > m_pos && p[-1] != '\n')
        --p;
    return p;
}

// The data after a value's "=": a quoted string, str(N):"...", dword:, hex: or hex(N): with "\"
// continuation lines taken from `lines`. `value` is null when only the lines it takes matter.
// False, with nothing stored, when wineserver would reject the data.
bool parseValueData(const char* p, const char* end, Lines& lines, HiveValue* value);

} // namespace quillmere::host::hivetext
