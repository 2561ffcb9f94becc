// Feeds arbitrary bytes to the hive reader. The first line names a key to look up; the rest is the
// hive text. Every key is also parsed, and every string value converted as advapi32 would.
#include "platform/registry_hive.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace quillmere::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view wanted = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? input : input.substr(newline + 1);

    const std::vector<std::u16string> paths{utf16FromAnsi(wanted), u"Software\\Blizzard Entertainment\\Diablo II",
                                            utf16FromAnsi(wanted), u""};
    const Hive some = readHiveKeys(text, paths);
    if (some.keys.size() != paths.size())
        __builtin_trap();
    const Hive all = parseHive(text);
    if (some.valid != all.valid || some.win64 != all.win64)
        __builtin_trap();

    std::size_t total = 0;
    for (const Hive* hive : {&some, &all}) {
        for (const HiveKey& key : hive->keys) {
            for (const HiveValue& value : key.values) {
                if (value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz)
                    total += ansiFromUtf16(value.data).size();
                if (key.find(value.name) == nullptr)
                    __builtin_trap();
            }
        }
    }
    return total == static_cast<std::size_t>(-1);
}
