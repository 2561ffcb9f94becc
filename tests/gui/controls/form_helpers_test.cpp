// The helpers every window is set up with: the Enter rule, the fixed dialog, and the named lists.
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/enter_key_rule.h"
#include "controls/file_list_box.h"
#include "controls/fixed_dialog.h"
#include "controls/folder_lists.h"
#include "controls/placement.h"
#include "controls/window_list.h"
#include "support/temp_prefix.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quillmere::controls;

namespace {

// A window that is not a dialog, like the main window: a list, two push buttons (the first the
// default) and a tool button.
struct PlainWindow {
    QWidget window;
    QListWidget* list = new QListWidget(&window);
    QPushButton* first = new QPushButton(QStringLiteral("First"), &window);
    QPushButton* second = new QPushButton(QStringLiteral("Second"), &window);
    QToolButton* tool = new QToolButton(&window);

    PlainWindow() {
        first->setDefault(true);
        tool->setFocusPolicy(Qt::StrongFocus);
        new EnterKeyRule(first, {first, second, tool}, {list});
        window.show();
        QApplication::setActiveWindow(&window);
    }
};

void focusAndEnter(QWidget* widget, Qt::Key key = Qt::Key_Return, Qt::KeyboardModifiers modifiers = {}) {
    widget->setFocus(Qt::TabFocusReason);
    QTest::keyClick(widget, key, modifiers);
}

class DialogForTest final : public FixedDialog {
public:
    explicit DialogForTest(Caption caption)
        : FixedDialog(nullptr, "frmTest", QStringLiteral("Test..."), {1500, 750}, caption) {}
};

} // namespace

TEST(EnterKeyRule, AFocusedCommandButtonTakesEnter) {
    PlainWindow w;
    QSignalSpy first(w.first, &QPushButton::clicked);
    QSignalSpy second(w.second, &QPushButton::clicked);
    QSignalSpy tool(w.tool, &QToolButton::clicked);

    focusAndEnter(w.second);
    focusAndEnter(w.tool, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(first.count(), 0);
    EXPECT_EQ(second.count(), 1);
    EXPECT_EQ(tool.count(), 1);
}

TEST(EnterKeyRule, AListGivesEnterToTheDefaultButton) {
    PlainWindow w;
    QSignalSpy first(w.first, &QPushButton::clicked);
    QSignalSpy second(w.second, &QPushButton::clicked);
    w.second->setFocus(Qt::TabFocusReason);
    focusAndEnter(w.list);
    EXPECT_EQ(first.count(), 1);
    EXPECT_EQ(second.count(), 0);
}

TEST(EnterKeyRule, EnterWithAModifierIsNotTheWindows) {
    PlainWindow w;
    QSignalSpy first(w.first, &QPushButton::clicked);
    focusAndEnter(w.list, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(first.count(), 0);
}

TEST(EnterKeyRule, OutsideADialogTheDefaultMarkFollowsTheFocusedCommandButton) {
    PlainWindow w;
    w.second->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(w.first->isDefault());
    EXPECT_TRUE(w.second->isDefault());

    // A tool button takes Enter but shows no mark: no push button carries it meanwhile.
    w.tool->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(w.first->isDefault());
    EXPECT_FALSE(w.second->isDefault());

    w.list->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(w.first->isDefault());
    EXPECT_FALSE(w.second->isDefault());
}

TEST(EnterKeyRule, InADialogTheDialogKeepsItsOwnDefaultButton) {
    QDialog dialog;
    auto* list = new QListWidget(&dialog);
    auto* text = new QLineEdit(&dialog); // a field the rule does not watch
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setDefault(true);
    new EnterKeyRule(cancel, {ok, cancel}, {list});
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QSignalSpy okClicks(ok, &QPushButton::clicked);
    QSignalSpy cancelClicks(cancel, &QPushButton::clicked);

    ok->setFocus(Qt::TabFocusReason);
    focusAndEnter(list);
    EXPECT_EQ(okClicks.count(), 0);
    EXPECT_EQ(cancelClicks.count(), 1);

    // Where the dialog hands out Enter itself, too.
    ok->setFocus(Qt::TabFocusReason);
    focusAndEnter(text);
    EXPECT_EQ(okClicks.count(), 0);
    EXPECT_EQ(cancelClicks.count(), 2);
}

TEST(FixedDialog, IsAFixedModalToolWindowCountedAmongTheLoadedWindowsWhileItExists) {
    QWidget* loaded = nullptr;
    {
        DialogForTest dialog(DialogForTest::Caption::Tool);
        loaded = &dialog;
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmTest"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Test..."));
        EXPECT_EQ(dialog.size(), QSize(100, 50));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
        EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(dialog.windowType(), Qt::Tool);
        const Qt::WindowFlags flags = dialog.windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
        EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(loadedWindows().contains(&dialog));
    }
    EXPECT_FALSE(loadedWindows().contains(loaded));
}

TEST(FixedDialog, AStandardCaptionMakesAnOrdinaryDialogWithACloseButton) {
    DialogForTest standard(DialogForTest::Caption::Standard);
    EXPECT_EQ(standard.windowType(), Qt::Dialog);
    EXPECT_TRUE(standard.windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

TEST(FolderLists, TheListsCarryTheLayoutsNamesAndPlaces) {
    quillmere::test::TempPrefix prefix;
    ASSERT_TRUE(prefix.isValid());
    QWidget frame;
    const DriveListBox* drive = makeDriveList(&frame, {120, 960, 2415, 315});
    const DirListBox* dir = makeDirList(&frame, {120, 1320, 2415, 2115});
    const FileListBox* file = makeFileList(&frame, QStringLiteral("*.d2s"), {120, 3480, 2415, 1260});
    EXPECT_EQ(drive->objectName(), QStringLiteral("Drive1"));
    EXPECT_EQ(dir->objectName(), QStringLiteral("Dir1"));
    EXPECT_EQ(file->objectName(), QStringLiteral("File1"));
    EXPECT_EQ(drive->geometry(), twipsRect({120, 960, 2415, 315}));
    EXPECT_EQ(dir->geometry(), twipsRect({120, 1320, 2415, 2115}));
    EXPECT_EQ(file->pos(), twipsRect({120, 3480, 2415, 1260}).topLeft());
    EXPECT_EQ(file->pattern(), QStringLiteral("*.d2s"));
    for (const QWidget* list : std::initializer_list<const QWidget*>{drive, dir, file})
        EXPECT_FALSE(list->accessibleName().isEmpty()) << qPrintable(list->objectName());
}

TEST(Twips, FifteenToAPixelRoundedToTheNearest) {
    EXPECT_EQ(twips(0), 0);
    EXPECT_EQ(twips(7), 0);
    EXPECT_EQ(twips(8), 1);
    EXPECT_EQ(twips(-8), -1);
    EXPECT_EQ(twipsRect({120, 3480, 2415, 1260}), QRect(8, 232, 161, 84));
    EXPECT_EQ(twipsSize({9840, 5415}), QSize(656, 361));
}
