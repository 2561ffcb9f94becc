// Discovery over a home holding 30 prefixes (bench/make_bench_home.sh): finding the prefixes and
// the games in each, against the least any program must do for the same answer, listing the same
// places and reading every prefix's two hive files. The home named by QUILLMERE_BENCH_HOME is used
// when set, so that bench/startup_memory.sh can time discovery over the home it starts the program in.
// The same home with a hostile launcher's file (a libraryfolders.vdf of 100,000 libraries, 256 hard
// links to a Lutris configuration of 65,000 prefixes) against the same peer, which also reads each
// launcher's file once: the budget of discovery, not the file, must set what it costs.
#include "game/games.h"
#include "host/prefix_discovery.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace {

using namespace quillmere;

struct BenchHome {
    QTemporaryDir dir;
    QString home;

    // `hostile` is a case of make_bench_home.sh; none for the plain home.
    explicit BenchHome(const std::string& hostile) {
        if (hostile.empty())
            home = qEnvironmentVariable("QUILLMERE_BENCH_HOME");
        if (!home.isEmpty())
            return;
        home = dir.path() + QStringLiteral("/home");
        const QString script = QStringLiteral(QUILLMERE_BENCH_HOME_SCRIPT);
        QStringList arguments{script, home};
        if (!hostile.empty())
            arguments << QString::fromStdString(hostile);
        if (QProcess::execute(QStringLiteral("bash"), arguments) != 0) {
            std::fprintf(stderr, "%s failed\n", qPrintable(script));
            std::abort();
        }
    }
};

const QString& benchHome(const std::string& hostile = {}) {
    static std::map<std::string, std::unique_ptr<BenchHome>> homes;
    // What the hostile homes' files make discovery pass over, once an iteration, is not news here.
    QLoggingCategory::setFilterRules(QStringLiteral("quillmere.discovery.warning=false"));
    std::unique_ptr<BenchHome>& home = homes[hostile];
    if (!home)
        home = std::make_unique<BenchHome>(hostile);
    return home->home;
}

void discoverGames(benchmark::State& state, const QString& home, games::LookingCores cores) {
    for (auto _ : state) {
        const QList<games::Game> found = games::gamesInPrefixes(host::discoverPrefixes(home, {}), cores);
        if (found.size() != 1)
            state.SkipWithError("expected exactly one game in the bench home");
        benchmark::DoNotOptimize(found);
    }
}

void BM_DiscoverGames(benchmark::State& state) {
    discoverGames(state, benchHome(), games::LookingCores::All);
}
BENCHMARK(BM_DiscoverGames)->Unit(benchmark::kMillisecond);

// As at start-up, a core left to the window.
void BM_DiscoverGamesAtStartUp(benchmark::State& state) {
    discoverGames(state, benchHome(), games::LookingCores::AllButOne);
}
BENCHMARK(BM_DiscoverGamesAtStartUp)->Unit(benchmark::kMillisecond);

void BM_DiscoverGamesBigSteamVdf(benchmark::State& state) {
    discoverGames(state, benchHome("big-steam-vdf"), games::LookingCores::All);
}
BENCHMARK(BM_DiscoverGamesBigSteamVdf)->Unit(benchmark::kMillisecond);

void BM_DiscoverGamesLinkedLutris(benchmark::State& state) {
    discoverGames(state, benchHome("linked-lutris"), games::LookingCores::All);
}
BENCHMARK(BM_DiscoverGamesLinkedLutris)->Unit(benchmark::kMillisecond);

void readWhole(const QString& path) {
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::ate);
    std::vector<char> buffer(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    benchmark::DoNotOptimize(buffer);
}

QStringList found(const QString& home, const QString& name) {
    QStringList paths;
    QDirIterator it(home, {name}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << it.next();
    return paths;
}

// The launchers' files of a home, each file once however many links lead to it.
QStringList launcherFiles(const QString& home) {
    QStringList files;
    QSet<std::pair<dev_t, ino_t>> seen;
    for (const QString& path :
         found(home, QStringLiteral("*.yml")) + found(home, QStringLiteral("libraryfolders.vdf"))) {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !seen.contains({st.st_dev, st.st_ino})) {
            seen.insert({st.st_dev, st.st_ino});
            files << path;
        }
    }
    return files;
}

// The peer knows where the prefixes are: it lists the folders that hold them and reads the hives,
// and with `launchers` each launcher's file once.
void peerListAndReadHives(benchmark::State& state, const QString& home, bool launchers) {
    QStringList holders;
    for (const QString& hive : found(home, QStringLiteral("system.reg")))
        holders << QFileInfo(hive).absolutePath();
    const QStringList files = launchers ? launcherFiles(home) : QStringList();
    for (auto _ : state) {
        for (const QString& file : files)
            readWhole(file);
        for (const QString& prefix : holders) {
            benchmark::DoNotOptimize(QDir(QFileInfo(prefix).absolutePath()).entryList());
            readWhole(prefix + QStringLiteral("/system.reg"));
            readWhole(prefix + QStringLiteral("/user.reg"));
        }
    }
    state.counters["prefixes"] = static_cast<double>(holders.size());
}

void BM_PeerListAndReadHives(benchmark::State& state) {
    peerListAndReadHives(state, benchHome(), false);
}
BENCHMARK(BM_PeerListAndReadHives)->Unit(benchmark::kMillisecond);

void BM_PeerBigSteamVdf(benchmark::State& state) {
    peerListAndReadHives(state, benchHome("big-steam-vdf"), true);
}
BENCHMARK(BM_PeerBigSteamVdf)->Unit(benchmark::kMillisecond);

void BM_PeerLinkedLutris(benchmark::State& state) {
    peerListAndReadHives(state, benchHome("linked-lutris"), true);
}
BENCHMARK(BM_PeerLinkedLutris)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
