// The classic frame as it is drawn: an etched border whose top line runs behind the caption.
#include "controls/classic_frame.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

using namespace quillmere::controls;

namespace {

struct Frame {
    QGroupBox box{QStringLiteral("Caption")};
    QLabel* inside = new QLabel(QStringLiteral("inside"), &box);
    int lineY = 0;

    Frame() {
        box.resize(200, 100);
        useClassicFrame(&box);
        lineY = box.fontMetrics().height() / 2;
    }
    QImage image() { return box.grab().toImage(); }
    QRgb colour(QPalette::ColorRole role) const { return box.palette().color(role).rgb(); }
};

TEST(ClassicFrame, IsAGreyLineWithAWhiteOneInsideItAllRound) {
    Frame frame;
    const QImage image = frame.image();
    const int middle = frame.lineY + 40;
    EXPECT_EQ(image.pixel(0, middle), frame.colour(QPalette::Mid));
    EXPECT_EQ(image.pixel(1, middle), frame.colour(QPalette::Light));
    EXPECT_EQ(image.pixel(198, middle), frame.colour(QPalette::Mid));
    EXPECT_EQ(image.pixel(199, middle), frame.colour(QPalette::Light));
    EXPECT_EQ(image.pixel(100, 98), frame.colour(QPalette::Mid));
    EXPECT_EQ(image.pixel(100, 99), frame.colour(QPalette::Light));
    // The top line runs through the caption's middle, not along the frame's top.
    EXPECT_EQ(image.pixel(190, frame.lineY), frame.colour(QPalette::Mid));
    EXPECT_EQ(image.pixel(190, 0), frame.colour(QPalette::Window));
}

TEST(ClassicFrame, TheCaptionCoversTheTopLineAndIsDrawnOnIt) {
    Frame frame;
    const QImage image = frame.image();
    // Just before the caption's text the line gives way to the window's colour.
    EXPECT_EQ(image.pixel(2, frame.lineY), frame.colour(QPalette::Mid));
    EXPECT_EQ(image.pixel(7, frame.lineY), frame.colour(QPalette::Window));
    int textPixels = 0;
    for (int x = 10; x < 10 + frame.box.fontMetrics().horizontalAdvance(QStringLiteral("Caption")); ++x) {
        for (int y = 0; y < frame.box.fontMetrics().height(); ++y)
            textPixels += image.pixel(x, y) != frame.colour(QPalette::Window) ? 1 : 0;
    }
    EXPECT_GT(textPixels, 20);
}

TEST(ClassicFrame, LeavesTheControlsInsideItOnTheApplicationsStyle) {
    Frame frame;
    EXPECT_TRUE(frame.box.styleSheet().isEmpty());
    EXPECT_EQ(frame.inside->style(), QApplication::style());
}

} // namespace
