#include "app/launcher.h"
#include "app/main_window.h"
#include "archive/restore_history.h"
#include "archive/shell_copy.h"
#include "controls/file_list_box.h"
#include "controls/mouse_pointer.h"
#include "controls/twips.h"
#include "controls/window_list.h"
#include "d2s_fixtures.h"
#include "files.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "main_window_parts.h"
#include "modal_answer.h"
#include "recording_message_box.h"
#include "scripted_shell_ui.h"
#include "temp_prefix.h"
#include "titlebar/gradient_title_bar.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillmere;
namespace d2s = quillmere::test::d2s;

namespace {

const QString kSave = QStringLiteral("Program Files\\Diablo II\\Save");

class MainWindowTest : public ::testing::Test, protected test::MainWindowParts {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        prefix.writeFile(kSave + QStringLiteral("\\Hero.d2s"), d2s::signedFile(96, 3, 26));
        prefix.writeFile(kSave + QStringLiteral("\\heroine.D2S"), d2s::signedFile(96, 1, 12));
        prefix.writeFile(kSave + QStringLiteral("\\Ashes.d2s"), d2s::unsignedFile(9, 40));
        prefix.writeFile(kSave + QStringLiteral("\\Hero.key"), "key");
        prefix.writeFile(kSave + QStringLiteral("\\.Ghost.d2s"), d2s::signedFile(96, 0, 1));
        prefix.writeFile(kSave + QStringLiteral("\\Hidden.d2s"), d2s::signedFile(96, 0, 1));
        ASSERT_TRUE(test::markHidden(prefix.hostOf(kSave + QStringLiteral("\\Hidden.d2s"))));
        prefix.writeSystemReg(regedit::kGameKey, {{QStringLiteral("Save Path"), QStringLiteral("C:\\") + kSave}});
    }

    static QStringList listed(const app::MainWindow& window) {
        auto* list = window.findChild<controls::FileListBox*>(QStringLiteral("File1"));
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }

    static QString text(const app::MainWindow& window, const char* name) {
        return window.findChild<QLabel*>(QLatin1String(name))->text();
    }

    void expectNothingListedWithSavePath(const QString& value);

    static void clickRow(controls::FileListBox* list, int row) {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    test::TempPrefix prefix;
    test::RecordingMessageBox boxes;
};

} // namespace

TEST_F(MainWindowTest, StartUpListsTheSaveFolderWithTheCaptionAndAnEmptyPreview) {
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmere - Beta v1.4"));
    EXPECT_EQ(app::MainWindow::productCaption(), QStringLiteral("Quillmere - Beta v1.4"));
    // Other letter case listed, hidden files and companions left out, sorted case-insensitively.
    EXPECT_EQ(listed(*window),
              (QStringList{QStringLiteral("Ashes.d2s"), QStringLiteral("Hero.d2s"), QStringLiteral("heroine.D2S")}));
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("N/A"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("N/A"));
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("Label2"))->isVisible());
    for (const char* picture : {"Picture2", "Picture3", "Picture4", "Picture5", "Picture6"})
        EXPECT_FALSE(window->findChild<QWidget*>(QLatin1String(picture))->isVisible()) << picture;
    EXPECT_EQ(window->focusWidget(), window->findChild<QWidget*>(QStringLiteral("File1")));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

// A save folder value that lists nothing: the current folder holds character files that must not
// pass for the save folder's, neither at start-up nor after Refresh.
void MainWindowTest::expectNothingListedWithSavePath(const QString& value) {
    prefix.writeFile(QStringLiteral("Elsewhere\\Stranger.d2s"), d2s::signedFile(96, 0, 5));
    test::ScopedCurrentDir cwd(prefix.hostOf(QStringLiteral("Elsewhere")));
    prefix.writeSystemReg(regedit::kGameKey, {{QStringLiteral("Save Path"), value}});
    auto window = makeWindow();
    EXPECT_TRUE(listed(*window).isEmpty()) << qPrintable(value);
    EXPECT_TRUE(text(*window, "Label1").contains(QStringLiteral("not found"))) << qPrintable(text(*window, "Label1"));
    window->findChild<QPushButton*>(QStringLiteral("cmdRefresh"))->click();
    EXPECT_TRUE(listed(*window).isEmpty());
}

TEST_F(MainWindowTest, AnEmptySavePathListsNothingAndSaysSo) {
    expectNothingListedWithSavePath(QString());
}

TEST_F(MainWindowTest, ASavePathToAMissingFolderListsNothingAndSaysSo) {
    expectNothingListedWithSavePath(QStringLiteral("C:\\No\\Such\\Folder"));
}

TEST_F(MainWindowTest, ClickingAFilePreviewsIt) {
    auto window = makeWindow();
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    clickRow(list, 1); // Hero: Paladin 26
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Paladin"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("26"));
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("Picture6"))->isVisible());
}

TEST_F(MainWindowTest, ArrowKeysPreviewAndAClassNamedByNoCodeKeepsThePreviousClass) {
    auto window = makeWindow();
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    clickRow(list, 1);                   // Hero: Paladin 26
    QTest::keyClick(list, Qt::Key_Down); // heroine: Sorceress 12
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Sorceress"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("12"));

    // Class code 9 names no class: the previous class stays, the level changes.
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(list->fileName(), QStringLiteral("Ashes.d2s"));
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Sorceress"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("40"));
}

TEST_F(MainWindowTest, RefreshListsFilesAddedSinceAndEmptiesThePreview) {
    auto window = makeWindow();
    clickRow(window->findChild<controls::FileListBox*>(QStringLiteral("File1")), 1);
    ASSERT_EQ(text(*window, "Label3"), QStringLiteral("Paladin"));
    // Refresh lists a file added since, and returns to the empty preview with the pointer back.
    prefix.writeFile(kSave + QStringLiteral("\\Newcomer.d2s"), d2s::signedFile(96, 4, 2));
    window->findChild<QPushButton*>(QStringLiteral("cmdRefresh"))->click();
    EXPECT_TRUE(listed(*window).contains(QStringLiteral("Newcomer.d2s")));
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("N/A"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("N/A"));
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("Label2"))->isVisible());
    EXPECT_EQ(controls::screenPointer(), controls::MousePointer::Default);
}

TEST_F(MainWindowTest, DraggingTheSelectionToAnotherRowPreviewsThatRow) {
    auto window = makeWindow();
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    clickRow(list, 2); // heroine: Sorceress 12
    const QPoint hero = list->visualItemRect(list->item(1)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    QTest::mouseMove(list->viewport(), hero);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, hero);
    ASSERT_EQ(list->fileName(), QStringLiteral("Hero.d2s"));
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Paladin"));
    EXPECT_EQ(text(*window, "Label4"), QStringLiteral("26"));
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("Picture6"))->isVisible());
}

TEST_F(MainWindowTest, AnsweringNoToTheCloseQuestionChangesNothing) {
    auto window = makeWindow();
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    clickRow(list, 1);

    boxes.answerNext(controls::MsgAnswer::No);
    window->findChild<QAction*>(QStringLiteral("mnuFile_Exit"))->trigger();
    boxes.answerNext(controls::MsgAnswer::No);
    EXPECT_FALSE(window->close()); // what the close button and the system menu ask for

    ASSERT_EQ(boxes.boxes().size(), 2);
    for (const auto& box : boxes.boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("Are you sure you want to exit?"));
        EXPECT_EQ(box.title, QStringLiteral("Exiting Program..."));
        EXPECT_EQ(box.style, controls::MsgStyle::YesNo);
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(list->fileName(), QStringLiteral("Hero.d2s"));
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Paladin"));
}

TEST_F(MainWindowTest, TheRealCloseQuestionHasYesAndNoWithYesAsDefault) {
    auto window = makeWindow();
    controls::setMessageBoxPresenter(nullptr); // the real box, as the user sees it
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    test::ModalAnswer answer([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            buttons << box->standardButton(button);
        defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        box->button(QMessageBox::No)->click();
    });
    const bool closed = window->close();
    controls::setMessageBoxPresenter(&boxes);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(text, QStringLiteral("Are you sure you want to exit?"));
    EXPECT_EQ(title, QStringLiteral("Exiting Program..."));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
    EXPECT_EQ(defaultButton, QMessageBox::Yes);
}

TEST_F(MainWindowTest, AnsweringYesClosesTheOtherLoadedWindowsWithoutAQuestion) {
    auto window = makeWindow();
    QWidget other;
    other.setWindowTitle(QStringLiteral("Readme.txt"));
    controls::registerLoadedWindow(&other);
    other.show();

    boxes.answerNext(controls::MsgAnswer::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(other.isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_FALSE(controls::loadedWindows().contains(&other));
}

TEST_F(MainWindowTest, AWindowCarryingTheMainCaptionIsLeftToCloseWithTheMainWindow) {
    auto window = makeWindow();
    QWidget twin;
    twin.setWindowTitle(window->windowTitle());
    QWidget other;
    other.setWindowTitle(QStringLiteral("Restore..."));
    for (QWidget* loaded : {&twin, &other}) {
        controls::registerLoadedWindow(loaded);
        loaded->show();
    }

    boxes.answerNext(controls::MsgAnswer::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(other.isVisible());
    EXPECT_TRUE(twin.isVisible());
    EXPECT_TRUE(controls::loadedWindows().contains(&twin));
}

TEST_F(MainWindowTest, CtrlBTheButtonAndEnterInTheListAllAskForASelection) {
    auto window = makeWindow();
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));

    // Nothing selected: Ctrl+B, the button and Enter in the list all give the same message.
    QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
    window->findChild<QPushButton*>(QStringLiteral("cmdBackup"))->click();
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(boxes.boxes().size(), 3);
    for (const auto& box : boxes.boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("You have not selected a file yet!"));
        EXPECT_EQ(box.title, QStringLiteral("No File Selected..."));
        EXPECT_EQ(box.style, controls::MsgStyle::Critical);
    }
}

TEST_F(MainWindowTest, CtrlROpensTheRestoreDialogAsTheButtonDoes) {
    auto window = makeWindow();
    QStringList opened;
    const auto noteDialog = [&](QWidget* modal) { opened << modal->objectName(); };
    {
        test::ModalAnswer answer(noteDialog);
        QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    }
    {
        test::ModalAnswer answer(noteDialog);
        window->findChild<QPushButton*>(QStringLiteral("cmdRestore"))->click();
    }
    EXPECT_EQ(opened, (QStringList{QStringLiteral("frmRestore"), QStringLiteral("frmRestore")}));
}

TEST_F(MainWindowTest, EnterRunsTheFocusedButtonAndTheDefaultOneOnlyFromTheList) {
    auto window = makeWindow();
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    auto* backup = window->findChild<QPushButton*>(QStringLiteral("cmdBackup"));
    const auto enterOn = [&window](QWidget* widget) {
        QApplication::setActiveWindow(window.get()); // back from the dialog
        widget->setFocus(Qt::TabFocusReason);
        QTest::keyClick(widget, Qt::Key_Return);
    };

    QStringList opened;
    {
        test::ModalAnswer answer([&](QWidget* modal) { opened << modal->objectName(); });
        enterOn(window->findChild<QWidget*>(QStringLiteral("cmdRestore")));
    }
    EXPECT_EQ(opened, QStringList{QStringLiteral("frmRestore")});
    EXPECT_FALSE(backup->isDefault()) << "the default mark moves to the focused button";

    clickRow(list, 1);
    enterOn(window->findChild<QWidget*>(QStringLiteral("cmdRefresh")));
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("N/A")) << "Refresh empties the preview";

    enterOn(window->findChild<QWidget*>(QStringLiteral("cmdRunD2")));
    ASSERT_EQ(boxes.boxes().size(), 1) << "no game in this prefix";
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Dumbass..."));

    enterOn(list);
    EXPECT_TRUE(backup->isDefault());
    enterOn(backup);
    ASSERT_EQ(boxes.boxes().size(), 3);
    for (int i : {1, 2})
        EXPECT_EQ(boxes.boxes()[i].title, QStringLiteral("No File Selected..."));
}

TEST_F(MainWindowTest, AGame114PrefixWithOnlyTheUsersNewSavePathListsItsCharacters) {
    prefix.writeSystemReg(QStringLiteral("Software\\Other"), {{QStringLiteral("x"), QStringLiteral("y")}});
    prefix.writeUserReg(regedit::kGameKey, {{QStringLiteral("NewSavePath"), QStringLiteral("C:\\") + kSave}});
    auto window = makeWindow();
    EXPECT_EQ(listed(*window).size(), 3);
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    clickRow(list, 1);
    EXPECT_EQ(text(*window, "Label3"), QStringLiteral("Paladin"));
}

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThemAndTabInItsOrder) {
    auto window = makeWindow();
    struct Place {
        const char* name;
        int left, top, width, height;
    };
    // Twips, a control in a frame relative to that frame.
    const Place places[] = {
        {"frameSeperatorBar1", 0, 0, 10575, 135}, {"Picture1", 0, 120, 2535, 5055},
        {"Frame1", 2640, 240, 4455, 4815},        {"Label1", 120, 360, 2655, 615},
        {"Drive1", 120, 960, 2415, 315},          {"Dir1", 120, 1320, 2415, 2115},
        {"cmdBackup", 2640, 1320, 1695, 615},     {"cmdRestore", 2640, 2040, 1695, 615},
        {"cmdRefresh", 2640, 4080, 1695, 615},    {"cmdRunD2", 7200, 360, 2535, 975},
        {"Frame2", 7560, 2400, 1815, 1575},       {"framSeperatorBar2", 0, 5040, 10695, 135},
        {"StatusBar", 0, 5160, 9840, 255},
    };
    for (const Place& place : places) {
        const QWidget* control = window->findChild<QWidget*>(QLatin1String(place.name));
        ASSERT_NE(control, nullptr) << place.name;
        EXPECT_EQ(control->geometry(), controls::twipsRect(place.left, place.top, place.width, place.height))
            << place.name;
    }
    // The file list keeps its place and shows whole rows only, losing less than one to the snap.
    auto* list = window->findChild<controls::FileListBox*>(QStringLiteral("File1"));
    const QRect designed = controls::twipsRect(120, 3480, 2415, 1260);
    EXPECT_EQ(list->geometry().topLeft(), designed.topLeft());
    EXPECT_EQ(list->width(), designed.width());
    EXPECT_EQ(list->viewport()->height() % list->sizeHintForRow(0), 0) << list->viewport()->height();
    EXPECT_LE(list->height(), designed.height());
    EXPECT_GT(list->height(), designed.height() - list->sizeHintForRow(0));

    QStringList order;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, (QStringList{QStringLiteral("cmdRunD2"), QStringLiteral("cmdRestore"), QStringLiteral("cmdBackup"),
                                  QStringLiteral("cmdRefresh"), QStringLiteral("File1")}));
}

TEST_F(MainWindowTest, SeparatorBarsCoverThePictureBeneathThem) {
    auto window = makeWindow();
    const QImage shot = window->centralWidget()->grab().toImage();
    const QColor face = window->palette().color(QPalette::Window);
    // The side picture runs on under the lower bar; nothing of it shows between the bar's rule and
    // the status bar.
    const QRect bar = controls::twipsRect(0, 5040, 10695, 135);
    const int x = controls::twips(1200);
    for (int y = bar.bottom() - 2; y <= bar.bottom(); ++y)
        EXPECT_EQ(shot.pixelColor(x, y), face) << "row " << y;
}
