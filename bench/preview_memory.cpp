// How much resident memory one preview of a 4 GB character file costs: a sparse file in the save
// folder of a temporary Wine prefix, read once directly and once through the main window's preview
// panel. Prints the growth of the resident set and of its peak, both in KB.
// Output (last line): rss_growth_kb=<n> peak_growth_kb=<n> file_bytes=<n>
#include "character/preview_panel.h"
#include "game/character_file.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace quillmere;

constexpr qint64 kFileBytes = qint64(4) * 1024 * 1024 * 1024;

long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ':';
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

// Resets the peak resident set to the current one, so that VmHWM afterwards shows what happened since.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A signed character header (version 96, Paladin, level 42) followed by zeros up to 4 GB, as a hole.
bool makeSparseCharacter(const QString& path) {
    QByteArray head(64, '\0');
    const char signature[] = {'\x55', '\xaa', '\x55', '\xaa', 96, 0, 0, 0};
    head.replace(0, 8, QByteArray(signature, 8));
    head[40] = 3;
    head[43] = 42;
    if (!writeFile(path, head))
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    const bool ok = fd >= 0 && ::ftruncate(fd, kFileBytes) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString prefix = dir.path() + QStringLiteral("/prefix");
    const QString save = prefix + QStringLiteral("/drive_c/Save");
    if (!dir.isValid() || !QDir().mkpath(prefix + QStringLiteral("/dosdevices")) || !QDir().mkpath(save) ||
        !QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:")) ||
        !writeFile(prefix + QStringLiteral("/system.reg"),
                   "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
                   "[Software\\\\Blizzard Entertainment\\\\Diablo II] 1796616576\n"
                   "\"Save Path\"=\"C:\\\\Save\"\n") ||
        !makeSparseCharacter(save + QStringLiteral("/Huge.d2s")) ||
        !makeSparseCharacter(save + QStringLiteral("/Warm.d2s"))) {
        std::fprintf(stderr, "preview_memory: cannot make the prefix and the sparse file\n");
        return 1;
    }
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
    ::truncate(QFile::encodeName(save + QStringLiteral("/Warm.d2s")).constData(), 1024);

    character::PreviewPanel panel(character::PreviewPanel::Variant::MainWindow);
    // One small preview first, so that the code paths and caches of a preview are already paid for.
    panel.PreviewSelection(QStringLiteral("Warm.d2s"));
    panel.ResetPreview(); // so that the level shown afterwards is the big file's
    app.processEvents();

    const long before = statusKb("VmRSS");
    if (!resetPeak())
        std::fprintf(stderr, "preview_memory: cannot reset the peak; the peak growth includes earlier work\n");

    game::HEXengine hex;
    const game::CharacterSummary direct =
        game::ReadCharacterFile(QStringLiteral("C:\\Save"), QStringLiteral("Huge.d2s"), hex);
    const qint64 readLength = hex.fileLength();
    panel.PreviewSelection(QStringLiteral("Huge.d2s"));
    app.processEvents();

    const long after = statusKb("VmRSS");
    const long peak = statusKb("VmHWM");
    // The main window's level is its Label4.
    const auto* level = panel.findChild<QLabel*>(QStringLiteral("Label4"));
    if (direct.level != 42 || readLength != kFileBytes || !level || level->text() != QStringLiteral("42")) {
        std::fprintf(stderr, "preview_memory: the 4 GB file was not read (level %d, length %lld)\n",
                     direct.level ? int(*direct.level) : -1, static_cast<long long>(readLength));
        return 1;
    }
    std::printf("resident before %ld KB, after %ld KB, peak %ld KB\n", before, after, peak);
    std::printf("rss_growth_kb=%ld peak_growth_kb=%ld file_bytes=%lld\n", after - before, peak - before,
                static_cast<long long>(kFileBytes));
    return 0;
}
