#include "controls/status_bar.h"

#include <QLabel>
#include <QLocale>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

using namespace quillmere::controls;

TEST(StatusBar, FivePanelsShareTheWidthEqually) {
    StatusBar bar;
    bar.resize(656, 17);
    bar.show();
    QStringList texts;
    QList<int> widths;
    for (int i = 0; i < StatusBar::PanelCount; ++i) {
        const QLabel* panel = bar.panel(StatusBar::Panel(i));
        ASSERT_NE(panel, nullptr);
        texts << panel->text();
        widths << panel->width();
    }
    EXPECT_EQ(bar.findChildren<QLabel*>().size(), StatusBar::PanelCount);
    EXPECT_EQ(texts.mid(2), (QStringList{"NUM", "CAPS", "SCRL"}));
    EXPECT_FALSE(texts.at(0).isEmpty());
    EXPECT_FALSE(texts.at(1).isEmpty());
    const auto [narrowest, widest] = std::minmax_element(widths.begin(), widths.end());
    EXPECT_LE(*widest - *narrowest, 2) << widths.size();
    EXPECT_GT(*narrowest, 100);
}

namespace {

// A status bar reading the lock keys from `state`: Num Lock on, Caps Lock off, Scroll Lock unknown.
class LockPanels : public ::testing::Test {
protected:
    void SetUp() override {
        bar.setLockKeySource([this] { return state; });
        ASSERT_NE(normal, dimmed);
    }

    LockKeyState state{KeyLight::On, KeyLight::Off, KeyLight::Unknown};
    StatusBar bar;
    const QColor normal = bar.palette().color(QPalette::Active, QPalette::WindowText);
    const QColor dimmed = bar.palette().color(QPalette::Disabled, QPalette::WindowText);
    const QLabel* num = bar.panel(StatusBar::NumPanel);
    const QLabel* caps = bar.panel(StatusBar::CapsPanel);
    const QLabel* scroll = bar.panel(StatusBar::ScrollPanel);
};

} // namespace

TEST_F(LockPanels, AreBoldWhenOnAndDimmedOtherwise) {
    EXPECT_TRUE(num->font().bold());
    EXPECT_EQ(num->palette().color(QPalette::WindowText), normal);
    EXPECT_FALSE(caps->font().bold());
    EXPECT_EQ(caps->palette().color(QPalette::WindowText), dimmed);
    EXPECT_FALSE(scroll->font().bold());
    EXPECT_EQ(scroll->palette().color(QPalette::WindowText), dimmed);
    EXPECT_EQ(num->accessibleName(), QStringLiteral("Num Lock"));
    EXPECT_EQ(num->accessibleDescription(), QStringLiteral("On"));
    EXPECT_EQ(caps->accessibleDescription(), QStringLiteral("Off"));
}

TEST_F(LockPanels, FollowTheKeysOnTheirOwnAtTheNextTick) {
    state = {KeyLight::Off, KeyLight::On, KeyLight::On};
    QTest::qWait(400);
    EXPECT_FALSE(num->font().bold());
    EXPECT_EQ(num->palette().color(QPalette::WindowText), dimmed);
    EXPECT_TRUE(caps->font().bold());
    EXPECT_TRUE(scroll->font().bold());
    EXPECT_EQ(scroll->accessibleDescription(), QStringLiteral("On"));
}

TEST(StatusBar, PanelsRunTimeDateNumCapsScrollFromLeftToRight) {
    StatusBar bar;
    bar.resize(656, 17);
    bar.show();
    QList<QLabel*> panels = bar.findChildren<QLabel*>();
    ASSERT_EQ(panels.size(), StatusBar::PanelCount);
    std::sort(panels.begin(), panels.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
    for (int i = 0; i < StatusBar::PanelCount; ++i)
        EXPECT_EQ(panels[i], bar.panel(StatusBar::Panel(i))) << i;
    const QLocale locale = QLocale::system();
    EXPECT_TRUE(locale.toTime(panels[0]->text(), QLocale::ShortFormat).isValid()) << qPrintable(panels[0]->text());
    EXPECT_TRUE(locale.toDate(panels[1]->text(), QLocale::ShortFormat).isValid()) << qPrintable(panels[1]->text());
    EXPECT_EQ(panels[2]->text(), QStringLiteral("NUM"));
    EXPECT_EQ(panels[3]->text(), QStringLiteral("CAPS"));
    EXPECT_EQ(panels[4]->text(), QStringLiteral("SCRL"));
}
