// Feeds arbitrary bytes to the hive reader. The first line names a key to look up; the rest is the
// hive text. The lookup, which compares key lines before decoding them, must agree with a full
// parse of every line.
#include "host/registry_hive.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace quillmere::host;

namespace {

std::u16string foldedPath(std::u16string_view path) {
    std::u16string out;
    for (const char16_t unit : path) {
        if (unit == u'\\' && (out.empty() || out.back() == u'\\'))
            continue;
        out.push_back(foldCase(unit));
    }
    if (!out.empty() && out.back() == u'\\')
        out.pop_back();
    return out;
}

bool sameValues(const std::vector<HiveValue>& a, const std::vector<HiveValue>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const HiveValue& x, const HiveValue& y) {
        return x.name == y.name && x.type == y.type && x.data == y.data;
    });
}

const std::vector<HiveValue>& parsedValues(const Hive& all, const std::u16string& path) {
    static const std::vector<HiveValue> kNone;
    const std::u16string target = foldedPath(path);
    for (const HiveKey& key : all.keys) {
        if (foldedPath(key.path) == target)
            return key.values;
    }
    return kNone;
}

// The lookup of the keys asked for against the full parse of the same text.
void checkAgainstFullParse(std::string_view text, const std::u16string& named) {
    const Hive all = parseHive(text);
    const std::vector<std::u16string> paths{named, u"Software\\Blizzard Entertainment\\Diablo II",
                                            u"Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II", named, u""};
    const Hive some = readHiveKeys(text, paths);
    if (some.keys.size() != paths.size() || some.valid != all.valid || some.win64 != all.win64)
        __builtin_trap();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const HiveKey& found = some.keys[i];
        if (!sameValues(found.values, parsedValues(all, paths[i])))
            __builtin_trap();
        for (const HiveValue& value : found.values) {
            if (found.find(value.name) != &value)
                __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view wanted = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? input : input.substr(newline + 1);
    const std::u16string named =
        QString::fromUtf8(wanted.data(), static_cast<qsizetype>(wanted.size())).toStdU16String();

    checkAgainstFullParse(text, named);
    // Without a NUL the lookup passes over unwanted keys instead of reading every line.
    std::string withoutNul(text);
    std::erase(withoutNul, '\0');
    checkAgainstFullParse(withoutNul, named);
    return 0;
}
