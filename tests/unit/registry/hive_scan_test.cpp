// The quick lookup passes over unwanted keys without reading their lines; it must still find
// exactly what a full line-by-line parse finds.
#include "host/registry_hive.h"

#include <algorithm>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

namespace quillmere::host {
namespace {

const std::u16string kGame = u"Software\\Blizzard Entertainment\\Diablo II";
const std::u16string kWow = u"Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II";

// The lookup fed through a source that hands out a few bytes at a time.
Hive readInPieces(std::string_view text, const std::vector<std::u16string>& paths, std::size_t piece) {
    std::size_t offset = 0;
    return readHiveKeys(
        [&](char* into, std::size_t room) {
            const std::size_t count = std::min({room, piece, text.size() - offset});
            std::memcpy(into, text.data() + offset, count);
            offset += count;
            return count;
        },
        text.size(), paths);
}

std::vector<std::pair<std::u16string, std::string>> valuesOf(const HiveKey& key) {
    std::vector<std::pair<std::u16string, std::string>> out;
    for (const HiveValue& value : key.values)
        out.emplace_back(value.name, std::to_string(value.type) + ":" + value.data);
    return out;
}

TEST(HiveScan, ContinuedHexLinesSwallowKeyLinesInUnwantedKeysToo) {
    const std::string text =
        "WINE REGISTRY Version 2\n"
        "[Software\\\\Other]\n\"Blob\"=hex:00,01,\\\n"
        "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n"
        "\"Save Path\"=\"swallowed\"\n"
        "[Software\\\\Other]\n\"Path\"=\"C:\\\\x\"\n"
        "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"found\"\n";
    for (const Hive& hive : {readHiveKeys(text, {kGame, kWow}), readInPieces(text, {kGame, kWow}, 3)}) {
        ASSERT_TRUE(hive.valid);
        EXPECT_TRUE(hive.keys[0].values.empty());
        ASSERT_EQ(hive.keys[1].values.size(), 1u);
        EXPECT_EQ(hive.keys[1].values[0].data, std::string("f\0o\0u\0n\0d\0\0\0", 12));
    }
}

TEST(HiveScan, QuickLookupAgreesWithAFullParse) {
    // Pieces that stress the quick path: no blank lines, escaped names, brackets in data,
    // continued lines, CRLF, NULs, huge lines, and sections that come back.
    const std::vector<std::string> pieces = {
        "[Software\\\\Blizzard Entertainment\\\\Diablo II] 1\n\"Save Path\"=\"C:\\\\a\"\n",
        "\n[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II] 2\n\"Program\"=\"x\"\n",
        "[\\x53oftware\\\\BLIZZARD Entertainment\\\\Diablo II\\\\] 3\n\"Save Path\"=\"escaped\"\n",
        "[Software\\\\Blizzard Entertainment\\\\Diablo II\\\\Sub \\[1\\]] 4\n\"x\"=\"[y]\"\n",
        "[Software\\\\Blizzard Entertainment\\\\Diablo IIx] 5\n\"Save Path\"=\"near miss\"\n",
        "[Software\\\\Classes\\\\CLSID\\\\{1}] 6\n@=\"C:\\\\dll\"\n[not a key\n",
        "[Software\\\\Other] 7\n\"Blob\"=hex:00,01,\\\n  02\n\"B2\"=hex(1):41,00,\\\n",
        "[Software\\\\Unwanted] 10\n\"Blob\"=hex:00,\\\n  01,\\\n",
        "[Software\\\\Other] 7\r\n\"Path\"=\"C:\\\\x\"\r\n\r\n",
        "  [System\\\\Thing] 8\n\"Nul\"=\"a\0b\"\n#time=1\n",
        "[Software\\\\Blizzard Entertainment\\\\Diablo II\n\"Lost\"=\"no bracket\"\n",
        "\n#arch=win32\n",
        "[Software\\\\Long] 9\n\"Big\"=\"" + std::string(300000, 'z') + "\"\n",
        "[" + std::string(200000, 'S') + "\n",
        "\"Stray\"=\"value\\\\\"\n; comment [x]\n",
        // Runs of keys after blank lines, judged by their first 16 bytes alone.
        "\n[Software\\\\Classes\\\\CLSID\\\\{2}] 6\n@=\"a\"\n\n[Software\\\\Classes\\\\CLSID\\\\{3}] 6\n\n",
        "\n[software\\\\blizzard entertainment\\\\diablo ii] 11\n\"Save Path\"=\"lower\"\n\n",
        "\n[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II\\\\Sub] 12\n\n",
        "\n[Softwar\\x65\\\\Other] 13\n\"e\"=\"escaped e\"\n\n",
        "\n[Software\\\\\xc3\xa9t\xc3\xa9] 14\n\"Accent\"=\"1\"\n\n",
        "\n[Softwa\\\\re\\\\Other] 16\n\"Split\"=\"1\"\n\n",
        "\n[Sys] 15\n",
        // A key line without its bracket leaves no key open, so "#arch=" counts again after it.
        "\n[Software\\\\Classes\\\\Broken 17\n#arch=win32\n\n",
        "\n[Software\\\\Classes\\\\Whole] 18\n#arch=win32\n\n",
        std::string("\n[Software\\\\Classes\\\\Cut\x02") + std::string(8, '\0') +
            "[Software\\\\Other] 19\\\n#arch=win32\nx\n",
    };
    // With the root among them every key line is read in full.
    const std::vector<std::u16string> withRoot = {
        kGame, kWow, u"Software", u"software\\other", u"System\\Thing", kGame + u"\\Sub [1]", u""};
    const std::vector<std::u16string> withoutRoot(withRoot.begin(), withRoot.end() - 1);
    // Without "Software" itself, most Software\... lines differ from every wanted key early.
    const std::vector<std::u16string> game = {kGame, kWow, u"software\\other", u"System\\Thing"};
    const std::vector<std::u16string>* pathSets[] = {&withRoot, &withoutRoot, &game};
    const HiveScan scans[] = {HiveScan::Portable, HiveScan::Avx2, HiveScan::Avx512};
    std::mt19937 random(42);
    for (int round = 0; round < 270; ++round) {
        const std::vector<std::u16string>& paths = *pathSets[round % 3];
        limitHiveScan(scans[round / 3 % 3]);
        std::string text = round % 3 ? "WINE REGISTRY Version 2\n#arch=win64\n" : "WINE REGISTRY Version 2\n";
        for (int i = 0; i < 12; ++i)
            text += pieces[random() % pieces.size()];
        const Hive all = parseHive(text);
        const Hive quick = readHiveKeys(text, paths);
        const Hive pieced = readInPieces(text, paths, 1 + random() % 5000);
        EXPECT_EQ(quick.win64, all.win64);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const HiveKey* exact = nullptr;
            for (const HiveKey& key : all.keys) {
                if (equalsIgnoreCase(key.path, paths[i]))
                    exact = &key;
            }
            const auto expected = exact ? valuesOf(*exact) : std::vector<std::pair<std::u16string, std::string>>{};
            EXPECT_EQ(valuesOf(quick.keys[i]), expected) << "round " << round << " path " << i;
            EXPECT_EQ(valuesOf(pieced.keys[i]), expected) << "round " << round << " path " << i;
            EXPECT_EQ(pieced.keys[i].present, quick.keys[i].present);
        }
    }
    limitHiveScan(HiveScan::Avx512);
}

} // namespace
} // namespace quillmere::host
