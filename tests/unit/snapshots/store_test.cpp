#include "d2s_fixtures.h"
#include "snapshots/store_lock.h"
#include "store_fixture.h"

#include <QFile>

#include <sys/stat.h>

using namespace quillmere;
using snapshots::SnapshotOutcome;
using test::bytesOf;

namespace {

using Status = SnapshotOutcome::Status;

class SnapshotStoreTest : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        put(QStringLiteral("Hero.d2s"), test::d2s::stateFile(96, 3, 26, 0x24));
        put(QStringLiteral("Hero.key"), "keys");
        put(QStringLiteral("Heroine.d2s"), test::d2s::stateFile(96, 1, 12, 0x20));
        put(QStringLiteral("SharedStashSoftCoreV2.d2i"), "the shared stash");
        put(QStringLiteral("_LOD_SharedStashSave.sss"), "a stash mod's stash");
    }
    SnapshotOutcome take(const QDateTime& at = QDateTime::currentDateTime()) {
        return store.take(game(), QStringLiteral("test"), at);
    }
    QMap<QString, QByteArray> folder() const {
        QMap<QString, QByteArray> files;
        for (const QString& name : test::filesIn(saveFolder()))
            files.insert(name, bytesOf(saveFolder() + u'/' + name));
        return files;
    }
};

} // namespace

TEST_F(SnapshotStoreTest, ASnapshotHoldsEveryRegularFileAndSaysWhyTheRestIsLeftOut) {
    QDir().mkpath(saveFolder() + QStringLiteral("/Hero"));
    QFile::link(saveFolder() + QStringLiteral("/Hero.d2s"), saveFolder() + QStringLiteral("/Alias.d2s"));
    ::mkfifo(QFile::encodeName(saveFolder() + QStringLiteral("/pipe")).constData(), 0600);
    const QMap<QString, QByteArray> before = folder();

    const SnapshotOutcome outcome = take();
    ASSERT_EQ(outcome.status, Status::Taken) << qPrintable(outcome.failure);
    QMap<QString, QByteArray> expected = before;
    expected.remove(QStringLiteral("Alias.d2s"));
    expected.remove(QStringLiteral("pipe"));
    EXPECT_EQ(newest(store), expected);
    EXPECT_EQ(outcome.files, 5);
    QStringList leftOut;
    for (const snapshots::Skipped& skipped : outcome.skipped)
        leftOut << skipped.name + QStringLiteral(": ") + skipped.reason;
    leftOut.sort();
    EXPECT_EQ(leftOut,
              (QStringList{"Alias.d2s: it is a link", "Hero: it is a folder", "pipe: it is not a regular file"}));
    EXPECT_EQ(folder(), before) << "the save folder is only read";
}

TEST_F(SnapshotStoreTest, AnUnchangedFolderAddsNothingAndReadsNoContent) {
    ASSERT_EQ(take().status, Status::Taken);
    const int contents = contentCount();
    io.watchedOpens = 0;
    const qint64 changes = io.changes;

    const SnapshotOutcome again = take();
    EXPECT_EQ(again.status, Status::Unchanged);
    EXPECT_EQ(io.watchedOpens, 0) << "unchanged files are taken by their size, time and inode";
    EXPECT_EQ(snapshotCount(store), 1);
    EXPECT_EQ(contentCount(), contents);
    EXPECT_EQ(io.changes, changes) << "nothing at all is written";
}

TEST_F(SnapshotStoreTest, OneChangedCharacterAddsOneContentAndASmallRecord) {
    ASSERT_EQ(take().status, Status::Taken);
    const int contents = contentCount();
    put(QStringLiteral("Hero.d2s"), test::d2s::stateFile(96, 3, 27, 0x24));
    io.watchedOpened.clear();

    ASSERT_EQ(take().status, Status::Taken);
    EXPECT_EQ(io.watchedOpened, QSet<QByteArray>{"Hero.d2s"}) << "only the changed file is read";
    EXPECT_EQ(contentCount(), contents + 1);
    const snapshots::GameHistory history = store.history(game());
    ASSERT_EQ(history.entries().size(), 2);
    const snapshots::Manifest& second = *history.entries()[1].manifest;
    ASSERT_EQ(second.written.size(), 1);
    EXPECT_EQ(second.written[0].name, QStringLiteral("Hero.d2s"));
    EXPECT_EQ(history.latest()->state.summaryOf(QStringLiteral("Hero.d2s"))->level, 27);
    EXPECT_EQ(newest(store), folder());
}

TEST_F(SnapshotStoreTest, AFileRewrittenWhileItIsReadIsReadAgainAndStoredWhole) {
    const QByteArray final = test::d2s::stateFile(96, 3, 40, 0x24, 4 << 20);
    // The game saves again once the first read of Hero.d2s has begun: what was read no longer
    // matches what the file holds when the read ends.
    struct RewritingIo final : test::StoppingIo {
        std::function<void()> rewrite;
        int heroFd = -1;
        int opened = 0;
        int openRead(const QByteArray& path) override {
            const int fd = StoppingIo::openRead(path);
            if (path.endsWith("Hero.d2s")) {
                heroFd = fd;
                ++opened;
            }
            return fd;
        }
        ssize_t read(int fd, void* buffer, size_t size) override {
            if (fd == heroFd && rewrite)
                std::exchange(rewrite, nullptr)();
            return StoppingIo::read(fd, buffer, size);
        }
    } rewriting;
    rewriting.rewrite = [&] { test::writeBytes(saveFolder() + QStringLiteral("/Hero.d2s"), final); };
    snapshots::SnapshotStore rewritten(storeRoot(), rewriting);
    const SnapshotOutcome outcome = rewritten.take(game(), QStringLiteral("test"));
    ASSERT_EQ(outcome.status, Status::Taken) << qPrintable(outcome.failure);
    EXPECT_GE(rewriting.opened, 2);
    EXPECT_EQ(newest(rewritten).value(QStringLiteral("Hero.d2s")), final);
}

TEST_F(SnapshotStoreTest, AKillAtAnyStepLeavesTheEarlierSnapshotsWholeAndNoPartialOne) {
    ASSERT_EQ(take().status, Status::Taken);
    const QMap<QString, QByteArray> first = newest(store);
    put(QStringLiteral("Hero.d2s"), test::d2s::stateFile(96, 3, 30, 0x24));
    put(QStringLiteral("Hero.ma0"), "map");
    for (qint64 step = 0;; ++step) {
        SCOPED_TRACE(step);
        io.changes = 0;
        io.stopAfter = step;
        const SnapshotOutcome killed = take();
        io.stopAfter = -1;
        snapshots::SnapshotStore reopened(storeRoot());
        const snapshots::VerifyOutcome verified = reopened.verify();
        EXPECT_TRUE(verified.damaged.isEmpty() && verified.damagedRecords.isEmpty());
        if (killed.status == Status::Taken) {
            EXPECT_EQ(newest(reopened), folder());
            break;
        }
        ASSERT_LT(step, 200) << "the snapshot never completed";
        if (snapshotCount(reopened) == 1) {
            EXPECT_EQ(newest(reopened), first);
            continue;
        }
        // Killed once its record was named: the snapshot is there, and whole.
        ASSERT_EQ(snapshotCount(reopened), 2) << "no half snapshot is listed";
        EXPECT_EQ(newest(reopened), folder());
        const QString record = reopened.history(game()).entries().last().fileName;
        ASSERT_TRUE(QFile::remove(storeRoot() + QStringLiteral("/games/") + game().key() + u'/' + record));
    }
    // The store goes on, and what killed snapshots left is cleared by the next pruning.
    put(QStringLiteral("Hero.key"), "new keys");
    ASSERT_EQ(take().status, Status::Taken);
    store.prune();
    for (const QString& name : test::entriesIn(storeRoot() + QStringLiteral("/objects")))
        EXPECT_FALSE(name.startsWith(u'.')) << qPrintable(name);
}

TEST_F(SnapshotStoreTest, ADamagedContentIsFoundByNameAndADamagedRecordCostsOnlyItself) {
    ASSERT_EQ(take(QDateTime::currentDateTime().addSecs(-300)).status, Status::Taken);
    put(QStringLiteral("Heroine.d2s"), test::d2s::stateFile(96, 1, 13, 0x20));
    ASSERT_EQ(take(QDateTime::currentDateTime().addSecs(-200)).status, Status::Taken);
    put(QStringLiteral("Hero.key"), "other keys");
    ASSERT_EQ(take(QDateTime::currentDateTime().addSecs(-100)).status, Status::Taken);
    const snapshots::GameHistory history = store.history(game());
    const snapshots::FileEntry hero = *history.latest()->state.file(QStringLiteral("Hero.d2s"));
    test::writeBytes(QFile::decodeName(store.contentPath(hero.sha256)), "rotten");

    const snapshots::VerifyOutcome verified = store.verify();
    ASSERT_EQ(verified.damaged.size(), 1);
    EXPECT_EQ(verified.damaged[0].files, QStringList{"Hero.d2s"});
    EXPECT_EQ(store.checkContent(hero.sha256), 0);

    // The middle record goes bad: the newest still holds every file but the one it changed.
    const QString middle =
        storeRoot() + QStringLiteral("/games/") + game().key() + u'/' + history.entries()[1].fileName;
    QByteArray bytes = bytesOf(middle);
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
    test::writeBytes(middle, bytes);
    const snapshots::GameHistory damaged = store.history(game());
    EXPECT_EQ(damaged.damagedCount(), 1);
    QStringList lost;
    QStringList newestFiles;
    damaged.replay([&](const snapshots::Manifest&, const snapshots::SaveState& state, const QStringList& gone) {
        lost = gone;
        newestFiles = state.files().keys();
        newestFiles.sort();
    });
    EXPECT_EQ(lost, QStringList{"Heroine.d2s"});
    EXPECT_EQ(newestFiles.size(), 4);
    EXPECT_EQ(store.verify().damagedRecords, QStringList{history.entries()[1].fileName});
}

TEST_F(SnapshotStoreTest, ASecondWriterWaitsForTheLockAndThenSaysItCouldNot) {
    QDir().mkpath(storeRoot());
    const snapshots::StoreLock held(io, QFile::encodeName(storeRoot()), std::chrono::milliseconds(0));
    ASSERT_EQ(held.result(), 0);
    store.setLockWait(std::chrono::milliseconds(120));
    const SnapshotOutcome outcome = take();
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_TRUE(outcome.failure.startsWith(QStringLiteral("another Quillmere is writing the history")))
        << qPrintable(outcome.failure);
    EXPECT_EQ(snapshotCount(store), 0);
}

TEST_F(SnapshotStoreTest, AFolderThatIsGoneOrAStoreThatCannotBeWrittenFailsWithTheReason) {
    struct ReadOnlyIo final : copy::FileIo {
        int makeFolder(const QByteArray&) override { return -EROFS; }
    } readOnly;
    snapshots::SnapshotStore unwritable(storeRoot(), readOnly);
    const SnapshotOutcome refused = unwritable.take(game(), QStringLiteral("test"));
    EXPECT_EQ(refused.status, Status::Failed);
    EXPECT_TRUE(refused.failure.contains(QStringLiteral("Read-only"))) << qPrintable(refused.failure);

    QDir(saveFolder()).removeRecursively();
    const SnapshotOutcome gone = take();
    EXPECT_EQ(gone.status, Status::Failed);
    EXPECT_EQ(gone.failure, QStringLiteral("the save folder C:\\Save is gone"));
}
