// Copies the files of one folder that a pattern selects into another folder as a backup does: the
// saves among them checked first, then the copy engine, answering every question with Yes. Prints
// the time both took in milliseconds.
//   bench_copy_engine [--copy-only] <host source folder> <pattern> <host destination folder>
// --copy-only leaves the check out: the copy engine alone.
// Makes a file of any content a sound version-96 save (signature, version, size and checksum set):
//   bench_copy_engine --seal <file>
#include "archive/save_guard.h"
#include "copy/copy_files.h"
#include "game/save_check.h"
#include "host/drive_map.h"
#include "winpath/windows_path.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

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

int seal(const char* path) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadWrite) || file.size() < quillmere::game::kSaveHeaderBytes) {
        std::fprintf(stderr, "cannot seal %s\n", path);
        return 2;
    }
    QByteArray bytes = file.readAll();
    qToLittleEndian<quint32>(0xAA55AA55, bytes.data());
    qToLittleEndian<quint32>(96, bytes.data() + 4);
    qToLittleEndian<quint32>(quint32(bytes.size()), bytes.data() + 8);
    quillmere::game::SaveChecksum sum;
    sum.add(bytes.constData(), bytes.size());
    qToLittleEndian<quint32>(sum.value(), bytes.data() + 12);
    return file.seek(0) && file.write(bytes) == bytes.size() ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "--seal")
        return seal(argv[2]);
    const bool copyOnly = argc == 5 && QByteArray(argv[1]) == "--copy-only";
    if (copyOnly) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s [--copy-only] <source folder> <pattern> <destination folder>\n", argv[0]);
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
    const QString pattern = winpath::joinWindowsPath(source, QString::fromLocal8Bit(argv[2]));
    const QList<archive::SaveProblem> problems =
        copyOnly ? QList<archive::SaveProblem>() : archive::checkSaves(copy::defaultFileIo(), pattern);
    for (const archive::SaveProblem& problem : problems)
        std::fprintf(stderr, "error: %s\n", qPrintable(game::describeSaveCheck(problem.name, problem.check)));
    if (!problems.isEmpty())
        return 1;
    const copy::CopyOutcome outcome = copy::copyFiles(pattern, destination, ui);
    std::printf("%.3f\n", double(clock.nsecsElapsed()) / 1e6);
    return outcome.succeeded() ? 0 : 1;
}
