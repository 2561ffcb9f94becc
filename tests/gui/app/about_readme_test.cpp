#include "app/about.h"
#include "app/readme_window.h"
#include "controls/twips.h"
#include "files.h"
#include "game/d2s_engine.h"
#include "modal_answer.h"
#include "recording_message_box.h"
#include "temp_prefix.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <optional>

#include <gtest/gtest.h>

using namespace quillmere;

namespace {

const QString kMissingText = QStringLiteral(
    "The readme file has either been deleted from your hard drive, or moved to another directory.\r\n"
    "Please move the readme file back to it's original directory, or re-install the program to look at it!");

QString readmeFile() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/readme.txt");
}

void writeReadme(const QByteArray& bytes) {
    test::writeBytes(readmeFile(), bytes);
}

// What the viewer showed when it opened, with the focus on Done; closes it with Done. Empty when
// no viewer opened.
std::optional<QString> openReadme(const app::ReadmeReader& read = {}) {
    std::optional<QString> shown;
    test::ModalAnswer done([&](QWidget* window) {
        auto* viewer = qobject_cast<app::ReadmeWindow*>(window);
        ASSERT_NE(viewer, nullptr);
        shown = viewer->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText();
        EXPECT_EQ(viewer->focusWidget(), viewer->findChild<QPushButton*>(QStringLiteral("cmdDone")));
        viewer->findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
    });
    app::showReadme(nullptr, read);
    return shown;
}

// The readme lives beside this test program, and ctest runs each test in a process of its own, side
// by side: a test holds the folder's lock while it writes and reads the file, and starts without one.
class ReadmeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_lock.lock());
        QFile::remove(readmeFile());
    }

    // A viewer of "read me", shown and active; its text box, or null.
    QPlainTextEdit* openViewer() {
        writeReadme("read me");
        m_viewer.emplace(nullptr);
        m_viewer->show();
        QApplication::setActiveWindow(&*m_viewer);
        return m_viewer->findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    }

    QLockFile m_lock{QCoreApplication::applicationDirPath() + QStringLiteral("/readme.txt.lock")};
    test::TempPrefix m_prefix;
    test::RecordingMessageBox m_boxes;
    std::optional<app::ReadmeWindow> m_viewer;
};

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

TEST_F(ReadmeTest, AMissingFileIsSaidSoAndOpensNoViewer) {
    EXPECT_FALSE(openReadme().has_value());
    ASSERT_EQ(m_boxes.boxes().size(), 1);
    EXPECT_EQ(m_boxes.boxes()[0].text, kMissingText);
    EXPECT_EQ(m_boxes.boxes()[0].title, QStringLiteral("Missing file...."));
    EXPECT_EQ(m_boxes.boxes()[0].style, controls::MsgStyle::Critical);
}

TEST_F(ReadmeTest, AHiddenFileCountsAsMissing) {
    writeReadme("hidden text");
    ASSERT_TRUE(test::markHidden(readmeFile()));
    EXPECT_FALSE(openReadme().has_value());
    ASSERT_EQ(m_boxes.boxes().size(), 1);
    EXPECT_EQ(m_boxes.boxes()[0].text, kMissingText);
}

TEST_F(ReadmeTest, AnEmptyFileOpensAnEmptyViewer) {
    writeReadme("");
    EXPECT_EQ(openReadme(), QString());
    EXPECT_TRUE(m_boxes.boxes().isEmpty());
}

TEST_F(ReadmeTest, EachOpeningShowsTheFileAsItIsThen) {
    writeReadme("first text");
    EXPECT_EQ(openReadme(), QStringLiteral("first text"));
    writeReadme("second text");
    EXPECT_EQ(openReadme(), QStringLiteral("second text"));
}

TEST_F(ReadmeTest, BytesThatAreNotValidInTheLocalesEncodingStillShow) {
    writeReadme("Caf\xe9\nnext line");
    EXPECT_EQ(openReadme(), QStringLiteral("Caf\u00e9\nnext line"));
}

TEST_F(ReadmeTest, AFileRemovedBetweenTheCheckAndTheLoadOpensAnEmptyViewerWithoutAMessage) {
    writeReadme("about to go");
    bool removed = false;
    const std::optional<QString> shown = openReadme([&](const QString& windowsPath) {
        removed = QFile::remove(readmeFile());
        return d2sEngine::readTextFile(windowsPath);
    });
    EXPECT_TRUE(removed);
    EXPECT_EQ(shown, QString());
    EXPECT_TRUE(m_boxes.boxes().isEmpty());
}

TEST_F(ReadmeTest, ViewerLayoutWithTheFocusOnDone) {
    QPlainTextEdit* text = openViewer();
    app::ReadmeWindow& viewer = *m_viewer;
    auto* done = viewer.findChild<QPushButton*>(QStringLiteral("cmdDone"));
    ASSERT_NE(text, nullptr);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(viewer.size(), controls::twipsSize(6975, 3690));
    EXPECT_EQ(text->geometry(), controls::twipsRect(120, 120, 6735, 2895));
    EXPECT_EQ(done->geometry(), controls::twipsRect(2760, 3120, 1215, 495));
    EXPECT_EQ(viewer.focusWidget(), done);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("read me"));
}

TEST_F(ReadmeTest, TheTextCanBeReadButNotChanged) {
    QPlainTextEdit* text = openViewer();
    ASSERT_NE(text, nullptr);
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Backspace);
    QTest::keyClick(text, Qt::Key_Delete);
    QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("read me"));
    EXPECT_TRUE(text->isReadOnly());
}

TEST_F(ReadmeTest, EnterInTheTextIsTheDefaultButtonsAndClosesTheViewer) {
    QPlainTextEdit* text = openViewer();
    ASSERT_NE(text, nullptr);
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_FALSE(m_viewer->isVisible());
}

TEST(Readme, ProgramFolderAtADriveRootGivesASingleSeparator) {
    test::TempPrefix prefix;
    prefix.mapDrive('q', QCoreApplication::applicationDirPath());
    EXPECT_EQ(d2sEngine::programFolder(), QStringLiteral("Q:\\"));
    EXPECT_EQ(app::ReadmeWindow::readmePath(), QStringLiteral("Q:\\readme.txt"));
}
