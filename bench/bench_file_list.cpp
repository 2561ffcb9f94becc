// Filling the file list from a folder of 10,000 files (half of them *.d2s), against the bare work
// underneath it: reading the folder, matching each name to the wildcard and Wine's hidden test.
#include "controls/file_list_box.h"
#include "host/hidden_files.h"
#include "winpath/wildcard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <dirent.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int FileCount = 10000;

struct Folder {
    QTemporaryDir dir;
    QString save;

    Folder() {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("prefix/dosdevices"));
        root.mkpath(QStringLiteral("prefix/drive_c/Save"));
        QFile::link(QStringLiteral("../drive_c"), dir.path() + QStringLiteral("/prefix/dosdevices/c:"));
        QFile::link(QStringLiteral("/"), dir.path() + QStringLiteral("/prefix/dosdevices/z:"));
        qputenv("WINEPREFIX", QFile::encodeName(dir.path() + QStringLiteral("/prefix")));
        save = dir.path() + QStringLiteral("/prefix/drive_c/Save");
        for (int i = 0; i < FileCount; ++i) {
            const QString name = QStringLiteral("Hero%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(i % 2 ? "d2s" : "txt");
            QFile(save + QLatin1Char('/') + name).open(QIODevice::WriteOnly);
        }
    }
};

Folder* g_folder = nullptr;

void fileListSetPath(benchmark::State& state) {
    quillmere::controls::FileListBox list;
    list.setPattern(QStringLiteral("*.d2s"));
    for (auto _ : state) {
        const bool ok = list.setPath(QStringLiteral("C:\\Save"));
        benchmark::DoNotOptimize(ok);
    }
    if (list.count() != FileCount / 2)
        state.SkipWithError("the list does not hold the folder's *.d2s files");
}
BENCHMARK(fileListSetPath)->Unit(benchmark::kMillisecond);

// The bare work the list cannot do without: read the folder, match each name, and apply Wine's
// hidden-file test (one extended-attribute read per matching file).
void readdirWildcardHidden(benchmark::State& state) {
    const QByteArray folder = QFile::encodeName(g_folder->save);
    const QString prefix = g_folder->save + QLatin1Char('/');
    const QString pattern = QStringLiteral("*.d2s");
    for (auto _ : state) {
        QStringList names;
        DIR* dir = ::opendir(folder.constData());
        while (const dirent* entry = ::readdir(dir)) {
            const QString name = QFile::decodeName(entry->d_name);
            if (!quillmere::winpath::matchesWildcard(pattern, name))
                continue;
            if (quillmere::host::isHiddenHostFile(prefix + name))
                continue;
            names.append(name);
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(names);
    }
}
BENCHMARK(readdirWildcardHidden)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's time per iteration, so that the ratio can be printed at the end.
class RecordingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    auto folder = std::make_unique<Folder>();
    g_folder = folder.get();
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double list = reporter.times["fileListSetPath"];
    const double peer = reporter.times["readdirWildcardHidden"];
    if (list > 0 && peer > 0)
        std::printf("FileListBox::setPath / readdir+wildcard+hidden rule = %.2f (target <= 2.00)\n", list / peer);
    benchmark::Shutdown();
    return 0;
}
