// Feeds arbitrary bytes to the hive reader. The first line names a key to look up; the rest is the
// hive text. The lookup, which compares key lines before decoding them, must agree with a full
// parse of every line, whether it has the whole text or reads it a few bytes at a time.
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

// The text a few bytes at a time, as a file may give it.
class InPieces final : public HiveSource {
public:
    InPieces(std::string_view text, std::size_t piece)
        : m_text(text)
        , m_piece(piece) {}

    std::ptrdiff_t read(char* into, std::size_t most) override {
        const std::size_t size = std::min({most, m_piece, m_text.size()});
        std::copy_n(m_text.data(), size, into);
        m_text.remove_prefix(size);
        return static_cast<std::ptrdiff_t>(size);
    }

private:
    std::string_view m_text;
    std::size_t m_piece;
};

// The lookup of the keys asked for against the full parse of the same text.
void checkAgainstFullParse(std::string_view text, const std::u16string& named, bool inPieces) {
    const Hive all = parseHive(text);
    const std::vector<std::u16string> paths{named, u"Software\\Blizzard Entertainment\\Diablo II",
                                            u"Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II", named, u""};
    // Pieces and a buffer that vary with the text, far smaller than most of its lines.
    InPieces source(text, 1 + text.size() % 13);
    std::vector<char> buffer(2 + text.size() % 7);
    const Hive some = inPieces ? readHiveKeys(source, buffer, paths) : readHiveKeys(text, paths);
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

    // Without a NUL the lookup passes over unwanted keys instead of reading every line; read a
    // piece at a time, it does so until it comes to a NUL.
    std::string withoutNul(text);
    std::erase(withoutNul, '\0');
    for (const bool inPieces : {false, true}) {
        checkAgainstFullParse(text, named, inPieces);
        checkAgainstFullParse(withoutNul, named, inPieces);
    }
    return 0;
}
