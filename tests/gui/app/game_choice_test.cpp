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
#include "main_window_parts.h"
#include "support/d2s_fixtures.h"
#include "support/files.h"
#include "support/modal_answer.h"
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
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillmere;
using test::TempHome;
namespace d2s = test::d2s;

namespace {

// Answers the next "Select Game" window with a row and OK, or with Cancel for row -1, and keeps what
// the window showed.
class SelectGameAnswer final {
public:
    explicit SelectGameAnswer(int row)
        : m_answer([this, row](QWidget* window) { answer(window, row); }) {}

    bool shown = false;
    QString title;
    QStringList rows;
    int highlighted = -1;

private:
    void answer(QWidget* window, int row) {
        if (window->objectName() != QStringLiteral("frmSelectGame"))
            return;
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lstGames"));
        shown = true;
        title = window->windowTitle();
        highlighted = list->currentRow();
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text();
        if (row < 0) {
            window->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            return;
        }
        list->setCurrentRow(row);
        QTest::keyClick(list, Qt::Key_Return); // OK is the default button
    }

    test::ModalAnswer m_answer;
};

const QString kResurrected = QStringLiteral("C:\\users\\me\\Saved Games\\Diablo II Resurrected");
const QString kProtonResurrected = QStringLiteral("C:\\users\\steamuser\\Saved Games\\Diablo II Resurrected");
const QString kAskLabel = QStringLiteral("Please select an existing character that you would like to backup:");

class GameChoiceTest : public ::testing::Test, protected test::MainWindowParts {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        lutris = TempHome::makePrefix(home.path("Games/battlenet"), "me");
        const QString saves = TempHome::savedGames(lutris, "me", "Diablo II Resurrected");
        test::writeBytes(saves + "/Nyx.d2s", d2s::stateFile(105, 7, 42, 0x2c));
        test::writeBytes(saves + "/Aldric.d2s", d2s::stateFile(105, 3, 77, 0x60));
    }

    // A second game: Resurrected in a Proton prefix.
    void addSteamGame() {
        steam = TempHome::makePrefix(home.path(".local/share/Steam/steamapps/compatdata/4242/pfx"), "steamuser");
        const QString saves = TempHome::savedGames(steam, "steamuser", "Diablo II Resurrected");
        test::writeBytes(saves + "/Proton.d2s", d2s::stateFile(105, 0, 12, 0x20));
    }

    // A prefix outside every place discovery looks, holding a classic game named by its registry values.
    QString addNamedPrefix() {
        const QString named = TempHome::makePrefix(home.path("../custom prefix"), "me");
        test::writeBytes(named + "/drive_c/Diablo II/Save/Hero.d2s", d2s::signedFile(96, 3, 26));
        TempHome::writeReg(named, true, {{QLatin1String(regedit::kGameKey), {{"Save Path", "C:\\Diablo II\\Save"}}}});
        return named;
    }

    app::GameChoice choice(const QString& named = {}) const {
        return app::GameChoice({named, home.home(), home.environment()}, home.settingsFile());
    }

    // Start-up with "Select Game" answered with the row given.
    void startUp(app::GameChoice& gameChoice, int row) {
        SelectGameAnswer answer(row);
        gameChoice.chooseAtStartUp();
        EXPECT_TRUE(answer.shown);
    }

    std::unique_ptr<app::MainWindow> makeWindow(app::GameChoice* gameChoice, const QString& notice = {}) {
        auto window = std::make_unique<app::MainWindow>(launcher, fileCopy, history, titleBar);
        window->setGameChoice(gameChoice);
        window->showNotice(notice);
        window->show();
        return window;
    }

    static void selectGameFromTheMenu(const QWidget& window) {
        window.findChild<QAction*>(QStringLiteral("mnuFile_SelectGame"))->trigger();
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
};

} // namespace

TEST_F(GameChoiceTest, OneGameFoundIsUsedWithoutAQuestion) {
    SelectGameAnswer answer(0);
    app::GameChoice gameChoice = choice();
    EXPECT_EQ(gameChoice.chooseAtStartUp(), QString());
    EXPECT_FALSE(answer.shown);
    ASSERT_TRUE(games::gameInUse());
    EXPECT_EQ(games::gameInUse()->prefix, lutris);
    EXPECT_EQ(host::winePrefixPath(), lutris);

    auto window = makeWindow(&gameChoice);
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));
    EXPECT_EQ(window->findChild<controls::DirListBox*>(QStringLiteral("Dir1"))->path(), kResurrected);
}

TEST_F(GameChoiceTest, TwoGamesFoundAskWhichListingEachWithItsPrefixAndSaveFolder) {
    addSteamGame();
    SelectGameAnswer answer(1);
    choice().chooseAtStartUp();
    ASSERT_TRUE(answer.shown);
    EXPECT_EQ(answer.title, QStringLiteral("Select Game"));
    EXPECT_EQ(answer.rows,
              (QStringList{"Diablo II: Resurrected\nPrefix: " + lutris + "\nSave folder: " + kResurrected,
                           "Diablo II: Resurrected\nPrefix: " + steam + "\nSave folder: " + kProtonResurrected}));
    EXPECT_EQ(host::winePrefixPath(), steam);
}

TEST_F(GameChoiceTest, TheGameChosenIsRememberedAndARestartAsksNothing) {
    addSteamGame();
    app::GameChoice first = choice();
    startUp(first, 1);
    games::useNoGame();

    SelectGameAnswer again(0);
    app::GameChoice second = choice();
    second.chooseAtStartUp();
    EXPECT_FALSE(again.shown);
    EXPECT_EQ(host::winePrefixPath(), steam);
    auto window = makeWindow(&second);
    EXPECT_EQ(listed(*window), QStringList{"Proton.d2s"});
}

TEST_F(GameChoiceTest, TheMenuOffersTheSameWindowOnTheGameInUseAndChoosingSwitchesEverythingAtOnce) {
    addSteamGame();
    app::GameChoice gameChoice = choice();
    startUp(gameChoice, 1);
    auto window = makeWindow(&gameChoice);

    SelectGameAnswer fromMenu(0);
    selectGameFromTheMenu(*window);
    ASSERT_TRUE(fromMenu.shown);
    EXPECT_EQ(fromMenu.highlighted, 1);
    EXPECT_EQ(host::winePrefixPath(), lutris);
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));
    clickFile(*window, "Nyx.d2s");
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Warlock"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("42"));
    EXPECT_EQ(choice().remembered()->prefix, lutris);
}

TEST_F(GameChoiceTest, CancelAtStartUpStartsOnTheFirstGameAndRemembersNothing) {
    addSteamGame();
    app::GameChoice gameChoice = choice();
    startUp(gameChoice, -1);
    EXPECT_EQ(host::winePrefixPath(), lutris);
    EXPECT_FALSE(choice().remembered());
    EXPECT_FALSE(QFileInfo::exists(home.settingsFile()));
}

TEST_F(GameChoiceTest, CancelFromTheMenuChangesNothing) {
    addSteamGame();
    app::GameChoice gameChoice = choice();
    startUp(gameChoice, 1);
    auto window = makeWindow(&gameChoice);

    SelectGameAnswer fromMenu(-1);
    selectGameFromTheMenu(*window);
    EXPECT_TRUE(fromMenu.shown);
    EXPECT_EQ(host::winePrefixPath(), steam);
    EXPECT_EQ(listed(*window), QStringList{"Proton.d2s"});
    EXPECT_EQ(choice().remembered()->prefix, steam);
}

TEST_F(GameChoiceTest, ARememberedGameThatIsGoneFallsBackToDiscoveryAndSaysSo) {
    addSteamGame();
    choice().remember(games::gamesInPrefix(steam).first());
    ASSERT_TRUE(QDir(home.path(".local/share/Steam")).removeRecursively());

    SelectGameAnswer answer(0);
    app::GameChoice gameChoice = choice();
    const QString notice = gameChoice.chooseAtStartUp();
    EXPECT_FALSE(answer.shown); // one game is left
    EXPECT_EQ(host::winePrefixPath(), lutris);
    auto window = makeWindow(&gameChoice, notice);
    EXPECT_EQ(text(*window, "Label1"), QStringLiteral("The game chosen last time was not found."));
    EXPECT_EQ(listed(*window), (QStringList{"Aldric.d2s", "Nyx.d2s"}));
}

TEST_F(GameChoiceTest, ChoosingAGameAgainPutsTheLabelBack) {
    addSteamGame();
    choice().remember(games::gamesInPrefix(steam).first());
    ASSERT_TRUE(QDir(home.path(".local/share/Steam")).removeRecursively());
    app::GameChoice gameChoice = choice();
    auto window = makeWindow(&gameChoice, gameChoice.chooseAtStartUp());
    ASSERT_NE(text(*window, "Label1"), kAskLabel);

    SelectGameAnswer fromMenu(0);
    selectGameFromTheMenu(*window);
    EXPECT_TRUE(fromMenu.shown);
    EXPECT_EQ(text(*window, "Label1"), kAskLabel);
}

TEST_F(GameChoiceTest, ANamedPrefixIsUsedAsItIsAndOnlyItsGamesAreOffered) {
    addSteamGame();
    const QString named = addNamedPrefix();

    SelectGameAnswer answer(0);
    app::GameChoice gameChoice = choice(named);
    EXPECT_EQ(gameChoice.chooseAtStartUp(), QString());
    EXPECT_FALSE(answer.shown);
    EXPECT_EQ(host::winePrefixPath(), named);
    EXPECT_EQ(regedit::saveFolder(), QStringLiteral("C:\\Diablo II\\Save"));
    EXPECT_EQ(gameChoice.candidates().size(), 1);
}

TEST_F(GameChoiceTest, InANamedPrefixOfTwoGamesTheRememberedOneIsTakenWithoutAsking) {
    const QString named = addNamedPrefix();
    TempHome::savedGames(named, "me", "Diablo II Resurrected");
    ASSERT_EQ(games::gamesInPrefix(named).size(), 2);
    choice(named).remember(games::gamesInPrefix(named)[1]);

    SelectGameAnswer answer(0);
    choice(named).chooseAtStartUp();
    EXPECT_FALSE(answer.shown);
    ASSERT_TRUE(games::gameInUse());
    EXPECT_EQ(games::gameInUse()->edition, games::Edition::Resurrected);
    EXPECT_EQ(host::winePrefixPath(), named);
}

TEST_F(GameChoiceTest, ANamedFolderThatIsNoPrefixIsStillTheOneUsedAndNothingIsFoundInIt) {
    app::GameChoice nowhere = choice(home.path("no-such-prefix"));
    nowhere.chooseAtStartUp();
    EXPECT_FALSE(games::gameInUse());
    EXPECT_EQ(host::winePrefixPath(), home.path("no-such-prefix"));
    auto window = makeWindow(&nowhere);
    EXPECT_TRUE(listed(*window).isEmpty());
    EXPECT_TRUE(text(*window, "Label1").contains(QStringLiteral("not found")));
    selectGameFromTheMenu(*window);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Select Game"));
}

TEST_F(GameChoiceTest, Version105CharactersShowClassLevelAndStateInTheMainWindow) {
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
}

TEST_F(GameChoiceTest, TheRestoreDialogPreviewsVersion105CharactersAndRestoresIntoTheChosenGame) {
    app::GameChoice gameChoice = choice();
    gameChoice.chooseAtStartUp();
    auto window = makeWindow(&gameChoice);
    test::writeBytes(lutris + "/drive_c/Backups/Nyx/Nyx.d2s", d2s::stateFile(105, 7, 43, 0x24));
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
    test::writeBytes(TempHome::savedGames(other, "me", "Diablo II Resurrected") + "/mods/Big/Other.d2s",
                     d2s::stateFile(105, 1, 5, 0x20));
    test::writeBytes(other + "/drive_c/users/me/Saved Games/Diablo II Resurrected/Other.d2s",
                     d2s::stateFile(105, 1, 5, 0x20));
    app::GameChoice gameChoice = choice();
    {
        SelectGameAnswer answer(0);
        gameChoice.chooseAtStartUp();
        ASSERT_EQ(answer.rows.size(), 3); // Games/battlenet, then Games/second and its mod
    }
    auto window = makeWindow(&gameChoice);
    auto* dir1 = window->findChild<controls::DirListBox*>(QStringLiteral("Dir1"));
    EXPECT_TRUE(dir1->findItems(QStringLiteral("mods"), Qt::MatchExactly).isEmpty());

    SelectGameAnswer fromMenu(1);
    selectGameFromTheMenu(*window);
    EXPECT_EQ(dir1->path(), kResurrected);
    EXPECT_EQ(listed(*window), QStringList{"Other.d2s"});
    EXPECT_EQ(dir1->findItems(QStringLiteral("mods"), Qt::MatchExactly).size(), 1);
    clickFile(*window, "Other.d2s");
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Sorceress"));
}
