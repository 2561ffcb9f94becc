#include "app/history_in_window.h"
#include "controls/dir_list_box.h"
#include "gui/archive/archive_fixture.h"
#include "history/export_dialog.h"
#include "history/history_window.h"
#include "main_window_parts.h"
#include "qt_print.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/snapshot_store.h"

#include <QAction>
#include <QLabel>

#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

using namespace quillmere;
using test::bytesOf;

namespace {

// Three snapshots of the save folder, a day apart: Hero at levels 24, 25 and 26, Heroine beside
// him all along, Other deleted after the first, and a shared stash.
class HistoryWindowTest : public test::ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        prefix.writeFile(QStringLiteral("Save\\SharedStashSoftCoreV2.d2i"), "stash 1");
        for (int day = 0; day < 3; ++day) {
            prefix.writeFile(QStringLiteral("Save\\Hero.d2s"), test::d2s::stateFile(96, 3, quint8(24 + day), 0x20));
            if (day == 1)
                QFile::remove(save() + QStringLiteral("/Other.d2s"));
            QThread::msleep(60); // a save just written is read once it is quiet
            ASSERT_EQ(store.take(game(), QStringLiteral("test"), now.addDays(day - 2)).status,
                      snapshots::SnapshotOutcome::Status::Taken);
        }
    }
    QString save() const { return prefix.hostOf(QStringLiteral("Save")); }
    snapshots::GameRef game() const { return *snapshots::gameRefInUse(); }
    std::unique_ptr<history::HistoryWindow> open() {
        return std::make_unique<history::HistoryWindow>(game(), store, history, fileCopy, nullptr);
    }
    static QStringList lines(const QListWidget* list) {
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        return shown;
    }
    static QStringList rows(const QTreeWidget* tree) {
        QStringList shown;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            shown << tree->topLevelItem(i)->text(1) + QStringLiteral(" | ") + tree->topLevelItem(i)->text(2);
        return shown;
    }
    void select(history::HistoryWindow& window, const QString& character, int version) {
        auto* characters = window.findChild<QListWidget*>(QStringLiteral("lstCharacters"));
        characters->setCurrentItem(characters->findItems(character, Qt::MatchExactly).value(0));
        auto* versions = window.findChild<QTreeWidget*>(QStringLiteral("lstVersions"));
        versions->setCurrentItem(versions->topLevelItem(version));
    }
    QPushButton* button(history::HistoryWindow& window, const char* name) {
        return window.findChild<QPushButton*>(QLatin1String(name));
    }

    const QDateTime now = QDateTime::currentDateTime();
    snapshots::SnapshotStore store{prefix.scratch() + QStringLiteral("/history")};
};

} // namespace

TEST_F(HistoryWindowTest, TheListsShowEachVersionThatDiffersDeletedCharactersIncluded) {
    const auto window = open();
    EXPECT_EQ(lines(window->findChild<QListWidget*>(QStringLiteral("lstCharacters"))),
              (QStringList{"Hero", "Heroine", "Other (deleted)", "Shared stash"}));
    select(*window, QStringLiteral("Hero"), 0);
    EXPECT_EQ(rows(window->findChild<QTreeWidget*>(QStringLiteral("lstVersions"))),
              (QStringList{"Paladin level 26 | same as now", "Paladin level 25 | level 26 now, 25 here",
                           "Paladin level 24 | level 26 now, 24 here"}));
    select(*window, QStringLiteral("Heroine"), 0);
    EXPECT_EQ(window->findChild<QTreeWidget*>(QStringLiteral("lstVersions"))->topLevelItemCount(), 1)
        << "a character that never changed has one version";
    select(*window, QStringLiteral("Other (deleted)"), 0);
    EXPECT_EQ(rows(window->findChild<QTreeWidget*>(QStringLiteral("lstVersions"))),
              QStringList{"Amazon level 3 | not in the save folder now"});
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblSummary"))
                    ->text()
                    .startsWith(QStringLiteral("3 snapshots, newest ")));
}

TEST_F(HistoryWindowTest, AnOlderVersionWarnsRestoresByteForByteAndUndoGivesBackTheNewer) {
    const QByteArray newer = bytesOf(save() + QStringLiteral("/Hero.d2s"));
    const QByteArray heroine = bytesOf(save() + QStringLiteral("/Heroine.d2s"));
    const auto window = open();
    select(*window, QStringLiteral("Hero"), 2);
    boxes.answerNext(controls::MsgAnswer::Yes);
    button(*window, "cmdRestore")->click();

    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::WarningDefaultNo);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("Hero in the save folder is a level 26 Paladin")))
        << qPrintable(boxes.boxes()[0].text);
    EXPECT_EQ(boxes.boxes()[1].text, QStringLiteral("All character(s) were successfully restored!"));
    EXPECT_EQ(bytesOf(save() + QStringLiteral("/Hero.d2s")), test::d2s::stateFile(96, 3, 24, 0x20));
    EXPECT_EQ(bytesOf(save() + QStringLiteral("/Heroine.d2s")), heroine) << "Hero's own files only";

    QString failure;
    ASSERT_TRUE(history.undo(*history.lastRestore(), &failure)) << qPrintable(failure);
    EXPECT_EQ(bytesOf(save() + QStringLiteral("/Hero.d2s")), newer);
}

TEST_F(HistoryWindowTest, TheSharedStashComesBackTheSameWay) {
    prefix.writeFile(QStringLiteral("Save\\SharedStashSoftCoreV2.d2i"), "lost after a crash");
    const auto window = open();
    select(*window, QStringLiteral("Shared stash"), 0);
    button(*window, "cmdRestore")->click();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Success!"));
    EXPECT_EQ(bytesOf(save() + QStringLiteral("/SharedStashSoftCoreV2.d2i")), "stash 1");
}

TEST_F(HistoryWindowTest, ADamagedContentIsShownAndRefusedByName) {
    const QByteArray before = bytesOf(save() + QStringLiteral("/Hero.d2s"));
    const auto latest = store.history(game()).entries().first().manifest;
    for (const snapshots::FileEntry& file : latest->written) {
        if (file.name == QStringLiteral("Hero.d2s"))
            test::writeBytes(QFile::decodeName(store.contentPath(file.sha256)), "rot");
    }
    const auto window = open();
    select(*window, QStringLiteral("Hero"), 2);
    EXPECT_EQ(window->findChild<QTreeWidget*>(QStringLiteral("lstVersions"))->topLevelItem(2)->text(2),
              QStringLiteral("damaged: Hero.d2s"));
    EXPECT_FALSE(button(*window, "cmdRestore")->isEnabled());
    EXPECT_FALSE(button(*window, "cmdExport")->isEnabled());
    window->cmdRestore_Click(); // even when asked for anyway
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("the stored copy of Hero.d2s is damaged")))
        << qPrintable(boxes.boxes()[0].text);
    EXPECT_EQ(bytesOf(save() + QStringLiteral("/Hero.d2s")), before);
}

TEST_F(HistoryWindowTest, APinnedSnapshotSurvivesTheRetentionThatWouldPruneIt) {
    const auto window = open();
    select(*window, QStringLiteral("Hero"), 1);
    button(*window, "cmdPin")->click();
    EXPECT_EQ(button(*window, "cmdPin")->text(), QStringLiteral("Un&pin"));
    // Weeks later only the newest of the week stays, and the last to hold Other; and the pinned one.
    store.prune(now.addDays(40));
    window->reload();
    auto* versions = window->findChild<QTreeWidget*>(QStringLiteral("lstVersions"));
    EXPECT_EQ(rows(versions),
              (QStringList{"Paladin level 26 | same as now", "Paladin level 25, pinned | level 26 now, 25 here",
                           "Paladin level 24 | level 26 now, 24 here"}));
    select(*window, QStringLiteral("Hero"), 1);
    button(*window, "cmdPin")->click();
    store.prune(now.addDays(40));
    window->reload();
    EXPECT_EQ(versions->topLevelItemCount(), 2) << "unpinned, it goes";
}

TEST_F(HistoryWindowTest, ExportWritesTheVersionsFilesIntoAFolderNamedAfterTheCharacter) {
    const auto window = open();
    select(*window, QStringLiteral("Hero"), 1);
    QTimer::singleShot(0, [this] {
        auto* dialog = qobject_cast<history::ExportDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(dialog->findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath(QStringLiteral("A:\\")));
        dialog->cmdOK_Click();
        if (dialog->isVisible())
            dialog->reject();
    });
    button(*window, "cmdExport")->click();
    ASSERT_FALSE(boxes.boxes().isEmpty());
    EXPECT_EQ(boxes.boxes().last().text, QStringLiteral("The version was successfully exported!"));
    EXPECT_EQ(test::filesIn(floppy + QStringLiteral("/Hero")), (QStringList{"Hero.bak", "Hero.d2s", "Hero.txt"}));
    EXPECT_EQ(bytesOf(floppy + QStringLiteral("/Hero/Hero.d2s")), test::d2s::stateFile(96, 3, 25, 0x20));
}

TEST_F(HistoryWindowTest, FileHistoryIsOfferedOnceTheGameHasASnapshotAndOpensTheWindow) {
    test::MainWindowParts parts;
    const auto mainWindow = parts.makeWindow();
    test::writeBytes(prefix.scratch() + QStringLiteral("/blocked"), "no history can be made here");
    snapshots::SnapshotStore none(prefix.scratch() + QStringLiteral("/blocked/history"));
    for (snapshots::SnapshotStore* shown : {&none, &store}) {
        snapshots::AutoSnapshots automatic(*shown);
        auto* added = new app::HistoryInWindow(*mainWindow, *shown, automatic, history, fileCopy);
        auto* item = mainWindow->findChild<QAction*>(QStringLiteral("mnuFile_History"));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text(), QStringLiteral("&History..."));
        EXPECT_EQ(item->isEnabled(), shown == &store);
        if (shown == &store) {
            bool opened = false;
            QTimer::singleShot(0, [&opened] {
                auto* window = qobject_cast<history::HistoryWindow*>(QApplication::activeModalWidget());
                opened = window != nullptr;
                if (window)
                    window->reject();
            });
            item->trigger();
            EXPECT_TRUE(opened);
        }
        delete added;
        delete item;
    }
}
