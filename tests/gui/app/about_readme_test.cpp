#include "app/about.h"
#include "app/readme_window.h"
#include "controls/twips.h"
#include "game/d2s_engine.h"
#include "recording_message_box.h"
#include "temp_prefix.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/xattr.h>

using namespace quillmere;

namespace {

const QString kMissingText = QStringLiteral(
    "The readme file has either been deleted from your hard drive, or moved to another directory.\r\n"
    "Please move the readme file back to it's original directory, or re-install the program to look at it!");

// What the viewer showed when it opened; closes it with Done. Empty optional when none opened.
std::optional<QString> openReadme(const std::function<void()>& whileOpen = {}) {
    std::optional<QString> shown;
    // Stopped when no viewer opened, so it cannot fire into a later test step.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* viewer = qobject_cast<app::ReadmeWindow*>(QApplication::activeModalWidget());
        if (!viewer)
            return;
        if (whileOpen)
            whileOpen();
        shown = viewer->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
        EXPECT_EQ(viewer->focusWidget(), viewer->findChild<QPushButton*>(QStringLiteral("cmdDone")));
        viewer->findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
    });
    timer.start(0);
    app::showReadme(nullptr);
    return shown;
}

void writeReadme(const QByteArray& bytes) {
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/readme.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

TEST(About, FifteenLinesJoinedByCrLfWithThreeEmptyLines) {
    const QString text = app::aboutText();
    EXPECT_FALSE(text.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 14);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 14); // no bare line feeds
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 15);
    EXPECT_EQ(lines[0], QStringLiteral("Programmer: Varnock"));
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(lines[i].isEmpty(), i == 2 || i == 10 || i == 13) << "line " << i + 1;
}

TEST(About, ShowsTheTextInAnInformationBoxTitledAbout) {
    test::RecordingMessageBox boxes;
    app::showAbout();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("About..."));
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Information);
    EXPECT_EQ(boxes.boxes()[0].text, app::aboutText());
}

// The readme lives beside this test program, so every case that touches it runs in this one test.
TEST(Readme, ShowsTheFileAsItIsAtEachOpeningOrSaysItIsMissing) {
    test::TempPrefix prefix;
    test::RecordingMessageBox boxes;
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/readme.txt");
    const QByteArray hostPath = path.toLocal8Bit();

    // Missing: the message, no viewer.
    QFile::remove(path);
    EXPECT_FALSE(openReadme().has_value());
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, kMissingText);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Missing file...."));
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);

    // Hidden counts as missing.
    writeReadme("hidden text");
    ASSERT_EQ(setxattr(hostPath.constData(), "user.DOSATTRIB", "0x2", 3, 0), 0);
    EXPECT_FALSE(openReadme().has_value());
    EXPECT_EQ(boxes.boxes().size(), 2);
    removexattr(hostPath.constData(), "user.DOSATTRIB");

    // Empty: an empty viewer.
    writeReadme("");
    EXPECT_EQ(openReadme(), QString());

    // Changed while the program runs: the next opening shows the new text; bytes that are not
    // valid in the locale's encoding still show.
    writeReadme("first text");
    EXPECT_EQ(openReadme(), QStringLiteral("first text"));
    writeReadme("second text\nCaf\xe9");
    EXPECT_EQ(openReadme(), QStringLiteral("second text\nCaf\u00e9"));

    // Removed between the existence test and the load: an empty viewer, no message.
    boxes.clear();
    writeReadme("about to go");
    bool removed = false;
    std::optional<QString> shown;
    {
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* viewer = qobject_cast<app::ReadmeWindow*>(QApplication::activeModalWidget());
            if (viewer) {
                shown = viewer->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
                viewer->findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
            }
        });
        timer.start(0);
        app::showReadme(nullptr, [&](const QString& windowsPath) {
            removed = QFile::remove(path);
            return d2sEngine::readTextFile(windowsPath);
        });
    }
    EXPECT_TRUE(removed);
    EXPECT_EQ(shown, QString());
    EXPECT_TRUE(boxes.boxes().isEmpty());

    writeReadme("restored");
}

TEST(Readme, ProgramFolderAtADriveRootGivesASingleSeparator) {
    test::TempPrefix prefix;
    prefix.mapDrive('q', QCoreApplication::applicationDirPath());
    EXPECT_EQ(d2sEngine::programFolder(), QStringLiteral("Q:\\"));
    EXPECT_EQ(app::ReadmeWindow::readmePath(), QStringLiteral("Q:\\readme.txt"));
}

TEST(Readme, ViewerLayoutWithATextThatCanBeReadButNotChanged) {
    test::TempPrefix prefix;
    writeReadme("read me");
    app::ReadmeWindow viewer(nullptr);
    viewer.show();
    QApplication::setActiveWindow(&viewer);
    auto* text = viewer.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    auto* done = viewer.findChild<QPushButton*>(QStringLiteral("cmdDone"));
    ASSERT_NE(text, nullptr);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(viewer.size(), controls::twipsSize(6975, 3690));
    EXPECT_EQ(text->geometry(), controls::twipsRect(120, 120, 6735, 2895));
    EXPECT_EQ(done->geometry(), controls::twipsRect(2760, 3120, 1215, 495));
    EXPECT_EQ(viewer.focusWidget(), done);

    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("read me"));
    EXPECT_TRUE(text->isReadOnly());
    // Enter in the text is the default button's: the viewer closes.
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_FALSE(viewer.isVisible());
}
