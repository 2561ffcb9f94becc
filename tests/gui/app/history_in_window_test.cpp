#include "app/history_in_window.h"

#include "gui/archive/archive_fixture.h"
#include "main_window_parts.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/snapshot_store.h"

#include <QTest>

namespace quillmere {
namespace {

using HistoryInWindowTest = test::ArchiveTest;

// The window opens without sharing the disk with the opening snapshot: it is taken once drawn.
TEST_F(HistoryInWindowTest, TakesTheOpeningSnapshotOnceTheWindowHasBeenDrawn) {
    test::MainWindowParts parts;
    app::MainWindow window(parts.launcher, parts.fileCopy, parts.history, parts.titleBar);
    snapshots::SnapshotStore store(prefix.scratch() + QStringLiteral("/history"));
    snapshots::AutoSnapshots automatic(store);
    new app::HistoryInWindow(window, store, automatic, history, fileCopy);
    ASSERT_TRUE(automatic.game());
    const auto snapshotCount = [&] { return store.history(*automatic.game()).entries().size(); };

    QTest::qWait(200);
    EXPECT_FALSE(automatic.isBusy());
    EXPECT_EQ(snapshotCount(), 0);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return snapshotCount() == 1; }, 10000));
}

} // namespace
} // namespace quillmere
