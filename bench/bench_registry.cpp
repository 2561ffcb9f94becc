// Reading "Save Path" out of a 20 MB system.reg of 100,000 keys, the game key near the end, against
// the least any reader must do: load the file and find the key's line with a substring search.
#include "host/registry.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kKeys = 100000;
constexpr int kGameKeyAt = 97000;

// A prefix whose system.reg looks like a well-used one: COM classes, services, vendors' keys
// with paths, numbers and binary blobs.
class Prefix {
public:
    Prefix() {
        std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
        text.reserve(std::size_t{22} << 20);
        char line[512];
        for (int i = 0; i < kKeys; ++i) {
            if (i == kGameKeyAt) {
                text += "\n[Software\\\\Blizzard Entertainment\\\\Diablo II] 1796616576\n#time=1dd8600c59fe734\n"
                        "\"InstallPath\"=\"C:\\\\Program Files\\\\Diablo II\"\n"
                        "\"Program\"=\"C:\\\\Program Files\\\\Diablo II\\\\Diablo II.exe\"\n"
                        "\"Save Path\"=\"C:\\\\Program Files\\\\Diablo II\\\\Save\\\\\"\n";
            }
            switch (i % 5) {
            case 0:
            case 1:
            case 2:
                std::snprintf(line, sizeof line,
                              "\n[Software\\\\Classes\\\\CLSID\\\\{%08X-%04X-11D0-9C3E-00A0C90%05d}\\\\InprocServer32] "
                              "1796616530\n#time=1dd8600b3e2f1c0\n@=\"C:\\\\windows\\\\system32\\\\module%05d.dll\"\n"
                              "\"ThreadingModel\"=\"Both\"\n\"Version\"=\"1.0.%d\"\n",
                              i * 2654435761u, i & 0xffff, i, i, i);
                break;
            case 3:
                std::snprintf(
                    line, sizeof line,
                    "\n[System\\\\CurrentControlSet\\\\Services\\\\Service%05d] 1796616530\n"
                    "#time=1dd8600b3e2f1c0\n\"ErrorControl\"=dword:00000001\n"
                    "\"ImagePath\"=str(2):\"%%SystemRoot%%\\\\system32\\\\svc%05d.exe\"\n\"Start\"=dword:00000003\n",
                    i, i);
                break;
            default:
                std::snprintf(
                    line, sizeof line,
                    "\n[Software\\\\Vendor %04d\\\\Product %d\\\\Settings] 1796616530\n#time=1dd8600b3e2f1c0\n"
                    "\"Data\"=hex:%02x,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
                    "  17,18,19,1a,1b,1c,1d,1e,1f,20\n\"Name\"=\"Caf\\xe9 %d\"\n",
                    i / 7, i, i & 0xff, i);
                break;
            }
            text += line;
        }
        text += "\n[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II] 1796616558\n"
                "\"Save Path\"=\"C:\\\\Program Files (x86)\\\\Diablo II\\\\Save\\\\\"\n";
        m_size = text.size();
        qputenv("WINEPREFIX", QFile::encodeName(m_dir.path()));
        QFile file(m_dir.path() + QStringLiteral("/system.reg"));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0)
            std::fprintf(stderr, "cannot write the hive\n");
        m_hive = QFile::encodeName(file.fileName()).toStdString();
    }

    const std::string& hive() const { return m_hive; }
    std::size_t size() const { return m_size; }

private:
    QTemporaryDir m_dir;
    std::string m_hive;
    std::size_t m_size = 0;
};

Prefix* g_prefix = nullptr;

void readRegistryString(benchmark::State& state) {
    const QString key = QStringLiteral("Software\\Blizzard Entertainment\\Diablo II");
    const QString name = QStringLiteral("Save Path");
    for (auto _ : state) {
        auto value = quillmere::host::readRegistryString(quillmere::host::RegistryRoot::LocalMachine, key, name);
        if (!value)
            state.SkipWithError("no Save Path");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_prefix->size()));
}
BENCHMARK(readRegistryString)->Unit(benchmark::kMillisecond);

void readAndFindKeyLine(benchmark::State& state) {
    static constexpr char kLine[] = "\n[Software\\\\Wow6432Node\\\\Blizzard Entertainment\\\\Diablo II]";
    for (auto _ : state) {
        const int fd = ::open(g_prefix->hive().c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        ::fstat(fd, &info);
        const auto size = static_cast<std::size_t>(info.st_size);
        auto bytes = std::make_unique_for_overwrite<char[]>(size);
        std::size_t done = 0;
        for (ssize_t got = 0; done < size && (got = ::read(fd, bytes.get() + done, size - done)) > 0;)
            done += static_cast<std::size_t>(got);
        ::close(fd);
        const void* found = ::memmem(bytes.get(), done, kLine, sizeof kLine - 1);
        if (!found)
            state.SkipWithError("no key line");
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_prefix->size()));
}
BENCHMARK(readAndFindKeyLine)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's time per iteration, so that the ratio can be printed at the end.
class RecordingReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the median stands for the benchmark.
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                times[run.run_name.str()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto prefix = std::make_unique<Prefix>();
    g_prefix = prefix.get();
    std::printf("hive: %.1f MB, %d keys\n", static_cast<double>(prefix->size()) / (1 << 20), kKeys + 2);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double reader = reporter.times["readRegistryString"];
    const double peer = reporter.times["readAndFindKeyLine"];
    if (reader > 0 && peer > 0)
        std::printf("host::readRegistryString / read+memmem = %.2f (target <= 4.00)\n", reader / peer);
    benchmark::Shutdown();
    return 0;
}
