// Copies the files of one folder that a pattern selects into another folder through the copy
// engine, answering every question with Yes, and prints the time the copy took in milliseconds.
//   bench_copy_engine <host source folder> <pattern> <host destination folder>
#include "copy/copy_files.h"
#include "host/drive_map.h"
#include "winpath/windows_path.h"

#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

namespace {

class YesUi final : public quillmere::copy::CopyUi {
public:
    void copyStarted() override {}
    void copyFinished() override {}
    quillmere::copy::ReplaceAnswer confirmReplace(const quillmere::copy::ReplaceInfo&) override {
        return quillmere::copy::ReplaceAnswer::YesToAll;
    }
    bool confirmCreateFolder(const QString&) override { return true; }
    void reportError(const quillmere::copy::CopyError& error) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(error.message));
    }
    void progress(const QString&, qint64, qint64) override {}
    bool cancelled() override { return false; }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <source folder> <pattern> <destination folder>\n", argv[0]);
        return 2;
    }
    using namespace quillmere;
    const QString source = host::toWindowsPath(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    const QString destination = host::toWindowsPath(QDir(QString::fromLocal8Bit(argv[3])).absolutePath());
    if (source.isEmpty() || destination.isEmpty()) {
        std::fprintf(stderr, "no drive holds these folders\n");
        return 2;
    }
    YesUi ui;
    QElapsedTimer clock;
    clock.start();
    const copy::CopyOutcome outcome =
        copy::copyFiles(winpath::joinWindowsPath(source, QString::fromLocal8Bit(argv[2])), destination, ui);
    std::printf("%.3f\n", double(clock.nsecsElapsed()) / 1e6);
    return outcome.succeeded() ? 0 : 1;
}
