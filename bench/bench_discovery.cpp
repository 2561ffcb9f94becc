// Discovery over a home holding 30 prefixes (bench/make_bench_home.sh): finding the prefixes and
// the games in each, against the least any program must do for the same answer, listing the same
// places and reading every prefix's two hive files. The home named by QUILLMERE_BENCH_HOME is used
// when set, so that bench/startup_memory.sh can time discovery over the home it starts the program in.
#include "game/games.h"
#include "host/prefix_discovery.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

using namespace quillmere;

struct BenchHome {
    QTemporaryDir dir;
    QString home;

    BenchHome() {
        home = qEnvironmentVariable("QUILLMERE_BENCH_HOME");
        if (!home.isEmpty())
            return;
        home = dir.path() + QStringLiteral("/home");
        const QString script = QStringLiteral(QUILLMERE_BENCH_HOME_SCRIPT);
        if (QProcess::execute(QStringLiteral("bash"), {script, home}) != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(script));
            std::abort();
        }
    }
};

BenchHome& benchHome() {
    static BenchHome home;
    return home;
}

void discoverGames(benchmark::State& state, games::LookingCores cores) {
    const QString home = benchHome().home;
    for (auto _ : state) {
        const QList<games::Game> found = games::gamesInPrefixes(host::discoverPrefixes(home, {}), cores);
        if (found.size() != 1)
            state.SkipWithError("expected exactly one game in the bench home");
        benchmark::DoNotOptimize(found);
    }
}

void BM_DiscoverGames(benchmark::State& state) {
    discoverGames(state, games::LookingCores::All);
}
BENCHMARK(BM_DiscoverGames)->Unit(benchmark::kMillisecond);

// As at start-up, a core left to the window.
void BM_DiscoverGamesAtStartUp(benchmark::State& state) {
    discoverGames(state, games::LookingCores::AllButOne);
}
BENCHMARK(BM_DiscoverGamesAtStartUp)->Unit(benchmark::kMillisecond);

void readWhole(const QString& path) {
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::ate);
    std::vector<char> buffer(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    benchmark::DoNotOptimize(buffer);
}

// The peer knows where the prefixes are: it lists the folders that hold them and reads the hives.
void BM_PeerListAndReadHives(benchmark::State& state) {
    const QString home = benchHome().home;
    QStringList holders;
    QDirIterator it(home, {QStringLiteral("system.reg")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        holders << QFileInfo(it.next()).absolutePath();
    for (auto _ : state) {
        for (const QString& prefix : holders) {
            benchmark::DoNotOptimize(QDir(QFileInfo(prefix).absolutePath()).entryList());
            readWhole(prefix + QStringLiteral("/system.reg"));
            readWhole(prefix + QStringLiteral("/user.reg"));
        }
    }
    state.counters["prefixes"] = static_cast<double>(holders.size());
}
BENCHMARK(BM_PeerListAndReadHives)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
