#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The pieces of Wine's registry text below the line: blanks, numbers and escaped text, read the
// way wineserver reads them. Each function works on [p, end) and never reads past `end`.
namespace quillmere::host::hivetext {

// C's isspace() in the "C" locale, which is what wineserver's parser uses.
bool isSpace(char c);

int hexValue(char c);

const char* skipSpaces(const char* p, const char* end);

// wineserver reads its lines with fgets() and C string calls: nothing after a NUL counts.
const char* contentEnd(const char* begin, const char* end);

bool startsWith(const char* p, const char* end, std::string_view tag);

// strtoul(p, &p, 16): leading blanks, a sign, an optional 0x; p stays put when there are no digits.
std::uint64_t parseHexNumber(const char*& p, const char* end);

// One character of Wine's escaped text (p < end). False when a lone backslash ends the text.
bool decodeUnit(const char*& p, const char* end, char16_t& unit);

// Decodes escaped text up to `close`; returns the position after it, or null when it never comes.
const char* decodeString(const char* p, const char* end, char close, std::u16string& out);

// The unescaped `c` at or after p, or null. An escape is a backslash and one character (the digits
// after \x or \N are never a quote, a bracket or a backslash), so a run of backslashes pairs up.
const char* findUnescaped(const char* p, const char* end, char c);

// The same walk as decodeString's without decoding.
const char* skipString(const char* p, const char* end, char close);

} // namespace quillmere::host::hivetext
