#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Wine's registry files (system.reg, user.reg) read straight from their text, the way wineserver
// loads them: "WINE REGISTRY Version 2", then [key] sections of "name"=data lines.
namespace quillmere::host {

// Value types as Windows numbers them.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

struct HiveValue {
    std::u16string name; // empty for the default value "@"
    std::uint32_t type = kRegNone;
    // Raw data as Windows keeps it: strings in UTF-16LE with the terminating NUL they were written
    // with, DWORDs little-endian. A line wineserver rejects leaves the value with type 0 and no data.
    std::string data;
};

struct HiveKey {
    std::u16string path; // components joined by single backslashes
    std::vector<HiveValue> values;

    const HiveValue* find(std::u16string_view name) const; // case-insensitive
};

struct Hive {
    bool valid = false; // the text starts with Wine's header line
    bool win64 = false; // "#arch=win64": 32-bit programs see Software\Wow6432Node
    std::vector<HiveKey> keys;
};

// The keys named in `paths`, one result per path in the same order, read in one pass over the
// text. Names match case-insensitively; empty path components are ignored on both sides. A key
// that appears in several sections gets their values together, a later line replacing an earlier
// value of the same name. Key lines are compared as Wine writes them and decoded only when an
// escape or a character beyond ASCII leaves the raw comparison unsure.
Hive readHiveKeys(std::string_view text, const std::vector<std::u16string>& paths);

// Where a hive's text comes from when it is read a piece at a time, as from a file.
class HiveSource {
public:
    virtual ~HiveSource() = default;
    // Up to `most` more bytes into `into`: how many, 0 at the end, -1 when reading failed.
    virtual std::ptrdiff_t read(char* into, std::size_t most) = 0;
};

// The same, with the text read from `source` into `buffer` (which it may grow) as the lines are
// needed, so that a big hive is never held whole. A source that fails gives an invalid hive.
Hive readHiveKeys(HiveSource& source, std::vector<char>& buffer, const std::vector<std::u16string>& paths);

// Every key that has a section of its own, in order of first appearance, each line decoded in
// full: what readHiveKeys must agree with.
Hive parseHive(std::string_view text);

// Windows' case-insensitive comparison of names: one UTF-16 unit at a time, by simple upper case.
char16_t foldCase(char16_t unit);
bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);

} // namespace quillmere::host
