// One selection in the main window's file list: look the save folder up in a multi-megabyte
// system.reg and read the selected character file. Compared with the least any program must do
// for the same answer, reading the bytes of those two files, and the ratio is printed at the end.
#include "game/character_file.h"
#include "game/regedit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace quillmere;

constexpr qsizetype kHiveBytes = 5 * 1024 * 1024;

// A Wine prefix whose system.reg is padded with ordinary-looking keys to about 5 MB, the game's key
// last so the lookup has to go through all of them.
struct BenchPrefix {
    QTemporaryDir dir;
    QString hivePath;
    QString savePath;

    BenchPrefix() {
        const QString prefix = dir.path() + QStringLiteral("/prefix");
        QDir().mkpath(prefix + QStringLiteral("/dosdevices"));
        QDir().mkpath(prefix + QStringLiteral("/drive_c/Games/Diablo II/Save"));
        QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
        qputenv("WINEPREFIX", QFile::encodeName(prefix));

        QByteArray hive = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
        for (int key = 0; hive.size() < kHiveBytes; ++key) {
            hive += "[Software\\\\Classes\\\\CLSID\\\\{" + QByteArray::number(0x10000000 + key, 16) +
                    "-1f2e-4d3c-8b7a-00c04fd430c8}\\\\InprocServer32] 1796616576\n#time=1dd8600c59fe734\n";
            hive += "@=\"C:\\\\windows\\\\system32\\\\component" + QByteArray::number(key) + ".dll\"\n";
            hive += "\"ThreadingModel\"=\"Both\"\n\n";
        }
        hive += "[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II] 1796616576\n";
        hive += "\"Program\"=\"C:\\\\Games\\\\Diablo II\\\\Game.exe\"\n";
        hive += "\"Save Path\"=\"C:\\\\Games\\\\Diablo II\\\\Save\"\n";
        hivePath = prefix + QStringLiteral("/system.reg");
        write(hivePath, hive);

        QByteArray save(989, '\0');
        save.replace(0, 8, QByteArray::fromHex("55aa55aa60000000")); // signed, version 96
        save[40] = 3;
        save[43] = 42;
        savePath = prefix + QStringLiteral("/drive_c/Games/Diablo II/Save/Hero.d2s");
        write(savePath, save);
    }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }
};

BenchPrefix& benchPrefix() {
    static BenchPrefix prefix;
    return prefix;
}

void BM_SelectionPreview(benchmark::State& state) {
    benchPrefix();
    for (auto _ : state) {
        const game::CharacterSummary summary =
            game::ReadCharacterFile(regedit::saveFolder(), QStringLiteral("Hero.d2s"));
        if (summary.level != 42)
            state.SkipWithError("the selection did not find the character");
        benchmark::DoNotOptimize(summary);
    }
}
BENCHMARK(BM_SelectionPreview)->Unit(benchmark::kMicrosecond);

std::vector<char> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<char> buffer(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    return buffer;
}

void BM_PeerReadBothFiles(benchmark::State& state) {
    const std::string hive = QFile::encodeName(benchPrefix().hivePath).toStdString();
    const std::string save = QFile::encodeName(benchPrefix().savePath).toStdString();
    for (auto _ : state) {
        benchmark::DoNotOptimize(readWhole(hive));
        benchmark::DoNotOptimize(readWhole(save));
    }
}
BENCHMARK(BM_PeerReadBothFiles)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration so the ratio can be printed after the table.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }

    struct Times {
        double real;
        double cpu;
    };
    std::map<std::string, Times> m_times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ours = reporter.m_times.find("BM_SelectionPreview");
    const auto peer = reporter.m_times.find("BM_PeerReadBothFiles");
    if (ours != reporter.m_times.end() && peer != reporter.m_times.end() && peer->second.real > 0 &&
        peer->second.cpu > 0)
        std::printf("selection preview / reading both files: %.2fx wall, %.2fx cpu (target <= 3x)\n",
                    ours->second.real / peer->second.real, ours->second.cpu / peer->second.cpu);
    return 0;
}
