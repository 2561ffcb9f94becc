// Resolving a Windows path of many components: the cost grows with the path's length, and a path
// longer than the host can open is given up on at once.
#include "host/drive_map.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Prefix {
    QTemporaryDir dir;

    Prefix() {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("prefix/dosdevices"));
        root.mkpath(QStringLiteral("prefix/drive_c"));
        QFile::link(QStringLiteral("../drive_c"), dir.path() + QStringLiteral("/prefix/dosdevices/c:"));
        qputenv("WINEPREFIX", QFile::encodeName(dir.path() + QStringLiteral("/prefix")));
    }
};

// "C:\" followed by n times "a\" and a file name, none of which exists.
void resolveLongPath(benchmark::State& state) {
    const Prefix prefix;
    const auto count = static_cast<qsizetype>(state.range(0));
    const QString path = QStringLiteral("C:\\") + QStringLiteral("a\\").repeated(count) + QStringLiteral("Hero.d2s");
    for (auto _ : state) {
        const auto resolved = quillmere::host::resolve(path);
        benchmark::DoNotOptimize(resolved);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(resolveLongPath)->RangeMultiplier(10)->Range(100, 1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
