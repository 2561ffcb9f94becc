#include "archive/restore_dialog.h"
#include "gui/archive/restore_fixture.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/snapshot_store.h"

#include <QSignalSpy>

using namespace quillmere;

namespace {

// Hero's backup on the floppy, and a Hero of level 20 in the save folder C:\Fresh.
class SnapshotHooksTest : public test::RestoreTest {
protected:
    void SetUp() override {
        RestoreTest::SetUp();
        prefix.writeFile(QStringLiteral("Fresh\\Hero.d2s"), test::d2s::stateFile(96, 3, 20, 0x20));
    }
    // Each snapshot's reason with the level its Hero has.
    QStringList reasonsAndLevels() const {
        QStringList seen;
        store.history(*snapshots::gameRefInUse())
            .replay([&seen](const snapshots::Manifest& m, const snapshots::SaveState& state, const QStringList&) {
                const auto hero = state.summaryOf(QStringLiteral("Hero.d2s"));
                seen << m.reason + u' ' + (hero && hero->level ? QString::number(*hero->level) : QStringLiteral("-"));
            });
        return seen;
    }

    snapshots::SnapshotStore store{prefix.scratch() + QStringLiteral("/history")};
};

} // namespace

TEST_F(SnapshotHooksTest, ASaveWrittenInPlaceIsTakenOnceTheFolderIsQuiet) {
    snapshots::AutoSnapshots automatic(store, std::chrono::milliseconds(150));
    QSignalSpy taken(&automatic, &snapshots::AutoSnapshots::snapshotTaken);
    automatic.followGameInUse();
    QFile save(fresh() + QStringLiteral("/Hero.d2s"));
    ASSERT_TRUE(save.open(QIODevice::ReadWrite));
    save.write(test::d2s::stateFile(96, 3, 21, 0x20)); // the game's own save: in place, no new name
    save.close();
    ASSERT_TRUE(taken.wait(5000));
    EXPECT_EQ(reasonsAndLevels(), QStringList{"quiet 21"});
}

TEST_F(SnapshotHooksTest, AnAutomaticSnapshotThatFailsSaysWhy) {
    test::writeBytes(prefix.scratch() + QStringLiteral("/blocked"), "a file where the history goes");
    snapshots::SnapshotStore blocked(prefix.scratch() + QStringLiteral("/blocked/history"));
    snapshots::AutoSnapshots automatic(blocked);
    QSignalSpy failed(&automatic, &snapshots::AutoSnapshots::snapshotFailed);
    automatic.followGameInUse();
    automatic.takeNow(QStringLiteral("test"));
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_TRUE(failed[0][0].toString().startsWith(QStringLiteral("the history in ")))
        << qPrintable(failed[0][0].toString());
}

TEST_F(SnapshotHooksTest, ARestoreAndItsUndoEachKeepWhatTheyReplaceInTheHistory) {
    history.setSnapshots(&store);
    shell.answerReplace(copy::ReplaceAnswer::YesToAll);
    boxes.answerNext(controls::MsgAnswer::Yes); // the restore goes backwards in time
    archive::RestoreDialog dialog(fileCopy, history);
    open(dialog, QStringLiteral("A:\\Hero"));
    click(dialog, QStringLiteral("Hero.d2s"));
    pressOK(dialog);
    ASSERT_EQ(boxes.boxes().last().title, QStringLiteral("Success!")) << qPrintable(boxes.boxes().last().text);
    QString failure;
    ASSERT_TRUE(history.undo(*history.lastRestore(), &failure)) << qPrintable(failure);
    EXPECT_EQ(reasonsAndLevels(), (QStringList{"restore 20", "undo 26"}));
}
