// The lookup compares key lines as Wine writes them and decodes only where it must; it must still
// find exactly what a full parse of every line finds.
#include "host/registry_hive.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

namespace quillmere::host {
namespace {

using namespace std::string_literals;

const std::u16string kGame = u"Software\\Blizzard Entertainment\\Diablo II";
const std::u16string kWow = u"Software\\Wow6432Node\\Blizzard Entertainment\\Diablo II";

std::vector<std::pair<std::u16string, std::string>> valuesOf(const HiveKey& key) {
    std::vector<std::pair<std::u16string, std::string>> out;
    for (const HiveValue& value : key.values)
        out.emplace_back(value.name, std::to_string(value.type) + ":" + value.data);
    return out;
}

// The values of the key a full parse has under `path`, none when it has no such key.
std::vector<std::pair<std::u16string, std::string>> parsedValues(const Hive& all, std::u16string_view path) {
    for (const HiveKey& key : all.keys) {
        if (equalsIgnoreCase(key.path, path))
            return valuesOf(key);
    }
    return {};
}

// A text given out a few bytes at a time, as a file may be.
class InPieces final : public HiveSource {
public:
    InPieces(std::string_view text, std::size_t piece, std::size_t failAfter = std::string_view::npos)
        : m_text(text)
        , m_piece(piece)
        , m_failAfter(failAfter) {}

    std::ptrdiff_t read(char* into, std::size_t most) override {
        if (m_at >= m_failAfter)
            return -1;
        const std::size_t size = std::min({most, m_piece, m_text.size() - m_at});
        std::copy_n(m_text.data() + m_at, size, into);
        m_at += size;
        return static_cast<std::ptrdiff_t>(size);
    }

private:
    std::string_view m_text;
    std::size_t m_piece;
    std::size_t m_failAfter;
    std::size_t m_at = 0;
};

// The lookup of a text read a piece at a time, through buffers far smaller than its lines, finds
// what the lookup of the whole text finds.
void expectSameInPieces(const std::string& text, const std::vector<std::u16string>& paths, const Hive& whole,
                        int round) {
    for (const auto& [piece, bufferBytes] : {std::pair<std::size_t, std::size_t>{1, 2}, {3, 16}, {7, 5}, {64, 4096}}) {
        InPieces source(text, piece);
        std::vector<char> buffer(bufferBytes);
        const Hive some = readHiveKeys(source, buffer, paths);
        EXPECT_EQ(some.valid, whole.valid) << "round " << round << " piece " << piece;
        EXPECT_EQ(some.win64, whole.win64) << "round " << round << " piece " << piece;
        ASSERT_EQ(some.keys.size(), whole.keys.size());
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(valuesOf(some.keys[i]), valuesOf(whole.keys[i])) << "round " << round << " piece " << piece;
    }
}

// The text of the string value `name` of the one key looked up in `text`; "-" when there is none.
std::u16string lookUp(const std::string& text, const std::u16string& path, const std::u16string& name = u"v") {
    const Hive hive = readHiveKeys("WINE REGISTRY Version 2\n" + text, {path});
    const HiveValue* value = hive.keys.at(0).find(name);
    if (!value)
        return u"-";
    std::u16string out;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2)
        out.push_back(char16_t(static_cast<unsigned char>(value->data[i]) | value->data[i + 1] << 8));
    return out.substr(0, out.find(u'\0'));
}

TEST(HiveReader, KeyLinesSpeltOtherwiseThanWineWritesThemStillMatch) {
    EXPECT_EQ(lookUp("[software\\\\BLIZZARD entertainment\\\\diablo ii]\n\"v\"=\"case\"\n", kGame), u"case");
    EXPECT_EQ(lookUp("[\\x53oftware\\\\Blizzard Entertainment\\\\Diablo II]\n\"v\"=\"escape\"\n", kGame), u"escape");
    EXPECT_EQ(lookUp("[Software\\\\\\\\Blizzard Entertainment\\\\Diablo II\\\\] 1\n\"v\"=\"empty parts\"\n", kGame),
              u"empty parts");
    EXPECT_EQ(lookUp("[\\\\Software\\\\Blizzard Entertainment\\\\Diablo II]\n\"v\"=\"leading\"\n", kGame), u"leading");
    EXPECT_EQ(lookUp("[Software\\\\Caf\\xe9]\n\"v\"=\"accent\"\n", u"software\\CAFÉ"), u"accent");
    EXPECT_EQ(lookUp("[Software\\\\Caf\xe9]\n\"v\"=\"latin-1 byte\"\n", u"Software\\Café"), u"latin-1 byte");
    EXPECT_EQ(lookUp("[Software\\\\Brackets \\[a\\]] 2\n\"v\"=\"brackets\"\n", u"Software\\Brackets [a]"), u"brackets");
}

TEST(HiveReader, NearMissesAndRelativesOfTheKeyAreOtherKeys) {
    for (const char* line :
         {"[Software\\\\Blizzard Entertainment\\\\Diablo IIx]", "[Software\\\\Blizzard Entertainment]",
          "[Software\\\\Blizzard Entertainment\\\\Diablo II\\\\Sub]",
          "[Software\\\\Blizzard Entertainment\\\\Diablo I]", "[Software\\\\Blizzard Entertainment\\\\Diablo\\\\II]",
          "[Software\\\\Blizzard Entertainment\\\\Diablo II\\]]"})
        EXPECT_EQ(lookUp(line + "\n\"v\"=\"other\"\n"s, kGame), u"-") << line;
}

TEST(HiveReader, ContinuedHexLinesSwallowKeyLinesInUnwantedKeysToo) {
    const std::string text =
        "WINE REGISTRY Version 2\n"
        "[Software\\\\Other]\n\"Blob\"=hex:00,01,\\\n"
        "[Software\\\\Blizzard Entertainment\\\\Diablo II]\n"
        "\"Save Path\"=\"swallowed\"\n"
        "[Software\\\\Other]\n\"Path\"=\"C:\\\\x\"\n"
        "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]\n\"Save Path\"=\"found\"\n";
    const Hive hive = readHiveKeys(text, {kGame, kWow});
    ASSERT_TRUE(hive.valid);
    EXPECT_TRUE(hive.keys[0].values.empty());
    ASSERT_EQ(hive.keys[1].values.size(), 1u);
    EXPECT_EQ(hive.keys[1].values[0].data, std::string("f\0o\0u\0n\0d\0\0\0", 12));
}

TEST(HiveReader, APathAskedForTwiceGetsTheSameKeyTwice) {
    const Hive hive = readHiveKeys("WINE REGISTRY Version 2\n[A\\\\B]\n\"v\"=\"x\"\n", {u"a\\b", u"X", u"A\\\\B\\"});
    ASSERT_EQ(hive.keys.size(), 3u);
    EXPECT_EQ(valuesOf(hive.keys[0]), valuesOf(hive.keys[2]));
    EXPECT_EQ(hive.keys[0].values.size(), 1u);
    EXPECT_TRUE(hive.keys[1].values.empty());
}

TEST(HiveReader, LookupAgreesWithAFullParse) {
    // Pieces that stress the raw comparison: no blank lines, escaped names, brackets in data,
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
        "  [System\\\\Thing] 8\n\"Nul\"=\"a\0b\"\n#time=1\n"s,
        "[Software\\\\Blizzard Entertainment\\\\Diablo II\n\"Lost\"=\"no bracket\"\n",
        "\n#arch=win32\n",
        "[Software\\\\Long] 9\n\"Big\"=\"" + std::string(300000, 'z') + "\"\n",
        "[" + std::string(200000, 'S') + "\n",
        "\"Stray\"=\"value\\\\\"\n; comment [x]\n",
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
        "\n[Software\\\\Classes\\\\Cut\x02"s + std::string(8, '\0') + "[Software\\\\Other] 19\\\n#arch=win32\nx\n",
    };
    const std::vector<std::u16string> withRoot = {
        kGame, kWow, u"Software", u"software\\other", u"System\\Thing", kGame + u"\\Sub [1]", u"Software\\été", u""};
    const std::vector<std::u16string> withoutRoot(withRoot.begin(), withRoot.end() - 1);
    const std::vector<std::u16string> game = {kGame, kWow, u"software\\other", u"System\\Thing"};
    const std::vector<std::u16string>* pathSets[] = {&withRoot, &withoutRoot, &game};
    std::mt19937 random(42);
    for (int round = 0; round < 270; ++round) {
        const std::vector<std::u16string>& paths = *pathSets[round % 3];
        std::string text = round % 2 ? "WINE REGISTRY Version 2\n#arch=win64\n" : "WINE REGISTRY Version 2\n";
        for (int i = 0; i < 12; ++i)
            text += pieces[random() % pieces.size()];
        const Hive all = parseHive(text);
        const Hive some = readHiveKeys(text, paths);
        EXPECT_EQ(some.valid, all.valid);
        EXPECT_EQ(some.win64, all.win64);
        ASSERT_EQ(some.keys.size(), paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(valuesOf(some.keys[i]), parsedValues(all, paths[i])) << "round " << round << " path " << i;
        expectSameInPieces(text, paths, some, round);
    }
}

TEST(HiveReader, ASourceThatFailsGivesNoHiveWhereverItFails) {
    const std::string text = "WINE REGISTRY Version 2\n[Software\\\\Blizzard Entertainment\\\\Diablo II]\n"
                             "\"Save Path\"=\"C:\\\\x\"\n";
    for (const std::size_t failAfter : {std::size_t(0), std::size_t(10), text.size() - 1, text.size()}) {
        InPieces source(text, 4, failAfter);
        std::vector<char> buffer(8);
        EXPECT_FALSE(readHiveKeys(source, buffer, {kGame}).valid) << failAfter;
    }
    InPieces whole(text, 4);
    std::vector<char> buffer(8);
    const Hive hive = readHiveKeys(whole, buffer, {kGame});
    ASSERT_TRUE(hive.valid);
    EXPECT_TRUE(hive.keys[0].find(u"Save Path"));
}

// A hive of Wine's usual shape (sections after blank lines, sorted, a "#time=" line each), but
// with key names close to the wanted ones and the faults a hand-edited hive may hold. Without a
// NUL the lookup passes over unwanted keys from key line to key line.
std::string wineLikeHive(std::mt19937& random) {
    static const char* const names[] = {
        "Software\\\\Blizzard Entertainment\\\\Diablo II",
        "software\\\\BLIZZARD entertainment\\\\diablo ii",
        "Software\\\\Blizzard Entertainment\\\\Diablo IIx",
        "Software\\\\Blizzard Entertainment\\\\Diablo I",
        "Software\\\\Blizzard Entertainment\\\\Diablo II\\\\",
        "Software\\\\Blizzard Entertainment\\\\Diablo II\\\\Sub",
        "Software\\\\Blizzard Entertainment\\\\Diablo \\]II",
        "Software\\\\Blizzard Entertainment\\\\Diablo II] junk",
        "\\x53oftware\\\\Blizzard Entertainment\\\\Diablo II",
        "Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II",
        "Software\\\\Classes\\\\CLSID\\\\{0001}",
        "Software\\\\Classes\\\\CLSID\\\\{0002}",
        "Software\\\\Classes\\\\CLSID\\\\{0\\]02}",
        "Software\\\\Classes\\\\CLSID\\\\{000]}",
        "Software\\\\Caf\xe9",
        "System\\\\Thing",
    };
    static const char* const bodies[] = {
        "\"Save Path\"=\"C:\\\\x\"\n",
        "\"Program\"=\"[y]\"\n",
        "@=\"d\"\n",
        "\"Blob\"=hex:00,01,\\\n  02\n",
        "\"Cont\"=hex:00,\\\n",
        "#arch=win32\n",
        "#arch=win16\n",
        "\"v\"=dword:1\n",
        "; comment ]\n",
        "\"Save Path\"=str(2):\"%x%\"\n",
    };
    static const char* const closings[] = {"] 1796616576", "]", "", "\\]", "] x] 2"};
    std::vector<std::string> sections;
    for (int i = 0; i < 40; ++i) {
        std::string section = random() % 4 ? "\n" : "";
        section += std::string(random() % 5 ? "" : "  ") + "[" + names[random() % std::size(names)] +
                   closings[random() % 8 < 5 ? 0 : random() % std::size(closings)] + "\n#time=1d8\n";
        for (int b = int(random() % 4); b > 0; --b)
            section += bodies[random() % std::size(bodies)];
        sections.push_back(section);
    }
    if (random() % 2)
        std::sort(sections.begin(), sections.end());
    std::string text = random() % 2 ? "WINE REGISTRY Version 2\n#arch=win64\n" : "WINE REGISTRY Version 2\n";
    for (const std::string& section : sections)
        text += section;
    return text;
}

TEST(HiveReader, PassingOverUnwantedKeysAgreesWithAFullParse) {
    const std::vector<std::u16string> paths = {kGame, kWow, u"Software\\Classes\\CLSID\\{0002}", u"System\\Thing"};
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        const std::string text = wineLikeHive(random);
        ASSERT_EQ(text.find('\0'), std::string::npos);
        const Hive all = parseHive(text);
        const Hive some = readHiveKeys(text, paths);
        EXPECT_EQ(some.win64, all.win64) << round;
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(valuesOf(some.keys[i]), parsedValues(all, paths[i])) << "round " << round << " path " << i;
        expectSameInPieces(text, paths, some, round);
    }
}

} // namespace
} // namespace quillmere::host
