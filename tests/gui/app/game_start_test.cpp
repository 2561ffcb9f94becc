#include "app/launcher.h"
#include "fake_tools.h"
#include "files.h"
#include "game/regedit.h"
#include "host/process_start.h"
#include "recording_message_box.h"
#include "temp_prefix.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quillmere;
using namespace std::chrono_literals;

namespace {

const QString kGame = QStringLiteral("Program Files\\Diablo II\\Game.exe");

QString readText(const QString& path) {
    return QString::fromLocal8Bit(test::bytesOf(path));
}

class GameStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(prefix.isValid());
        prefix.writeFile(kGame, "MZ");
        setProgram(QStringLiteral("C:\\") + kGame);
    }

    void setProgram(const QString& program) {
        prefix.writeSystemReg(regedit::kGameKey, {{QStringLiteral("Program"), program}});
    }

    // A stand-in wine that writes its arguments and WINEPREFIX, one a line, then runs `rest`.
    void addWine(const QString& rest) {
        tools.add(QStringLiteral("wine"),
                  QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > %1/args.tmp\n"
                                 "echo \"$WINEPREFIX\" >> %1/args.tmp\n/bin/mv %1/args.tmp %1/args\n%2\n")
                      .arg(tools.dir(), rest)
                      .toLocal8Bit());
    }
    QString file(const char* name) const { return tools.dir() + QLatin1Char('/') + QLatin1String(name); }

    test::TempPrefix prefix;
    test::FakeTools tools;
    test::RecordingMessageBox boxes;
};

} // namespace

TEST_F(GameStartTest, StartsExactlyTheGameFileWithThePrefix) {
    prefix.writeFile(QStringLiteral("Program.exe"), "MZ"); // where an unquoted path would lead
    addWine(QStringLiteral("exit 0"));
    host::WineProcessStarter starter;
    app::Launcher launcher(starter);

    launcher.startGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file("args")); }, 10000));
    EXPECT_EQ(readText(file("args")).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("start"), QStringLiteral("/min"), QStringLiteral("/wait"),
                           QStringLiteral("C:\\") + kGame, prefix.prefix()}));
}

TEST_F(GameStartTest, ADocumentIsNoProgramNothingStartsAndTheUserIsToldWhy) {
    prefix.writeFile(QStringLiteral("Games\\notes.txt"), "notes");
    addWine(QStringLiteral("exit 0"));
    host::WineProcessStarter starter;
    app::Launcher launcher(starter);
    setProgram(QStringLiteral("C:\\Games\\notes.txt"));
    launcher.startGame();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Cannot Start..."));
    EXPECT_EQ(boxes.boxes()[0].style, controls::MsgStyle::Critical);
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("not a Windows program")))
        << qPrintable(boxes.boxes()[0].text);
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists(file("args")));
    EXPECT_EQ(boxes.boxes().size(), 1);
}

TEST_F(GameStartTest, AGameThatWineCannotRunGetsTheCannotStartBoxWithWinesLastLine) {
    addWine(QStringLiteral("echo 'fixme:heap:RtlSetHeapInformation stub'\n"
                           "echo 'wine: could not load kernel32.dll, status c0000135' >&2\necho >&2\nexit 1"));
    host::WineProcessStarter starter;
    app::Launcher launcher(starter);

    launcher.startGame();
    EXPECT_TRUE(boxes.boxes().isEmpty()) << "the window is not held while Wine is watched";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes().isEmpty(); }, 10000));
    ASSERT_EQ(boxes.boxes().size(), 1);
    const auto& box = boxes.boxes()[0];
    EXPECT_EQ(box.title, QStringLiteral("Cannot Start..."));
    EXPECT_EQ(box.style, controls::MsgStyle::Critical);
    EXPECT_TRUE(box.text.endsWith(QStringLiteral("wine: could not load kernel32.dll, status c0000135")))
        << qPrintable(box.text);
}

TEST_F(GameStartTest, AFailureWithoutAWordStillSaysHowWineEnded) {
    addWine(QStringLiteral("exit 3"));
    host::WineProcessStarter starter;
    app::Launcher launcher(starter);
    launcher.startGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes().isEmpty(); }, 10000));
    EXPECT_TRUE(boxes.boxes()[0].text.contains(QStringLiteral("exit code 3"))) << qPrintable(boxes.boxes()[0].text);
}

TEST_F(GameStartTest, AGameThatKeepsRunningIsNeitherHeldNorEndedAndLaterFailuresAreItsOwn) {
    // It runs until told to go on, then tells who its parent and session are, and fails.
    addWine(QStringLiteral("while [ ! -e %1/go ]; do /bin/sleep 0.05; done\n"
                           "/usr/bin/cut -d' ' -f4,6 /proc/$$/stat > %1/alive.tmp; /bin/mv %1/alive.tmp %1/alive\n"
                           "echo 'a crash long after the start' >&2\nexit 1")
                .arg(tools.dir()));
    host::WineProcessStarter starter(300ms);
    app::Launcher launcher(starter);

    launcher.startGame(); // returns although the program waits for us: nothing waits on it
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file("args")); }, 10000));
    QTest::qWait(3000); // well past the watch
    QFile go(file("go"));
    ASSERT_TRUE(go.open(QIODevice::WriteOnly));
    go.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file("alive")); }, 10000)) << "ended with the watch";
    QTest::qWait(500);
    EXPECT_TRUE(boxes.boxes().isEmpty());

    // Handed over to the system in a session of its own: ending this program does not end it.
    const QStringList parentAndSession = readText(file("alive")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_EQ(parentAndSession.size(), 2);
    EXPECT_NE(parentAndSession[0].toLongLong(), QCoreApplication::applicationPid());
    EXPECT_NE(parentAndSession[1].trimmed().toLongLong(), static_cast<qint64>(::getsid(0)));
}
