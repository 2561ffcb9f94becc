#include "titlebar/gradient_title_bar.h"

#include "support/modal_answer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QShortcut>

#include <gtest/gtest.h>

namespace quillmere::titlebar {
namespace {

// Stands in for the main window: a menu bar over a fixed client area, and a close that counts
// the requests and refuses them, as a close confirmation answered No would.
class FixtureWindow final : public QMainWindow {
public:
    static constexpr int clientWidth = 656;
    static constexpr int clientHeight = 361;

    FixtureWindow() {
        menuBar()->addMenu(QStringLiteral("&File"));
        setCentralWidget(new QWidget(this));
        setFixedSize(clientWidth, clientHeight + menuBar()->sizeHint().height());
    }

    int closeRequests = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeRequests;
        event->ignore();
    }
};

QIcon redIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

bool waitUntilActive(QWidget& window) {
    window.activateWindow();
    QElapsedTimer timer;
    timer.start();
    while (!window.isActiveWindow() && timer.elapsed() < 2000)
        QApplication::processEvents();
    return window.isActiveWindow();
}

// The title bar module these tests share, as the program keeps one for its run.
GradientTitleBar& titleBar() {
    static GradientTitleBar module;
    return module;
}

// The window that module painted first, and so the only one it paints.
FixtureWindow& hookedForm() {
    static FixtureWindow* form = [] {
        auto* created = new FixtureWindow;
        titleBar().InstallGradientTitleBar(created);
        created->show();
        return created;
    }();
    form->setWindowIcon(redIcon());
    form->setWindowTitle(QStringLiteral("Quillmere - Beta v1.4"));
    form->closeRequests = 0;
    EXPECT_TRUE(waitUntilActive(*form));
    return *form;
}

QImage shot(QWidget& form) {
    return form.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// Rightmost column of the strip that holds caption text (white, or nearly so).
int rightmostTextColumn(const QImage& image) {
    for (int x = 607; x >= 3; --x)
        for (int y = 3; y < 21; ++y)
            if (qGray(image.pixel(x, y)) > 200)
                return x;
    return -1;
}

// Answers the next popup menu with a mnemonic key, keeping the menu's items.
class MenuAnswer final {
public:
    explicit MenuAnswer(Qt::Key key)
        : m_answer([this, key](QWidget* window) { answer(qobject_cast<QMenu*>(window), key); }) {}

    QStringList items;

private:
    void answer(QMenu* menu, Qt::Key key) {
        ASSERT_NE(menu, nullptr);
        for (const QAction* action : menu->actions())
            items.append(action->text());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QKeySequence(key).toString().toLower());
        QApplication::sendEvent(menu, &press);
    }

    test::ModalAnswer m_answer;
};

void pressAt(QWidget& form, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(pos), form.mapToGlobal(QPointF(pos)), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(&form, &event);
}

void click(QWidget& form, const QPoint& pos, Qt::MouseButton button = Qt::LeftButton) {
    pressAt(form, pos, button);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), form.mapToGlobal(QPointF(pos)), button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&form, &release);
}

TEST(GradientTitleBar, FramesTheClientAreaWithoutShrinkingIt) {
    FixtureWindow& form = hookedForm();
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.width(), FixtureWindow::clientWidth + 6);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.menuBar()->geometry().topLeft(), QPoint(3, 22));
    EXPECT_EQ(form.centralWidget()->size(), QSize(FixtureWindow::clientWidth, FixtureWindow::clientHeight));
    EXPECT_EQ(form.height() - form.centralWidget()->geometry().bottom() - 1, 3);
}

TEST(GradientTitleBar, PaintsBandsFromBlackToNavyWhileActive) {
    FixtureWindow& form = hookedForm();
    const QImage active = shot(form);
    EXPECT_EQ(pixel(active, 3, 3), QColor(0, 0, 2));
    EXPECT_EQ(pixel(active, 3 + 8 * 38, 3), QColor(0, 0, 66)); // 39 x 128 / 76 = 65.7
    EXPECT_EQ(pixel(active, 604, 20), QColor(0, 0, 128));
    EXPECT_NE(pixel(active, 3, 21), QColor(0, 0, 2)); // the row below the strip is not painted
}

TEST(GradientTitleBar, PaintsBandsFromBlackToGreyWhileInactive) {
    FixtureWindow& form = hookedForm();
    FixtureWindow other;
    other.show();
    ASSERT_TRUE(waitUntilActive(other));
    ASSERT_FALSE(form.isActiveWindow());
    const QImage inactive = shot(form);
    EXPECT_EQ(pixel(inactive, 3, 3), QColor(2, 2, 2));
    EXPECT_EQ(pixel(inactive, 604, 20), QColor(128, 128, 128));
    other.close();
}

TEST(GradientTitleBar, DrawsTheFormsIconBeforeTheText) {
    FixtureWindow& form = hookedForm();
    form.setWindowTitle(QStringLiteral("W"));
    const QImage withIcon = shot(form);
    EXPECT_EQ(pixel(withIcon, 4, 4), QColor(Qt::red));
    EXPECT_EQ(pixel(withIcon, 19, 19), QColor(Qt::red));
    EXPECT_EQ(pixel(withIcon, 20, 20), QColor(0, 0, 5)); // band 2, just past the icon
    EXPECT_GE(rightmostTextColumn(withIcon), 25);
}

TEST(GradientTitleBar, WithoutAnIconTheTextStartsAtTheFrame) {
    FixtureWindow& form = hookedForm();
    form.setWindowTitle(QStringLiteral("W"));
    form.setWindowIcon(QIcon());
    const QImage bare = shot(form);
    EXPECT_EQ(pixel(bare, 4, 4), QColor(0, 0, 2));
    const int textEnd = rightmostTextColumn(bare);
    EXPECT_GT(textEnd, 5);
    EXPECT_LT(textEnd, 25);
}

TEST(GradientTitleBar, CaptionTextDropsLeadingSpaces) {
    FixtureWindow& form = hookedForm();
    const QImage plain = shot(form);
    form.setWindowTitle(QStringLiteral("    Quillmere - Beta v1.4"));
    EXPECT_EQ(shot(form).copy(3, 3, 604, 18), plain.copy(3, 3, 604, 18));
}

TEST(GradientTitleBar, ALongCaptionTextEndsInAnEllipsisAtTheRight) {
    FixtureWindow& form = hookedForm();
    form.setWindowTitle(QString(200, QLatin1Char('W')));
    const QImage longTitle = shot(form);
    const int textEnd = rightmostTextColumn(longTitle);
    EXPECT_LT(textEnd, 605);
    EXPECT_GT(textEnd, 560); // filled up to the edge, not dropped
    // The end of the line is the ellipsis, not the next W.
    form.setWindowTitle(QString(199, QLatin1Char('W')));
    EXPECT_EQ(shot(form).copy(3, 3, 604, 18), longTitle.copy(3, 3, 604, 18));
    // A short one ends where its text does.
    form.setWindowTitle(QString(5, QLatin1Char('W')));
    EXPECT_LT(rightmostTextColumn(shot(form)), 200);
}

TEST(GradientTitleBar, CloseButtonAsksTheFormToClose) {
    FixtureWindow& form = hookedForm();
    click(form, QPoint(649, 12));
    EXPECT_EQ(form.closeRequests, 1);
}

TEST(GradientTitleBar, ThePressOnTheCloseButtonReleasedElsewhereClosesNothing) {
    FixtureWindow& form = hookedForm();
    pressAt(form, QPoint(649, 12));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(300, 12), form.mapToGlobal(QPointF(300, 12)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &release);
    EXPECT_EQ(form.closeRequests, 0);
    EXPECT_TRUE(form.isVisible());
}

TEST(GradientTitleBar, DraggingTheCaptionMovesTheWindow) {
    FixtureWindow& form = hookedForm();
    form.move(100, 100);
    const QPoint start(300, 10);
    const QPointF global = form.mapToGlobal(QPointF(start));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(start), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(40, 30)), global + QPointF(40, 30), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(start), global + QPointF(40, 30), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &release);
    // Offscreen there is no system move, so the window follows the mouse itself.
    EXPECT_EQ(form.pos(), QPoint(140, 130));
}

TEST(GradientTitleBar, TheMouseBelowTheCaptionIsTheFormsOwn) {
    FixtureWindow& form = hookedForm();
    form.move(100, 100);
    QMouseEvent below(QEvent::MouseMove, QPointF(300, 100), form.mapToGlobal(QPointF(300, 100)) + QPointF(50, 50),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &below);
    EXPECT_EQ(form.pos(), QPoint(100, 100));
}

TEST(GradientTitleBar, TheIconOpensASystemMenuOfMoveAndClose) {
    FixtureWindow& form = hookedForm();
    MenuAnswer menu(Qt::Key_C);
    click(form, QPoint(10, 10));
    EXPECT_EQ(menu.items, (QStringList{QStringLiteral("&Move"), QStringLiteral("&Close")}));
    EXPECT_EQ(form.closeRequests, 1);
}

TEST(GradientTitleBar, AltSpaceOpensTheSameSystemMenu) {
    FixtureWindow& form = hookedForm();
    QShortcut* altSpace = nullptr;
    for (QShortcut* shortcut : form.findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(Qt::ALT | Qt::Key_Space))
            altSpace = shortcut;
    ASSERT_NE(altSpace, nullptr);
    MenuAnswer menu(Qt::Key_C);
    emit altSpace->activated();
    EXPECT_EQ(menu.items, (QStringList{QStringLiteral("&Move"), QStringLiteral("&Close")}));
    EXPECT_EQ(form.closeRequests, 1);
}

TEST(GradientTitleBar, ASecondWindowIsLeftAsItIs) {
    hookedForm();
    FixtureWindow second;
    const QSize size = second.size();
    titleBar().InstallGradientTitleBar(&second);
    EXPECT_FALSE(second.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(second.contentsMargins(), QMargins());
    EXPECT_EQ(second.size(), size);
    second.show();
    EXPECT_NE(pixel(shot(second), 3, 3), QColor(0, 0, 2));
    second.close();
}

TEST(GradientTitleBar, InstallingOnTheHookedWindowAgainChangesNothing) {
    FixtureWindow& form = hookedForm();
    titleBar().InstallGradientTitleBar(&form);
    EXPECT_EQ(form.contentsMargins(), gradientTitleBarMargins());
    EXPECT_EQ(pixel(shot(form), 3, 3), QColor(0, 0, 2));
}

TEST(GradientTitleBar, EachModuleHooksItsOwnFirstWindowOnly) {
    hookedForm();
    GradientTitleBar other;
    FixtureWindow first;
    FixtureWindow second;
    other.InstallGradientTitleBar(nullptr); // no window: nothing to hook, the first one is still to come
    other.InstallGradientTitleBar(&first);
    other.InstallGradientTitleBar(&second);
    EXPECT_TRUE(first.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(first.contentsMargins(), gradientTitleBarMargins());
    EXPECT_FALSE(second.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(second.contentsMargins(), QMargins());
    first.show();
    ASSERT_TRUE(waitUntilActive(first));
    EXPECT_EQ(pixel(shot(first), 3, 3), QColor(0, 0, 2));
}

} // namespace
} // namespace quillmere::titlebar
