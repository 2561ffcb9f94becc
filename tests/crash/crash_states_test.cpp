#include "crash_states.h"
#include "explorer.h"
#include "operations.h"
#include "qt_print.h"
#include "recording_io.h"

#include "copy/durable_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillmere::crash;

namespace {

// States a crash point gets in the suite's sample: every state where there are few, a fixed-seed
// draw where there are more. The full set is tests/crash/explore.sh's.
constexpr quint64 kSampled = 12;
constexpr quint64 kFaultSample = 48;

Exploration exploreRecorded(bool (*record)(CrashScenario&, Fault), Fault fault, quint64 limit) {
    CrashScenario scenario;
    Exploration found;
    if (!scenario.isValid() || !record(scenario, fault))
        found.failure = QStringLiteral("not recorded: %1").arg(scenario.failure);
    else
        found = explore(scenario, limit);
    return found;
}

FileTree treeOf(std::initializer_list<std::pair<const char*, const char*>> files) {
    FileTree tree;
    for (const auto& [path, content] : files) {
        if (content)
            tree.put(path, {TreeNode::Kind::File, content, 0600, std::nullopt});
        else
            tree.put(path, {TreeNode::Kind::Folder, {}, 0, std::nullopt});
    }
    return tree;
}

Step stepOf(Step::Kind kind, const char* path, int file = 0, const char* data = "") {
    Step step;
    step.kind = kind;
    step.path = path;
    step.file = file;
    step.data = data;
    return step;
}

} // namespace

TEST(CrashStates, EveryOperationKeepsItsPromisesInASampleOfItsCrashStates) {
    for (const Operation& operation : operations()) {
        SCOPED_TRACE(qPrintable(operation.name));
        const Exploration found = exploreRecorded(operation.record, Fault::None, kSampled);
        ASSERT_TRUE(found.failure.isEmpty()) << qPrintable(found.failure);
        EXPECT_GT(found.points, 10);
        EXPECT_GE(found.states, quint64(found.points));
        EXPECT_EQ(found.broken, 0U) << qPrintable(found.examples.join(u'\n'));
    }
}

TEST(CrashStates, ACopyThatRenamesBeforeItsDataIsSyncedLeavesAnEmptyTarget) {
    const Exploration found = exploreRecorded(&recordBackup, Fault::SyncAfterRename, kFaultSample);
    ASSERT_TRUE(found.failure.isEmpty()) << qPrintable(found.failure);
    EXPECT_GT(found.broken, 0U);
    EXPECT_TRUE(found.kinds.contains(Violation::Kind::TargetEmpty)) << qPrintable(found.examples.join(u'\n'));
}

// The same faults in the other operations: every kind of check can fail, each where it should.
TEST(CrashStates, TheSeededFaultsBreakEveryOtherOperationToo) {
    QSet<Violation::Kind> kinds;
    for (const Operation& operation : operations()) {
        SCOPED_TRACE(qPrintable(operation.name));
        const Exploration found = exploreRecorded(operation.record, Fault::SyncAfterRename, kSampled);
        ASSERT_TRUE(found.failure.isEmpty()) << qPrintable(found.failure);
        EXPECT_TRUE(found.kinds.contains(Violation::Kind::TargetEmpty));
        kinds += found.kinds;
    }
    for (const Violation::Kind kind : {Violation::Kind::TargetTorn, Violation::Kind::KeptRestore,
                                       Violation::Kind::History, Violation::Kind::Listing})
        EXPECT_TRUE(kinds.contains(kind)) << qPrintable(kindName(kind));
}

TEST(CrashStates, ACopyThatSkipsTheFolderSyncIsNotDurableWhenItSaysItIsDone) {
    const Exploration found = exploreRecorded(&recordBackup, Fault::NoFolderSyncAfterRename, kFaultSample);
    ASSERT_TRUE(found.failure.isEmpty()) << qPrintable(found.failure);
    EXPECT_GT(found.broken, 0U);
    EXPECT_TRUE(found.kinds.contains(Violation::Kind::NotDurable)) << qPrintable(found.examples.join(u'\n'));
    EXPECT_FALSE(found.kinds.contains(Violation::Kind::TargetEmpty)) << "its data is synced before the rename";
}

// A write and a rename, neither made durable: the target holds its old content, the new one
// whole, or any whole-block part of it, empty included.
TEST(CrashStates, UnsyncedDataAndNamesMayEachBeKeptInPartOrNotAtAll) {
    CrashLog log;
    log.steps = {stepOf(Step::Kind::CreateFile, "d/new", 1), stepOf(Step::Kind::Write, "", 1, "x"),
                 stepOf(Step::Kind::Rename, "d/new")};
    log.steps[1].data = QByteArray(5000, 'n');
    log.steps[2].to = "d/old";
    const FileTree first = treeOf({{"d", nullptr}, {"d/old", "old"}});
    FileTree last = treeOf({{"d", nullptr}});
    last.put("d/old", {TreeNode::Kind::File, QByteArray(5000, 'n'), 0600, std::nullopt});
    QString error;
    const std::optional<CrashStates> states = CrashStates::build(first, log, last, &error);
    ASSERT_TRUE(states) << qPrintable(error);
    QSet<QByteArray> held;
    const CrashStates::Count count = states->visit(3, 1000, [&](const FileTree& state, const QString&) {
        const TreeNode* old = state.find("d/old");
        held.insert(old ? old->content : QByteArray("<none>"));
    });
    EXPECT_FALSE(count.sampled);
    const QByteArray zeros(4096, '\0');
    EXPECT_EQ(held, QSet<QByteArray>({"old", "", QByteArray(5000, 'n'), QByteArray(4096, 'n') + QByteArray(904, '\0'),
                                      zeros + QByteArray(904, 'n'), zeros + QByteArray(904, '\0')}));
    EXPECT_TRUE(states->visit(0, 1000, [](const FileTree&, const QString&) {}).visited == 1) << "nothing pending yet";
}

TEST(CrashStates, TheBuilderRefusesALogItCannotReplayAndNeverPassesAnEmptyOne) {
    const FileTree first = treeOf({{"a", nullptr}, {"b", nullptr}, {"a/x", "x"}});
    Step outside = stepOf(Step::Kind::Unlink, "a/x");
    outside.outside = "/etc/passwd";
    Step across = stepOf(Step::Kind::Rename, "a/x");
    across.to = "b/x";
    const struct {
        const char* what;
        std::vector<Step> steps;
        FileTree last;
        const char* says;
    } cases[] = {
        {"an empty log", {}, first, "no step"},
        {"a path outside the root", {outside}, first, "outside the recorded root"},
        {"a rename between folders",
         {across},
         treeOf({{"a", nullptr}, {"b", nullptr}, {"b/x", "x"}}),
         "between two folders"},
        {"a file never made", {stepOf(Step::Kind::Write, "", 7, "data")}, first, "did not make"},
        {"an unlink of a missing name", {stepOf(Step::Kind::Unlink, "a/y")}, first, "no file there"},
        {"a change around the log", {stepOf(Step::Kind::Unlink, "a/x")}, first, "does not account"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CrashLog log;
        log.steps = c.steps;
        QString error;
        EXPECT_FALSE(CrashStates::build(first, log, c.last, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.says))) << qPrintable(error);
    }
}

// A record written whole through a folder reached by a link: every step, the file by its number
// from its making without a name to its rename, the folder by its own path.
TEST(CrashStates, TheRecorderLogsEveryChangeWithItsFileAndItsFolderAsTheDiskHasThem) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("data/records")));
    ASSERT_TRUE(QFile::link(root.path() + QStringLiteral("/data"), root.path() + QStringLiteral("/linked")));
    RecordingIo io(QFile::encodeName(root.path()));
    ASSERT_EQ(quillmere::copy::writeFileDurably(io, QFile::encodeName(root.path() + QStringLiteral("/linked/records")),
                                                QStringLiteral("r.json"), "{}"),
              0);
    QStringList steps;
    for (const Step& step : io.log().steps)
        steps << describe(step).replace(QRegularExpression(QStringLiteral("\\.[A-Za-z0-9]{6}\\.tmp")),
                                        QStringLiteral(".tmp"));
    EXPECT_EQ(steps, QStringList({"createUnnamed data/records #1", "write #1 0+2", "syncFile #1",
                                  "link #1 data/records/.quillmere-r.json.tmp",
                                  "rename data/records/.quillmere-r.json.tmp data/records/r.json",
                                  "syncFolder data/records"}));
}

// What a crash state says is what the disk holds once it is written out over another.
TEST(CrashStates, AStateWrittenOutOverAnotherIsExactlyWhatTheDiskHolds) {
    QTemporaryDir root;
    const QByteArray path = QFile::encodeName(root.path());
    FileTree first = treeOf({{"a", nullptr}, {"a/kept", "same"}, {"a/gone", "x"}, {"b", nullptr}, {"b/inner", "y"}});
    first.put("link", {TreeNode::Kind::Link, "a", 0, std::nullopt});
    FileTree second = treeOf({{"a", nullptr}, {"a/kept", "same"}, {"a/new", "new"}, {"b", "a file now"}});
    second.put("link", {TreeNode::Kind::Link, "b", 0, std::nullopt});
    second.put("a/timed", {TreeNode::Kind::File, "t", 0444, timespec{1000000000, 5}});
    QString error;
    ASSERT_TRUE(first.writeOver(path, FileTree(), &error)) << qPrintable(error);
    ASSERT_TRUE(second.writeOver(path, first, &error)) << qPrintable(error);
    const std::optional<FileTree> read = FileTree::capture(path, &error);
    ASSERT_TRUE(read) << qPrintable(error);
    EXPECT_EQ(second.differences(*read, true), QStringList());
}
