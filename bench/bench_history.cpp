// The history against the least any program must do for the same answer:
//   a snapshot of an unchanged save folder of 1,000 files (200 characters of five) against find
//   printing the size, time and inode of each, the stat the snapshot must take of them;
//   a snapshot after one character (five files, 10 KB) changed against cp -p of those files
//   followed by sync;
//   the History window opened on 2,000 snapshots of 200 characters against cat of their records;
//   selecting a version there against reading its character file's stored bytes.
// The store's size after 100 snapshots, each after one character changed, is printed as a figure
// of its own against the folder's size plus 100 times the changed files'.
#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "copy/copy_ui.h"
#include "history/history_window.h"
#include "snapshots/snapshot_store.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using namespace quillmere;

constexpr int kCharacters = 200;
constexpr std::array<std::pair<const char*, int>, 5> kFiles{
    {{"d2s", 4096}, {"key", 1000}, {"ma0", 2048}, {"map", 2100}, {"d2x", 996}}}; // 10 KB a character

// A file of one character at one level: no two characters' files are alike.
QByteArray characterFile(int character, int level, int size) {
    QByteArray bytes(size, '\0');
    bytes.replace(0, 8, QByteArray::fromHex("55aa55aa60000000"));
    bytes[40] = 3;
    bytes[43] = char(level);
    for (int i = 64; i < size; ++i)
        bytes[i] = char((i * 31 + level * 7 + character * 13) & 0xff);
    bytes.replace(48, 4, QByteArray::number(character).rightJustified(4, '0'));
    bytes.replace(52, 8, QByteArray::number(size).rightJustified(8, '0'));
    return bytes;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

QString nameOf(int character) {
    return QStringLiteral("Hero%1").arg(character, 3, 10, QLatin1Char('0'));
}

void writeCharacter(const QString& folder, int character, int level) {
    for (const auto& [extension, size] : kFiles)
        write(folder + u'/' + nameOf(character) + u'.' + QLatin1String(extension),
              characterFile(character, level, size));
}

// A command run as a whole process, its output thrown away.
int run(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct SaveFolder {
    QTemporaryDir dir;
    QString save = dir.path() + QStringLiteral("/Save");
    snapshots::GameRef game{QStringLiteral("Diablo II"), dir.path(), QStringLiteral("C:\\Save"), save};
    snapshots::SnapshotStore store{dir.path() + QStringLiteral("/history")};

    SaveFolder() {
        QDir().mkpath(save);
        for (int character = 0; character < kCharacters; ++character)
            writeCharacter(save, character, 1 + character % 90);
        QThread::msleep(100); // saves at rest
        if (store.take(game, QStringLiteral("bench")).status != snapshots::SnapshotOutcome::Status::Taken)
            std::abort();
    }
};

SaveFolder& saveFolder() {
    static SaveFolder folder;
    return folder;
}

void BM_SnapshotUnchanged(benchmark::State& state) {
    SaveFolder& folder = saveFolder();
    for (auto _ : state) {
        if (folder.store.take(folder.game, QStringLiteral("bench")).status !=
            snapshots::SnapshotOutcome::Status::Unchanged)
            state.SkipWithError("the folder did not read as unchanged");
    }
}
BENCHMARK(BM_SnapshotUnchanged)->Unit(benchmark::kMillisecond);

void BM_PeerFindStats(benchmark::State& state) {
    const std::string save = QFile::encodeName(saveFolder().save).toStdString();
    for (auto _ : state) {
        if (run({"find", save, "-maxdepth", "1", "-type", "f", "-printf", "%s %T@ %i\n"}) != 0)
            state.SkipWithError("find failed");
    }
}
BENCHMARK(BM_PeerFindStats)->Unit(benchmark::kMillisecond);

void BM_SnapshotOneCharacterChanged(benchmark::State& state) {
    SaveFolder& folder = saveFolder();
    static int level = 1; // the benchmark runs several times: each save must differ from the last
    for (auto _ : state) {
        state.PauseTiming();
        writeCharacter(folder.save, 7, ++level % 99 + 1);
        QThread::msleep(60); // the game has finished writing
        state.ResumeTiming();
        const snapshots::SnapshotOutcome outcome = folder.store.take(folder.game, QStringLiteral("bench"));
        if (outcome.status != snapshots::SnapshotOutcome::Status::Taken) {
            state.SkipWithError(qPrintable(
                QStringLiteral("no snapshot was taken (%1): %2").arg(int(outcome.status)).arg(outcome.failure)));
            break;
        }
    }
}
BENCHMARK(BM_SnapshotOneCharacterChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// Into a folder beside the store's whose last copies went just before: like the history, cp then
// makes new files in a folder of the same disk area, where files are also removed now and then.
void BM_PeerCopyCharacterAndSync(benchmark::State& state) {
    SaveFolder& folder = saveFolder();
    const QString target = folder.dir.path() + QStringLiteral("/copies");
    QDir().mkpath(target);
    std::vector<std::string> cp{"cp", "-p"};
    for (const auto& [extension, size] : kFiles)
        cp.push_back(QFile::encodeName(folder.save + u'/' + nameOf(7) + u'.' + QLatin1String(extension)).toStdString());
    cp.push_back(QFile::encodeName(target).toStdString());
    static int level = 1;
    for (auto _ : state) {
        state.PauseTiming();
        writeCharacter(folder.save, 7, ++level % 99 + 1);
        for (const QString& copy : QDir(target).entryList(QDir::Files))
            QFile::remove(target + u'/' + copy);
        QThread::msleep(60);
        state.ResumeTiming();
        if (run(cp) != 0 || run({"sync"}) != 0) {
            state.SkipWithError("cp or sync failed");
            break;
        }
    }
}
BENCHMARK(BM_PeerCopyCharacterAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();

// Bytes of the regular files below folder.
qint64 bytesBelow(const QString& folder) {
    qint64 total = 0;
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        total += entry.isDir() && !entry.isSymLink() ? bytesBelow(entry.filePath()) : entry.size();
    }
    return total;
}

// 100 snapshots, each after one character changed: what the store holds against the folder and
// every changed file kept once.
void storeSizeFigure() {
    SaveFolder folder;
    for (int round = 0; round < 100; ++round) {
        writeCharacter(folder.save, round % kCharacters, 100 + round);
        QThread::msleep(60);
        if (folder.store.take(folder.game, QStringLiteral("bench")).status != snapshots::SnapshotOutcome::Status::Taken)
            std::abort();
    }
    const qint64 ours = bytesBelow(folder.store.root());
    qint64 character = 0;
    for (const auto& [extension, size] : kFiles)
        character += size;
    const qint64 peer = bytesBelow(folder.save) + 100 * character;
    std::printf("figure: store after 100 snapshots of one changed character vs the folder plus 100 times the "
                "changed files|%lld|%lld|bytes|1.1\n",
                static_cast<long long>(ours), static_cast<long long>(peer));
}

// A store of 2,000 snapshots of 200 characters, each after one character changed, written record by
// record as the program writes them (without the syncs, which would only slow the making).
struct LongHistory {
    QTemporaryDir dir;
    snapshots::GameRef game{QStringLiteral("Diablo II"), dir.path(), QStringLiteral("C:\\Save"),
                            dir.path() + QStringLiteral("/Save")};
    snapshots::SnapshotStore store{dir.path() + QStringLiteral("/history")};
    QStringList records;

    LongHistory() {
        QDir().mkpath(game.saveFolderHost);
        QDir().mkpath(store.root() + QStringLiteral("/objects"));
        const QString folder = store.root() + QStringLiteral("/games/") + game.key();
        QDir().mkpath(folder);
        const QDateTime start = QDateTime::currentDateTime().addSecs(-3600);
        snapshots::Manifest previous;
        for (int k = 0; k < 2000; ++k) {
            snapshots::Manifest m;
            m.id = snapshots::snapshotId(start.addMSecs(k * 1000LL));
            m.taken = start.addMSecs(k * 1000LL);
            m.reason = QStringLiteral("bench");
            m.game = game;
            if (k > 0) {
                m.parent = previous.id;
                m.parentChanged = previous.changedNames();
            }
            for (int character = k == 0 ? 0 : k % kCharacters; character < (k == 0 ? kCharacters : k % kCharacters + 1);
                 ++character)
                addCharacter(m, character, k == 0 ? 1 + character % 90 : k);
            m.fileCount = kCharacters * int(kFiles.size());
            write(folder + u'/' + m.id + QStringLiteral(".snapshot"), snapshots::formatManifest(m));
            records << folder + u'/' + m.id + QStringLiteral(".snapshot");
            previous = m;
        }
        for (int character = 0; character < kCharacters; ++character)
            writeCharacter(game.saveFolderHost, character, 1 + character % 90);
    }

    void addCharacter(snapshots::Manifest& m, int character, int level) {
        for (const auto& [extension, size] : kFiles) {
            const QByteArray bytes = characterFile(character, level % 250 + 1, size) + QByteArray::number(level);
            const QByteArray sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
            write(QFile::decodeName(store.contentPath(sha)), bytes);
            const QString name = nameOf(character) + u'.' + QLatin1String(extension);
            m.written.append({name, sha, bytes.size(), 0, 0, 0644});
            if (QLatin1String(extension) == QLatin1String("d2s")) {
                game::CharacterSummary summary;
                summary.classCode = 3;
                summary.level = quint8(level % 250 + 1);
                summary.layout = game::Layout::Expansion109;
                summary.version = 96;
                m.summaries.append({name, summary});
            }
        }
    }
};

LongHistory& longHistory() {
    static LongHistory history;
    return history;
}

struct WindowParts {
    // No copy runs while the window is only opened.
    copy::SilentCopyUi ui{copy::SilentCopyUi::Answer::Refuse};
    archive::ShellFileCopy fileCopy{ui};
    archive::RestoreHistory restores{longHistory().dir.path() + QStringLiteral("/restores"), fileCopy};
};

void BM_OpenHistoryWindow(benchmark::State& state) {
    LongHistory& history = longHistory();
    WindowParts parts;
    for (auto _ : state) {
        history::HistoryWindow window(history.game, history.store, parts.restores, parts.fileCopy, nullptr);
        if (window.findChild<QTreeWidget*>(QStringLiteral("lstVersions"))->topLevelItemCount() != 10)
            state.SkipWithError("the first character does not show its ten versions");
    }
}
BENCHMARK(BM_OpenHistoryWindow)->Unit(benchmark::kMillisecond);

void BM_PeerCatRecords(benchmark::State& state) {
    std::vector<std::string> cat{"cat"};
    for (const QString& record : std::as_const(longHistory().records))
        cat.push_back(QFile::encodeName(record).toStdString());
    for (auto _ : state) {
        if (run(cat) != 0)
            state.SkipWithError("cat failed");
    }
}
BENCHMARK(BM_PeerCatRecords)->Unit(benchmark::kMillisecond);

void BM_SelectVersion(benchmark::State& state) {
    LongHistory& history = longHistory();
    WindowParts parts;
    history::HistoryWindow window(history.game, history.store, parts.restores, parts.fileCopy, nullptr);
    auto* versions = window.findChild<QTreeWidget*>(QStringLiteral("lstVersions"));
    int row = 0;
    for (auto _ : state) {
        versions->setCurrentItem(versions->topLevelItem(row));
        row = (row + 1) % versions->topLevelItemCount();
    }
}
BENCHMARK(BM_SelectVersion)->Unit(benchmark::kMicrosecond);

void BM_PeerReadStoredSave(benchmark::State& state) {
    const snapshots::FileEntry& save =
        longHistory().store.history(longHistory().game).entries().back().manifest->written[0];
    const std::string path = longHistory().store.contentPath(save.sha256).toStdString();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_PeerReadStoredSave)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    storeSizeFigure();
    return 0;
}
