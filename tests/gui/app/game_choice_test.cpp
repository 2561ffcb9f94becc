// Start-up with temporary homes: which game is used, when "Select Game" asks, what is remembered,
// and how the whole window follows a change of game.
#include "app/game_choice.h"
#include "app/launcher.h"
#include "app/main_window.h"
#include "archive/restore_dialog.h"
#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "controls/dir_list_box.h"
#include "controls/file_list_box.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "host/wine_prefix.h"
#include "support/d2s_fixtures.h"
#include "support/qt_print.h"
#include "support/recording_message_box.h"
#include "support/scripted_shell_ui.h"
#include "support/temp_home.h"
#include "titlebar/gradient_title_bar.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillmere;
using test::TempHome;
namespace d2s = test::d2s;

namespace {

class NoStarter final : public host::ProcessStarter {
public:
    host::StartResult start(const QString&, host::ShowWindow, host::FailedSoon) override { return {true, {}}; }
};

// What the next "Select Game" window showed; it is answered with a row and OK, or with Cancel.
struct SelectGameSeen {
    bool shown = false;
    QString title;
    QStringList rows;
    int highlighted = -1;
};

void answerSelectGame(SelectGameSeen* seen, int row) {
    QTimer::singleShot(0, [seen, row] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != QStringLiteral("frmSelectGame"))
            return;
        auto* list = modal->findChild<QListWidget*>(QStringLiteral("lstGames"));
        seen->shown = true;
        seen->title = modal->windowTitle();
        seen->highlighted = list->currentRow();
        for (int i = 0; i < list->count(); ++i)
            seen->rows << list->item(i)->text();
        if (row < 0) {
            modal->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            return;
        }
        list->setCurrentRow(row);
        QTest::keyClick(list, Qt::Key_Return); // OK is the default button
    });
}

const QString kResurrected = QStringLiteral("C:\\users\\me\\Saved Games\\Diablo II Resurrected");
const QString kProtonResurrected = QStringLiteral("C:\\users\\steamuser\\Saved Games\\Diablo II Resurrected");

class GameChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        lutris = TempHome::makePrefix(home.path("Games/battlenet"), "me");
        const QString saves = TempHome::savedGames(lutris, "me", "Diablo II Resurrected");
        TempHome::writeFile(saves + "/Nyx.d2s", d2s::stateFile(105, 7, 42, 0x2c));
        TempHome::writeFile(saves + "/Aldric.d2s", d2s::stateFile(105, 3, 77, 0x60));
    }

    // A second game: Resurrected in a Proton prefix.
    void addSteamGame() {
        steam = TempHome::makePrefix(home.path(".local/share/Steam/steamapps/compatdata/4242/pfx"), "steamuser");
        const QString saves = TempHome::savedGames(steam, "steamuser", "Diablo II Resurrected");
        TempHome::writeFile(saves + "/Proton.d2s", d2s::stateFile(105, 0, 12, 0x20));
    }

    app::GameChoice choice(const QString& named = {}) const {
        return app::GameChoice({named, home.home(), home.environment()}, home.settingsFile());
    }

    std::unique_ptr<app::MainWindow> makeWindow(app::GameChoice* gameChoice, const QString& notice = {}) {
        auto window = std::make_unique<app::MainWindow>(launcher, fileCopy, history, titleBar);
        window->setGameChoice(gameChoice);
        window->showNotice(notice);
        window->show();
        return window;
    }

    static QStringList listed(const QWidget& window) {
        auto* list = window.findChild<controls::FileListBox*>(QStringLiteral("File1"));
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }

    static void clickFile(const QWidget& window, const QString& name) {
        auto* list = window.findChild<controls::FileListBox*>(QStringLiteral("File1"));
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << qPrintable(name);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    }

    static QString text(const QWidget& window, const char* name) {
        return window.findChild<QLabel*>(QLatin1String(name))->text();
    }

    TempHome home;
    QString lutris;
    QString steam;
    test::RecordingMessageBox boxes;
    NoStarter starter;
    app::Launcher launcher{starter};
    test::ScriptedShellUi shell;
    archive::ShellFileCopy fileCopy{shell};
    QTemporaryDir keptFolder;
    archive::RestoreHistory history{keptFolder.path(), fileCopy};
    titlebar::GradientTitleBar titleBar;
};

} // namespace

TEST_F(GameChoiceTest, OneGameFoundIsUsedWithoutAQuestion) {
    SelectGameSeen seen;
    answerSelectGame(&seen, 0);
    app::GameChoice gameChoice = choice();
    EXPECT_EQ(gameChoice.chooseAtStartUp(), QString());
    QApplication::processEvents();
    EXPECT_FALSE(seen.shown);
    ASSERT_TRUE(games::gameInUse());
    EXPECT_EQ(games::gameInUse()->prefix, lutris);
    EXPECT_EQ(host::winePrefixPath(), lutris);

    auto window = makeWindow(&gameChoice);
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));
    EXPECT_EQ(window->findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->path(), kResurrected);
}

TEST_F(GameChoiceTest, TwoGamesAskAndTheChoiceIsRememberedAndChangedThroughTheMenu) {
    addSteamGame();
    SelectGameSeen seen;
    answerSelectGame(&seen, 1);
    app::GameChoice first = choice();
    first.chooseAtStartUp();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, QStringLiteral("Select Game"));
    EXPECT_EQ(seen.rows,
              (QStringList{"Diablo II: Resurrected\nPrefix: " + lutris + "\nSave folder: " + kResurrected,
                           "Diablo II: Resurrected\nPrefix: " + steam + "\nSave folder: " + kProtonResurrected}));
    EXPECT_EQ(host::winePrefixPath(), steam);

    // A restart asks nothing and comes back to the same game.
    games::useNoGame();
    SelectGameSeen again;
    answerSelectGame(&again, 0);
    app::GameChoice second = choice();
    second.chooseAtStartUp();
    QApplication::processEvents();
    EXPECT_FALSE(again.shown);
    EXPECT_EQ(host::winePrefixPath(), steam);
    auto window = makeWindow(&second);
    EXPECT_EQ(listed(*window), QStringList{"Proton.d2s"});

    // The menu offers the same window, on the game in use; choosing switches everything at once.
    SelectGameSeen fromMenu;
    answerSelectGame(&fromMenu, 0);
    window->findChild<QAction*>(QStringLiteral("mnuFile_SelectGame"))->trigger();
    ASSERT_TRUE(fromMenu.shown);
    EXPECT_EQ(fromMenu.highlighted, 1);
    EXPECT_EQ(host::winePrefixPath(), lutris);
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));
    clickFile(*window, "Nyx.d2s");
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Warlock"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("42"));
    EXPECT_EQ(choice().remembered()->prefix, lutris);
}

TEST_F(GameChoiceTest, CancelStartsOnTheFirstGameAndRemembersNothing) {
    addSteamGame();
    SelectGameSeen seen;
    answerSelectGame(&seen, -1);
    choice().chooseAtStartUp();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(host::winePrefixPath(), lutris);
    EXPECT_FALSE(choice().remembered());
    EXPECT_FALSE(QFileInfo::exists(home.settingsFile()));

    // Cancel from the menu changes nothing.
    app::GameChoice gameChoice = choice();
    auto window = makeWindow(&gameChoice);
    SelectGameSeen fromMenu;
    answerSelectGame(&fromMenu, -1);
    window->findChild<QAction*>(QStringLiteral("mnuFile_SelectGame"))->trigger();
    EXPECT_TRUE(fromMenu.shown);
    EXPECT_EQ(host::winePrefixPath(), lutris);
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));
}

TEST_F(GameChoiceTest, ARememberedGameThatIsGoneFallsBackToDiscoveryAndSaysSo) {
    addSteamGame();
    choice().remember(games::gamesInPrefix(steam).first());
    ASSERT_TRUE(QDir(home.path(".local/share/Steam")).removeRecursively());

    SelectGameSeen seen;
    answerSelectGame(&seen, 0);
    app::GameChoice gameChoice = choice();
    const QString notice = gameChoice.chooseAtStartUp();
    QApplication::processEvents();
    EXPECT_FALSE(seen.shown); // one game is left
    EXPECT_EQ(host::winePrefixPath(), lutris);
    auto window = makeWindow(&gameChoice, notice);
    EXPECT_EQ(text(*window, "Label1"), QStringLiteral("The game chosen last time was not found."));
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));

    // Choosing again puts the label back.
    SelectGameSeen fromMenu;
    answerSelectGame(&fromMenu, 0);
    window->findChild<QAction*>(QStringLiteral("mnuFile_SelectGame"))->trigger();
    EXPECT_EQ(text(*window, "Label1"),
              QStringLiteral("Please select an existing character that you would like to backup:"));
}

TEST_F(GameChoiceTest, ANamedPrefixIsUsedAsItIsAndOnlyItsGamesAreOffered) {
    addSteamGame();
    // Outside every place discovery looks: a classic game named by its registry values.
    const QString named = TempHome::makePrefix(home.path("../custom prefix"), "me");
    TempHome::writeFile(named + "/drive_c/Diablo II/Save/Hero.d2s", d2s::signedFile(96, 3, 26));
    TempHome::writeReg(named, true, {{QLatin1String(regedit::kGameKey), {{"Save Path", "C:\\Diablo II\\Save"}}}});

    SelectGameSeen seen;
    answerSelectGame(&seen, 0);
    app::GameChoice gameChoice = choice(named);
    EXPECT_EQ(gameChoice.chooseAtStartUp(), QString());
    QApplication::processEvents();
    EXPECT_FALSE(seen.shown);
    EXPECT_EQ(host::winePrefixPath(), named);
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\Diablo II\\Save"));
    EXPECT_EQ(gameChoice.candidates().size(), 1);

    // With two games in it, the remembered one of them is taken without asking.
    TempHome::savedGames(named, "me", "Diablo II Resurrected");
    choice(named).remember(games::gamesInPrefix(named)[1]);
    games::useNoGame();
    choice(named).chooseAtStartUp();
    QApplication::processEvents();
    EXPECT_FALSE(seen.shown);
    ASSERT_TRUE(games::gameInUse());
    EXPECT_EQ(games::gameInUse()->edition, games::Edition::Resurrected);
    EXPECT_EQ(host::winePrefixPath(), named);

    // A named folder that is no prefix is still the one used: nothing is found in it.
    games::useNoGame();
    app::GameChoice nowhere = choice(home.path("no-such-prefix"));
    nowhere.chooseAtStartUp();
    EXPECT_FALSE(games::gameInUse());
    EXPECT_EQ(host::winePrefixPath(), home.path("no-such-prefix"));
    auto window = makeWindow(&nowhere);
    EXPECT_TRUE(listed(*window).isEmpty());
    EXPECT_TRUE(text(*window, "Label1").contains(QStringLiteral("not found")));
    window->findChild<QAction*>(QStringLiteral("mnuFile_SelectGame"))->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Select Game"));
}

TEST_F(GameChoiceTest, Version105CharactersShowClassLevelAndStateInBothWindows) {
    app::GameChoice gameChoice = choice();
    gameChoice.chooseAtStartUp();
    auto window = makeWindow(&gameChoice);
    auto* frame = window->findChild<QWidget*>(QStringLiteral("Frame2"));
    const QRect before = frame->geometry();

    clickFile(*window, "Nyx.d2s");
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Warlock"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("42"));
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("Picture9"))->isVisible());
    EXPECT_EQ(frame->toolTip(), QStringLiteral("Hardcore, expansion, died: this character can no longer be played"));
    EXPECT_EQ(frame->accessibleDescription(), frame->toolTip());
    EXPECT_EQ(frame->geometry(), before);

    clickFile(*window, "Aldric.d2s");
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Paladin"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("77"));
    EXPECT_FALSE(window->findChild<QWidget*>(QStringLiteral("Picture9"))->isVisible());
    EXPECT_EQ(frame->toolTip(), QStringLiteral("Softcore, expansion, ladder"));

    // The restore dialog previews the same way, and restores into the chosen game's save folder.
    TempHome::writeFile(lutris + "/drive_c/Backups/Nyx/Nyx.d2s", d2s::stateFile(105, 7, 43, 0x24));
    shell.answerReplace(copy::ReplaceAnswer::Yes);
    archive::RestoreDialog dialog(fileCopy, history);
    dialog.show();
    ASSERT_TRUE(dialog.findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->setPath("C:\\Backups\\Nyx"));
    clickFile(dialog, "Nyx.d2s");
    EXPECT_EQ(text(dialog, "Label4"), QStringLiteral("Warlock"));
    EXPECT_EQ(text(dialog, "Label5"), QStringLiteral("43"));
    EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("Frame2"))->toolTip(), QStringLiteral("Hardcore, expansion"));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    ASSERT_FALSE(boxes.boxes().isEmpty());
    EXPECT_EQ(boxes.boxes().last().style, controls::MsgStyle::Information) << qPrintable(boxes.boxes().last().text);
    window->findChild<QPushButton*>(QStringLiteral("cmdRefresh"))->click();
    clickFile(*window, "Nyx.d2s");
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("43"));
}

TEST_F(GameChoiceTest, SwitchingToAnotherPrefixWithTheSameFolderNamesListsItsOwnFiles) {
    const QString other = TempHome::makePrefix(home.path("Games/second"), "me");
    TempHome::writeFile(TempHome::savedGames(other, "me", "Diablo II Resurrected") + "/mods/Big/Other.d2s",
                        d2s::stateFile(105, 1, 5, 0x20));
    TempHome::writeFile(other + "/drive_c/users/me/Saved Games/Diablo II Resurrected/Other.d2s",
                        d2s::stateFile(105, 1, 5, 0x20));
    SelectGameSeen seen;
    answerSelectGame(&seen, 0);
    app::GameChoice gameChoice = choice();
    gameChoice.chooseAtStartUp();
    ASSERT_EQ(seen.rows.size(), 3); // Games/battlenet, then Games/second and its mod
    auto window = makeWindow(&gameChoice);
    auto* dir1 = window->findChild<controls::DirListBox*>(QStringLiteral("Dir1"));
    EXPECT_TRUE(dir1->findItems(QStringLiteral("mods"), Qt::MatchExactly).isEmpty());

    SelectGameSeen fromMenu;
    answerSelectGame(&fromMenu, 1);
    window->findChild<QAction*>(QStringLiteral("mnuFile_SelectGame"))->trigger();
    EXPECT_EQ(dir1->path(), kResurrected);
    EXPECT_EQ(listed(*window), QStringList{"Other.d2s"});
    EXPECT_EQ(dir1->findItems(QStringLiteral("mods"), Qt::MatchExactly).size(), 1);
    clickFile(*window, "Other.d2s");
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Sorceress"));
}
