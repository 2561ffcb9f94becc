// Feeds arbitrary bytes to the hive reader. The first line names a key to look up; the rest is the
// hive text. The quick lookup, fed in small pieces, must agree with a full parse of every line.
#include "host/registry_hive.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view wanted = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? input : input.substr(newline + 1);

    const Hive all = parseHive(text);
    // With the root among the wanted keys every key line is read; without it most are judged by
    // their first bytes only. Both must agree with the full parse.
    const std::vector<std::u16string> withRoot{utf16FromAnsi(wanted), u"Software\\Blizzard Entertainment\\Diablo II",
                                               u"Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II",
                                               utf16FromAnsi(wanted), u""};
    const std::vector<std::u16string> withoutRoot(withRoot.begin(), withRoot.end() - 1);
    limitHiveScan(static_cast<HiveScan>(size % 3)); // each way of passing over unwanted keys
    for (const std::vector<std::u16string>* pathSet : {&withRoot, &withoutRoot}) {
        const std::vector<std::u16string>& paths = *pathSet;
        std::size_t offset = 0;
        const Hive some = readHiveKeys(
            [&](char* into, std::size_t room) {
                const std::size_t count = std::min({room, text.size() - offset, std::size_t{1} + offset % 7});
                std::memcpy(into, text.data() + offset, count);
                offset += count;
                return count;
            },
            text.size(), paths);
        if (some.keys.size() != paths.size() || some.valid != all.valid || some.win64 != all.win64)
            __builtin_trap();

        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::u16string target = foldedPath(paths[i]);
            bool present = target.empty() && all.valid;
            const HiveKey* exact = nullptr;
            for (const HiveKey& key : all.keys) {
                const std::u16string path = foldedPath(key.path);
                if (path == target)
                    exact = &key;
                present = present || path == target || path.starts_with(target + u'\\');
            }
            const HiveKey& found = some.keys[i];
            if (found.present != present || !sameValues(found.values, exact ? exact->values : std::vector<HiveValue>{}))
                __builtin_trap();
            for (const HiveValue& value : found.values) {
                if (found.find(value.name) != &value)
                    __builtin_trap();
                if (value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz)
                    offset += ansiFromUtf16(value.data).size() & 1;
            }
        }
    }
    return 0;
}
